#include "exchange/exchange_context.h"

using namespace Qt::StringLiterals;

ExchangeControls::ExchangeControls()
{
    Data5.setRecordSource(u"Cari"_s);
    Adodc1.setRecordSource(u"select * from CariKartlar"_s);
    Adodc2.setRecordSource(u"select * from CariKartlar"_s);
}

void ExchangeControls::closeAll()
{
    for (DataControl* c : {&Data1, &Data2, &Data3, &Data4, &Data5, &Adodc1, &Adodc2})
        c->close();
}
