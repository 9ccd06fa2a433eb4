#include "core/jet_sql.h"
#include "exchange/balances.h"
#include "exchange/download_postings.h"
#include "exchange/field_copy.h"
#include "exchange/local_files.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;
using jetsql::quoteText;

namespace postings {

using download::failed;

namespace {

// Stands the set on the card with the code; a failure when there is none (a movement
// is never posted onto whichever card happens to be current).
std::optional<download::Outcome> findCard(RecordSet& cards, const QString& key, const QString& code,
                                          const QString& where)
{
    if (!cards.findFirst(key + u'=' + quoteText(code)))
        return failed(cards.lastError());
    if (cards.noMatch())
        return failed(u"%1 kartı %2 bulunamadı; hareket merkezde bekliyor."_s.arg(code, where));
    return std::nullopt;
}

// The other party's wording of a movement's description: the first of the words
// that occurs is turned into its opposite.
QString mirroredText(const QString& text)
{
    static const QList<std::pair<QString, QString>> opposites = {{u"Ödeme"_s, u"Tahsilat"_s},
                                                                 {u"Tahsilat"_s, u"Ödeme"_s},
                                                                 {u"Borç"_s, u"Alacak"_s},
                                                                 {u"Alacak"_s, u"Borç"_s}};
    for (const auto& [word, opposite] : opposites)
        if (text.contains(word))
            return QString(text).replace(word, opposite);
    return text;
}

bool addMovement(RecordSet& to, RecordSet& r, const fieldcopy::Copy& copy, QString* error)
{
    to.addNew();
    if (copy.apply(r, to, error))
        return true;
    to.cancelUpdate();
    return false;
}

bool saveCard(RecordSet& card, const balances::AccountAmounts& amounts, QString* error)
{
    if (card.edit() && balances::addToAccountCard(card, amounts, error) && card.update())
        return true;
    if (error->isEmpty())
        *error = card.lastError();
    card.cancelUpdate();
    return false;
}

download::Outcome postAccountMovement(ExchangeContext& ctx, RecordSet& r, const QList<bool>& done,
                                      bool company)
{
    ExchangeControls& c = ctx.controls;
    RecordSet& movements = *c.Data1.recordset();
    RecordSet& cards = *c.Data2.recordset();
    const QString code = r.value(u"CariHarKod").toString();
    const QString branch = r.value(u"Sube").toString();
    const bool mirror = company && ctx.settings.CentralStation && branch != u"01"_s &&
                        (r.value(u"Unvan").toString() == u"Merkez"_s ||
                         r.value(u"Carisi").toString() == u"Merkez"_s);
    // Both cards must be there before anything is written.
    if (!done[0])
        if (auto missing = findCard(cards, u"CariKod"_s, code, u"şubede"_s))
            return *missing;
    const QString mirrorCode = code == u"Merkez"_s ? u"Şube"_s + branch : code;
    if (mirror && !done[1])
        if (auto missing =
                findCard(*c.Data4.recordset(), u"CariKod"_s, mirrorCode, u"merkez dosyasında"_s))
            return *missing;

    const QStringList fields = fieldcopy::gridFields(movements);
    const balances::AccountAmounts amounts = balances::accountAmounts(r);
    QString error;
    if (!done[0]) {
        const fieldcopy::Copy copy(fields, r, movements, fieldcopy::Direction::FromCentral);
        for (const QString& m : copy.missing())
            ctx.report.note(u"Aktarılmayan alan (karşı tabloda yok): %1"_s.arg(m));
        if (!addMovement(movements, r, copy, &error) ||
            !movements.setValue(u"DigerId", movements.value(u"DigerId").toString() + u'W') ||
            !movements.update()) {
            movements.cancelUpdate();
            return failed(
                u"hareket yazılamadı: %1"_s.arg(error.isEmpty() ? movements.lastError() : error));
        }
        if (!saveCard(cards, amounts, &error))
            return failed(u"kart %1 yazılamadı: %2"_s.arg(code, error));
    }
    if (mirror && !done[1]) {
        // The headquarters' own copy: the same movement seen from the other side,
        // on the branch's account "Şube" + branch.
        RecordSet& hq = *c.Data3.recordset();
        const fieldcopy::Copy copy(fields, r, hq, fieldcopy::Direction::FromCentral);
        const balances::AccountAmounts other = balances::mirrored(amounts);
        if (!addMovement(hq, r, copy, &error) || !hq.setValue(u"CariHarKod", u"Şube"_s + branch) ||
            !hq.setValue(u"DigerId", r.value(u"DigerId").toString() + u'W') ||
            !hq.setValue(u"Aciklama", mirroredText(r.value(u"Aciklama").toString())) ||
            !balances::writeAccountAmounts(hq, other, &error) || !hq.update()) {
            hq.cancelUpdate();
            return failed(
                u"merkez hareketi yazılamadı: %1"_s.arg(error.isEmpty() ? hq.lastError() : error));
        }
        if (!saveCard(*c.Data4.recordset(), other, &error))
            return failed(u"merkez kartı %1 yazılamadı: %2"_s.arg(mirrorCode, error));
    }
    return {};
}

download::Outcome postStockMovement(ExchangeContext& ctx, RecordSet& r)
{
    ExchangeControls& c = ctx.controls;
    RecordSet& movements = *c.Data1.recordset();
    RecordSet& cards = *c.Data2.recordset();
    const QString id = r.value(u"DigerId").toString();
    const QString code = r.value(u"StokHarKod").toString();
    // A movement already here is not posted twice.
    if (!movements.findFirst(u"DigerId=%1 And StokHarKod=%2"_s.arg(quoteText(id), quoteText(code))))
        return failed(movements.lastError());
    if (!movements.noMatch())
        return {download::Result::PassedOver, {}};
    if (auto missing = findCard(cards, u"StokKod"_s, code, u"şubede"_s))
        return *missing;
    QString error;
    const fieldcopy::Copy copy(fieldcopy::gridFields(movements), r, movements,
                               fieldcopy::Direction::FromCentral);
    for (const QString& m : copy.missing())
        ctx.report.note(u"Aktarılmayan alan (karşı tabloda yok): %1"_s.arg(m));
    if (!addMovement(movements, r, copy, &error) || !movements.update()) {
        movements.cancelUpdate();
        return failed(
            u"hareket yazılamadı: %1"_s.arg(error.isEmpty() ? movements.lastError() : error));
    }
    const balances::StockMovement m{r.value(u"GirisCikis").toString() == u"Alış"_s,
                                    r.value(u"Miktar").toDouble(), r.value(u"Tutar").toDouble(),
                                    r.value(u"Kar").toDouble()};
    if (!cards.edit() || !balances::postToStockCard(cards, m, &error) || !cards.update()) {
        cards.cancelUpdate();
        return failed(u"stok kartı %1 yazılamadı: %2"_s.arg(
            code, error.isEmpty() ? cards.lastError() : error));
    }
    return {};
}

} // namespace

download::Pass accountMovements(ExchangeContext& ctx)
{
    const ExchangeSettings& s = ctx.settings;
    const QString file = s.accountDatabase(s.OwnBranch);
    const QString companyFile = s.companyDatabase();
    // The headquarters' mirror postings go to the company database, when that is a
    // file of its own.
    const bool company = s.CentralStation && QFileInfo(companyFile).absoluteFilePath() !=
                                                 QFileInfo(file).absoluteFilePath();
    download::Pass pass;
    pass.name = u"CariHareket"_s;
    pass.what = u"Cari hareketler"_s;
    pass.query = centralQuery(s, u"CariHareket"_s);
    const QStringList tables = {u"CariHareket"_s, u"CariKartlar"_s};
    pass.files = {file};
    pass.tables = {tables};
    if (company) {
        pass.files.append(companyFile);
        pass.tables.append(tables);
    }
    pass.nerdeTo = u"S"_s;
    pass.prepare = [&ctx, file, companyFile, company](QString* error) {
        ExchangeControls& c = ctx.controls;
        return localfiles::point(c.Data1, file, u"CariHareket"_s, error) &&
               localfiles::point(c.Data2, file, u"CariKartlar"_s, error) &&
               (!company || (localfiles::point(c.Data3, companyFile, u"CariHareket"_s, error) &&
                             localfiles::point(c.Data4, companyFile, u"CariKartlar"_s, error)));
    };
    pass.post = [&ctx, company](RecordSet& r, const QList<bool>& done) {
        return postAccountMovement(ctx, r, done, company);
    };
    return pass;
}

download::Pass stockMovements(ExchangeContext& ctx)
{
    const ExchangeSettings& s = ctx.settings;
    const QString file = s.stockDatabase(s.OwnBranch);
    download::Pass pass;
    pass.name = u"StokHareket"_s;
    pass.what = u"Stok hareketleri"_s;
    pass.query = centralQuery(s, u"StokHareket"_s, u" And GirisCikis<>'Iptal'"_s);
    pass.files = {file};
    pass.tables = {{u"StokHareket"_s, u"StokKartlar"_s}};
    pass.nerdeTo = u"C"_s;
    pass.prepare = [&ctx, file](QString* error) {
        return localfiles::point(ctx.controls.Data2, file, u"StokKartlar"_s, error) &&
               localfiles::point(ctx.controls.Data1, file, u"StokHareket"_s, error);
    };
    pass.post = [&ctx](RecordSet& r, const QList<bool>&) { return postStockMovement(ctx, r); };
    return pass;
}

} // namespace postings
