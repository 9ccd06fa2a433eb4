#include "scale/scale_text.h"

#include <array>

namespace {

// 0x80–0x9F of code page 1254; an undefined byte keeps its own number.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x008E, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x009E, 0x0178};

constexpr std::array<char16_t, 256> makeTable()
{
    std::array<char16_t, 256> table{};
    for (int b = 0; b < 256; ++b)
        table[b] = static_cast<char16_t>(b);
    for (int b = 0x80; b < 0xA0; ++b)
        table[b] = kHighControls[b - 0x80];
    // The six Turkish letters that differ from Latin-1.
    table[0xD0] = 0x011E; // Ğ
    table[0xDD] = 0x0130; // İ
    table[0xDE] = 0x015E; // Ş
    table[0xF0] = 0x011F; // ğ
    table[0xFD] = 0x0131; // ı
    table[0xFE] = 0x015F; // ş
    return table;
}

constexpr std::array<char16_t, 256> kTable = makeTable();

} // namespace

QString scaleBytesToText(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = kTable[static_cast<unsigned char>(bytes[i])];
    return text;
}
