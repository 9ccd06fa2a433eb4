#pragma once

#include "exchange/exchange_settings.h"

#include <QStringList>

#include <optional>

// The branch list `BranchList`: the file "Sube.txt" in DataFolder (found whatever the
// case of its name), a sequential text file in the Windows Turkish code page whose
// items, separated by commas or line ends, are branch codes in file order.
//
// Nothing when the file does not exist; *error is set when it exists but cannot be
// read. Blank items (a trailing comma, an empty line) are no branch and are left out.
std::optional<QStringList> readBranchList(const ExchangeSettings& settings,
                                          QString* error = nullptr);
