#include "exchange/download_postings.h"

#include "core/jet_sql.h"
#include "exchange/field_copy.h"
#include "exchange/local_files.h"

using namespace Qt::StringLiterals;
using jetsql::quoteText;

namespace postings {

using download::failed;

QString centralQuery(const ExchangeSettings& s, const QString& table, const QString& extra)
{
    return u"select * from %1 Where Sube=%2 And Server=%3 And Yeni<3%4"_s.arg(
        table, quoteText(s.OwnBranch), QString::number(s.takenServer()), extra);
}

namespace {

// The card's fields a central card overwrites: the grid's, less the balances.
QStringList overwritten(const RecordSet& cards, const QString& balanceText)
{
    QStringList fields = fieldcopy::gridFields(cards);
    fields.removeIf([&](const QString& f) { return balanceText.contains(f); });
    return fields;
}

// Adds value to a one-field list table (groups, units) when it is not there yet.
bool addToList(RecordSet& list, const QString& field, const QVariant& value, QString* error)
{
    const QString text = value.toString();
    if (value.isNull() || text.trimmed().isEmpty())
        return true; // no group or unit to add
    if (!list.findFirst(field + u'=' + quoteText(text))) {
        *error = list.lastError();
        return false;
    }
    if (!list.noMatch())
        return true;
    list.addNew();
    if (list.setValue(field, text) && list.update())
        return true;
    *error = list.lastError();
    list.cancelUpdate();
    return false;
}

struct CardPass
{
    QString table, key, balanceText, what;
    bool stock = false;
};

download::Outcome postCard(ExchangeContext& ctx, const CardPass& kind, RecordSet& r)
{
    ExchangeControls& c = ctx.controls;
    RecordSet& cards = *c.Data1.recordset();
    const QString code = r.value(kind.key).toString();
    if (!cards.findFirst(kind.key + u'=' + quoteText(code)))
        return failed(cards.lastError());
    if (cards.noMatch())
        cards.addNew();
    else if (!cards.edit())
        return failed(cards.lastError());
    QString error;
    const fieldcopy::Copy copy(overwritten(cards, kind.balanceText), r, cards,
                               fieldcopy::Direction::FromCentral);
    for (const QString& m : copy.missing())
        ctx.report.note(u"Aktarılmayan alan (karşı tabloda yok): %1"_s.arg(m));
    if (!copy.apply(r, cards, &error) || !cards.update()) {
        cards.cancelUpdate();
        return failed(u"%1 %2 yazılamadı: %3"_s.arg(kind.what, code,
                                                    error.isEmpty() ? cards.lastError() : error));
    }
    const QVariant group = r.value(u"Gurup");
    if (group.toString() != u"Gurup Yok"_s &&
        !addToList(*c.Data2.recordset(), u"Gurup"_s, group, &error))
        return failed(u"grup %1 eklenemedi: %2"_s.arg(group.toString(), error));
    if (kind.stock && !addToList(*c.Data3.recordset(), u"Birim"_s, r.value(u"Birim"), &error))
        return failed(u"birim %1 eklenemedi: %2"_s.arg(r.value(u"Birim").toString(), error));
    return {};
}

} // namespace

download::Pass accountCards(ExchangeContext& ctx)
{
    const ExchangeSettings& s = ctx.settings;
    const QString file = s.accountDatabase(s.OwnBranch);
    download::Pass pass;
    pass.name = u"CariKartlar"_s;
    pass.what = u"Cari kartlar"_s;
    pass.query = centralQuery(s, u"CariKartlar"_s);
    pass.files = {file};
    pass.tables = {{u"CariKartlar"_s, u"Gurup"_s}};
    pass.prepare = [&ctx, file](QString* error) {
        return localfiles::point(ctx.controls.Data1, file, u"CariKartlar"_s, error) &&
               localfiles::point(ctx.controls.Data2, file, u"Gurup"_s, error);
    };
    const CardPass kind{u"CariKartlar"_s, u"CariKod"_s, kAccountBalanceText, u"cari kart"_s, false};
    pass.post = [&ctx, kind](RecordSet& r, const QList<bool>&) { return postCard(ctx, kind, r); };
    return pass;
}

download::Pass stockCards(ExchangeContext& ctx)
{
    const ExchangeSettings& s = ctx.settings;
    const QString file = s.stockDatabase(s.OwnBranch);
    download::Pass pass;
    pass.name = u"StokKartlar"_s;
    pass.what = u"Stok kartları"_s;
    pass.query = centralQuery(s, u"StokKartlar"_s);
    pass.files = {file};
    pass.tables = {{u"StokKartlar"_s, u"Gurup"_s, u"Birim"_s}};
    pass.prepare = [&ctx, file](QString* error) {
        return localfiles::point(ctx.controls.Data1, file, u"StokKartlar"_s, error) &&
               localfiles::point(ctx.controls.Data2, file, u"Gurup"_s, error) &&
               localfiles::point(ctx.controls.Data3, file, u"Birim"_s, error);
    };
    const CardPass kind{u"StokKartlar"_s, u"StokKod"_s, kStockBalanceText, u"stok kartı"_s, true};
    pass.post = [&ctx, kind](RecordSet& r, const QList<bool>&) { return postCard(ctx, kind, r); };
    return pass;
}

} // namespace postings
