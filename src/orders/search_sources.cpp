#include "orders/search_sources.h"

#include "core/jet_sql.h"

using namespace Qt::StringLiterals;

namespace {

QStringList lookupCriteria(const QString& typed, const QString& first, const QString& second)
{
    const QString value = jetsql::quoteText(typed);
    if (typed.startsWith(u'*') || typed.endsWith(u'*'))
        return {first + u" Like "_s + value, second + u" Like "_s + value};
    return {first + u'=' + value, second + u'=' + value};
}

} // namespace

QString customerSearchSource(const QString& typed)
{
    return u"Select * From CariKartlar Where HesKullan=False And Unvan Like %1 Order By Unvan Asc"_s
        .arg(jetsql::quoteText(typed + u'*'));
}

QString customerFallbackSource()
{
    return u"Select * From CariKartlar Where HesKullan=False Order By CariKod ASC"_s;
}

QString fabricSearchSource(const QString& typed)
{
    return u"Select * From StokKartlar Where StokGizle=False And StokAdi Like %1 ORDER BY StokKod ASC"_s
        .arg(jetsql::quoteText(typed.trimmed() + u'*'));
}

QString fabricFallbackSource()
{
    return u"Select * From StokKartlar Where StokGizle=False"_s;
}

QStringList customerLookupCriteria(const QString& typed)
{
    return lookupCriteria(typed, u"CariKod"_s, u"Unvan"_s);
}

QStringList fabricLookupCriteria(const QString& typed)
{
    return lookupCriteria(typed, u"StokAdi"_s, u"StokKod"_s);
}
