#pragma once

#include "core/data_control.h"
#include "exchange/central_database.h"
#include "exchange/exchange_host.h"
#include "exchange/exchange_report.h"
#include "exchange/exchange_settings.h"

// The data controls of the exchange window, by the names the exchanges use: Data1 to
// Data5 on the branch's own files, Adodc1 and Adodc2 on the central database. The
// window's grid DBGrid1 shows Data1.
class ExchangeControls
{
public:
    ExchangeControls();

    DataControl Data1{QStringLiteral("Data1")};
    DataControl Data2{QStringLiteral("Data2")};
    DataControl Data3{QStringLiteral("Data3")};
    DataControl Data4{QStringLiteral("Data4")};
    DataControl Data5{QStringLiteral("Data5")}; // caption "Özel Fiyat", source "Cari"
    DataControl Adodc1{QStringLiteral("Adodc1")};
    DataControl Adodc2{QStringLiteral("Adodc2")};

    // Lets go of every record set (between passes and at the end of a run).
    void closeAll();
};

// Everything one exchange routine works with.
struct ExchangeContext
{
    ExchangeSettings settings;
    ExchangeControls& controls;
    CentralDatabase& central;
    ExchangeHost& host;
    ExchangeReport& report;
};
