#pragma once

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

// What every fuzz target checks with: a property that does not hold stops the run, and
// libFuzzer keeps the input that broke it.
inline void check(bool ok)
{
    if (!ok)
        std::abort();
}

// The fuzzer's input as bytes, without a copy.
inline QByteArray fuzzBytes(const uint8_t* data, size_t size)
{
    return QByteArray::fromRawData(reinterpret_cast<const char*>(data),
                                   static_cast<qsizetype>(size));
}
