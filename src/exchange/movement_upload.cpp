#include "exchange/movement_upload.h"

#include "core/jet_sql.h"
#include "core/logging.h"
#include "core/settings_store.h"
#include "core/table_schema.h"
#include "exchange/branch_list.h"
#include "exchange/field_copy.h"
#include "exchange/local_files.h"
#include "exchange/upload_marks.h"

#include <QFileInfo>
#include <QSet>

using namespace Qt::StringLiterals;
using jetsql::quoteText;

namespace {

struct Section
{
    bool stock = false;
    QString movements;   // "CariHareket" / "StokHareket"
    QString cards;       // "CariKartlar" / "StokKartlar"
    QString cardKey;     // "CariKod" / "StokKod"
    QString movementKey; // "CariHarKod" / "StokHarKod"
    QStringList totals;  // card totals sent
    QString what;        // for the operator's texts
    QString progress;    // the progress text before the branch code
};

const Section kAccounts{false,
                        u"CariHareket"_s,
                        u"CariKartlar"_s,
                        u"CariKod"_s,
                        u"CariHarKod"_s,
                        {u"Borc"_s, u"Alacak"_s, u"dBorc"_s, u"dAlacak"_s, u"eBorc"_s, u"eAlacak"_s,
                         u"Bakiye"_s, u"dBakiye"_s, u"eBakiye"_s, u"Hesap"_s},
                        u"cari hareket"_s,
                        u"Datalar Güncelleniyor Lütfen Bekleyiniz..! Şube "_s};
const Section kStock{true,
                     u"StokHareket"_s,
                     u"StokKartlar"_s,
                     u"StokKod"_s,
                     u"StokHarKod"_s,
                     {u"GirenMik"_s, u"GirenTutar"_s, u"CikanMik"_s, u"CikanTutar"_s, u"KalanB"_s,
                      u"KalanA"_s, u"Kar"_s, u"Maliyet"_s},
                     u"stok hareketi"_s,
                     u"Datalar Güncelleniyor Lütfen Bekleyiniz..! "_s};

// The Boolean value of a stored text, as the old stations read their markers.
bool textAsBool(const QString& text)
{
    const QString t = text.trimmed();
    if (t.compare(u"True"_s, Qt::CaseInsensitive) == 0)
        return true;
    bool ok = false;
    const double n = t.toDouble(&ok);
    return ok && n != 0;
}

// id + "W", with every doubled W collapsed, so that an id keeps one trailing "W".
QString withW(const QVariant& id)
{
    QString text = id.toString() + u'W';
    while (text.contains(u"WW"_s))
        text.replace(u"WW"_s, u"W"_s);
    return text;
}

struct Movement
{
    int position = 0;
    uploadmarks::Pending pending;
    QString card; // the card the movement belongs to
};

class SectionUpload
{
public:
    SectionUpload(ExchangeContext& ctx, const QString& branch, const Section& section)
        : m_ctx(ctx), m_branch(branch), m_section(section), m_pending(nullptr), m_terminal(false)
    {}

    void run();

private:
    bool openPending();
    enum class Sent
    {
        All,
        Some,
        Stopped
    };
    Sent sendAll();
    Sent sendGroup(const QList<Movement>& group);
    bool trySend(const QList<Movement>& group, QString* error);
    bool lookUpInvoices(const QList<Movement>& group, QString* error);
    bool writeOne(RecordSet& central);
    bool markTouchedCards();
    bool sendTotals();
    bool clearPending();
    void failure(const QString& why) { m_ctx.report.failure(u"Şube %1: %2"_s.arg(m_branch, why)); }
    int unsent() const { return m_total - static_cast<int>(m_confirmed.size()); }
    void showProgress();
    bool stopped()
    {
        m_ctx.host.yield();
        return m_ctx.host.stopRequested();
    }

    ExchangeContext& m_ctx;
    QString m_branch;
    const Section& m_section;
    QString m_file;
    RecordSet* m_pending;
    bool m_terminal;
    int m_total = 0;
    bool m_noCards = false; // the file has no card table
    QStringList m_fields;
    std::optional<fieldcopy::Copy> m_copy;
    QList<Movement> m_confirmed; // in the central database (sent now or before)
    QStringList m_receipts;      // receipts of the confirmed movements
    // Receipts are kept apart per table and per side that sends (a branch's own
    // station and the central station may both send for the same branch).
    QString receiptTable() const
    {
        return m_section.movements + u'/' + QString::number(m_ctx.settings.serverFlag());
    }
    // Invoice keys (account, side, id) of this group: rows held in the central set,
    // rows written or overwritten by the group, and rows found in the central table
    // when the group began. Only an invoice whose key is among them needs a search.
    QSet<QString> m_held;
    QSet<QString> m_written;
    QSet<QString> m_existing;
    static QString invoiceKey(const QString& code, bool debit, const QString& id)
    {
        return code + (debit ? u"\x1fB\x1f"_s : u"\x1fA\x1f"_s) + id;
    }
    int m_sentNow = 0;
    int m_failed = 0;
};

void SectionUpload::run()
{
    if (!openPending())
        return;
    if (m_pending->eof())
        return; // nothing pending: no totals, nothing cleared
    m_terminal = textAsBool(ReadRegistryText(RegistryRoot::CurrentUser, u"Nirvelo\\Properties1"_s,
                                             u"Ter"_s + m_branch));
    const Sent sent = sendAll();
    m_ctx.report.countSent(m_sentNow);
    qCInfo(lcExchange).noquote() << u"Şube %1, %2: bekleyen %3, gönderilen %4, reddedilen %5"_s
                                        .arg(m_branch, m_section.what)
                                        .arg(m_total)
                                        .arg(m_sentNow)
                                        .arg(m_failed);
    if (sent == Sent::Stopped)
        return; // what did arrive is found by its receipts next time
    if (m_confirmed.isEmpty())
        return;
    if (!m_noCards && m_terminal && !markTouchedCards())
        return;
    if (!m_noCards && !sendTotals())
        return;
    clearPending();
}

bool SectionUpload::openPending()
{
    const ExchangeSettings& s = m_ctx.settings;
    m_file = m_section.stock ? s.stockDatabase(m_branch) : s.accountDatabase(m_branch);
    if (!QFileInfo(m_file).isFile()) {
        // A branch without its files has nothing to send.
        m_ctx.report.note(
            u"Şube %1: %2 yok, atlandı."_s.arg(m_branch, QFileInfo(m_file).fileName()));
        return false;
    }
    if (const QString why = localfiles::lacking(m_file, {m_section.movements}); !why.isEmpty()) {
        m_ctx.report.note(u"Şube %1: %2, atlandı."_s.arg(m_branch, why));
        return false;
    }
    ExchangeControls& c = m_ctx.controls;
    QString error;
    if (!localfiles::point(c.Data1, m_file,
                           u"Select * From %1 Where Yeni>0 And Sube=%2"_s.arg(m_section.movements,
                                                                              quoteText(m_branch)),
                           &error)) {
        failure(u"%1 okunamadı: %2"_s.arg(m_section.what, error));
        return false;
    }
    m_pending = c.Data1.recordset();
    m_total = m_pending->recordCount();
    if (m_total == 0)
        return true;
    // Movements go only with their marks, which make each arrive once.
    if (m_pending->schema().indexOf(uploadmarks::kColumn) < 0) {
        failure(u"%1 %2 gönderilemedi: %3 tablosunda %4 sütunu yok; %5"_s.arg(m_total).arg(
            m_section.what, m_section.movements, uploadmarks::kColumn, localfiles::kPrepareHint));
        return false;
    }
    // Without the card table there are no cards to mark nor totals to send.
    if (const QString why = localfiles::lacking(m_file, {m_section.cards}); !why.isEmpty()) {
        m_ctx.report.note(u"Şube %1: %2; kart bakiyeleri gönderilmedi."_s.arg(m_branch, why));
        m_noCards = true;
    } else if (!localfiles::point(c.Data2, m_file, m_section.cards, &error)) {
        failure(u"%1 okunamadı: %2"_s.arg(m_section.cards, error));
        return false;
    }
    m_fields = fieldcopy::gridFields(*m_pending);
    return true;
}

// The movements that are in the central database so far (their group committed).
void SectionUpload::showProgress()
{
    const int done = static_cast<int>(m_confirmed.size());
    m_ctx.host.progress(m_section.progress + m_branch + u'/' + QString::number(done), done,
                        m_total);
}

SectionUpload::Sent SectionUpload::sendAll()
{
    ExchangeControls& c = m_ctx.controls;
    c.Adodc1.setConnection(m_ctx.central.database());
    c.Adodc1.setRecordSource(u"Select * From "_s + m_section.movements);
    const QSqlDatabase local = localfiles::connectionOf(m_file);
    int position = 0;
    QString error;
    m_pending->moveFirst();
    bool more = !m_pending->eof();
    while (more) {
        QList<Movement> window;
        QList<uploadmarks::Pending> rows;
        // Sending moves through the movements again; the walk goes on after them.
        if (position > 0 && !m_pending->setAbsolutePosition(position)) {
            failure(u"%1 %2 gönderilemedi: şube dosyası okunamadı: %3"_s.arg(unsent()).arg(
                m_section.what, m_pending->lastError()));
            return Sent::Stopped;
        }
        for (; window.size() < kMarkWindow && !m_pending->eof(); m_pending->moveNext()) {
            Movement m;
            m.position = position++;
            m.pending.key = m_pending->bookmark().toLongLong();
            m.pending.mark = m_pending->value(uploadmarks::kColumn).toString();
            m.card = m_pending->value(m_section.movementKey).toString();
            window.append(m);
            rows.append(m.pending);
        }
        more = !m_pending->eof();
        // Every movement gets its mark before anything of it reaches the central
        // database.
        const auto marks = uploadmarks::markMovements(local, m_section.movements, rows, &error);
        if (!marks) {
            failure(u"%1 %2 gönderilemedi: şube dosyasına yazılamadı: %3"_s.arg(unsent()).arg(
                m_section.what, error));
            return Sent::Stopped;
        }
        QStringList known;
        QList<Movement> marked;
        for (Movement m : std::as_const(window)) {
            if (!marks->contains(m.pending.key))
                continue; // deleted or sent by another run meanwhile
            if (!m.pending.mark.isEmpty())
                known.append(m.pending.mark);
            m.pending.mark = marks->value(m.pending.key);
            marked.append(m);
        }
        // Marks given by an earlier run may have arrived already: those movements are
        // in the central database and are not sent again.
        const auto receipted = uploadmarks::receiptsFor(m_ctx.central.database(), m_branch,
                                                        receiptTable(), known, &error);
        if (!receipted) {
            failure(u"%1 %2 gönderilemedi: %3"_s.arg(unsent()).arg(m_section.what, error));
            return Sent::Stopped;
        }
        m_receipts.append(receipted->keys);
        QList<Movement> toSend;
        for (const Movement& m : std::as_const(marked)) {
            if (receipted->marks.contains(m.pending.mark))
                m_confirmed.append(m);
            else
                toSend.append(m);
        }
        for (qsizetype from = 0; from < toSend.size(); from += kUploadBatch) {
            if (sendGroup(toSend.mid(from, kUploadBatch)) == Sent::Stopped)
                return Sent::Stopped;
            showProgress();
            // What arrived is found by its receipts next time.
            if (stopped()) {
                m_ctx.report.setStopped();
                return Sent::Stopped;
            }
        }
        showProgress();
    }
    return m_failed == 0 ? Sent::All : Sent::Some;
}

// Sends the movements in one central transaction. When the central database
// refuses it, the group is halved until the refused movements are found: each is
// reported and stays pending, the others go. The movements that arrived join
// m_confirmed.
SectionUpload::Sent SectionUpload::sendGroup(const QList<Movement>& group)
{
    if (group.isEmpty())
        return Sent::All;
    QString error;
    if (trySend(group, &error))
        return Sent::All;
    if (!m_ctx.central.alive()) {
        failure(u"%1 %2 gönderilemedi: merkez veritabanına ulaşılamıyor (%3)."_s.arg(unsent()).arg(
            m_section.what, error));
        return Sent::Stopped;
    }
    if (group.size() == 1) {
        const Movement& m = group.first();
        QString id;
        if (m_pending->setAbsolutePosition(m.position))
            id = m_pending->value(u"DigerId").toString();
        ++m_failed;
        failure(u"%1 (%2 %3, DigerId %4) gönderilemedi: %5"_s.arg(
            m_section.what, m_section.movementKey, m.card, id, error));
        return Sent::Some;
    }
    const qsizetype half = group.size() / 2;
    const Sent first = sendGroup(group.first(half));
    if (first == Sent::Stopped)
        return first;
    const Sent second = sendGroup(group.sliced(half));
    if (second == Sent::Stopped)
        return second;
    return Sent::Some;
}

bool SectionUpload::trySend(const QList<Movement>& group, QString* error)
{
    ExchangeControls& c = m_ctx.controls;
    // A fresh central set for each group: it holds every earlier row for the invoice
    // search, and no long list of rows added through it.
    if (!c.Adodc1.refresh()) {
        *error = c.Adodc1.lastError();
        return false;
    }
    RecordSet& central = *c.Adodc1.recordset();
    central.setBatchUpdates(true);
    m_held.clear();
    m_written.clear();
    if (!m_copy)
        m_copy.emplace(m_fields, *m_pending, central, fieldcopy::Direction::ToCentral);
    if (!m_ctx.central.begin(error))
        return false;
    if (!m_section.stock && !lookUpInvoices(group, error)) {
        m_ctx.central.rollback();
        return false;
    }
    QStringList marks;
    for (const Movement& m : group) {
        if (!m_pending->setAbsolutePosition(m.position) ||
            m_pending->bookmark().toLongLong() != m.pending.key) {
            *error = u"şube dosyasında hareketin yeri değişti"_s;
            m_ctx.central.rollback();
            return false;
        }
        if (!writeOne(central)) {
            *error = central.lastError();
            m_ctx.central.rollback();
            return false;
        }
        marks.append(m.pending.mark);
    }
    if (!central.updateBatch()) {
        *error = central.lastError();
        m_ctx.central.rollback();
        return false;
    }
    const auto receipt =
        uploadmarks::writeReceipt(m_ctx.central.database(), marks, m_branch, receiptTable(), error);
    if (!receipt) {
        m_ctx.central.rollback();
        return false;
    }
    if (!m_ctx.central.commit(error))
        return false;
    m_receipts.append(*receipt);
    m_confirmed.append(group);
    m_sentNow += static_cast<int>(group.size());
    return true;
}

// The invoices of the group that are in the central table already (one read for the
// group instead of a search for every invoice).
bool SectionUpload::lookUpInvoices(const QList<Movement>& group, QString* error)
{
    m_existing.clear();
    QStringList terms;
    QSet<QString> asked;
    auto readPart = [&]() {
        if (terms.isEmpty())
            return true;
        QString why;
        auto found =
            RecordSet::open(m_ctx.central.database(),
                            u"Select * From CariHareket Where "_s + terms.join(u" Or "_s), &why);
        terms.clear();
        if (!found) {
            *error = why;
            return false;
        }
        for (found->moveFirst(); !found->eof(); found->moveNext()) {
            const QString code = found->value(u"CariHarKod").toString();
            const QString id = found->value(u"DigerId").toString();
            if (found->value(u"Borc").toDouble() != 0)
                m_existing.insert(invoiceKey(code, true, id));
            if (found->value(u"Alacak").toDouble() != 0)
                m_existing.insert(invoiceKey(code, false, id));
        }
        return true;
    };
    for (const Movement& m : group) {
        if (!m_pending->setAbsolutePosition(m.position)) {
            *error = m_pending->lastError();
            return false;
        }
        if (!m_pending->value(u"Nerde").toString().contains(u"FI"_s))
            continue;
        const QString code = m_pending->value(u"CariHarKod").toString();
        const QString id = m_pending->value(u"DigerId").toString();
        if (asked.contains(invoiceKey(code, true, id)))
            continue;
        asked.insert(invoiceKey(code, true, id));
        terms.append(u"(CariHarKod=%1 And DigerId=%2)"_s.arg(quoteText(code), quoteText(id)));
        if (terms.size() == 200 && !readPart())
            return false;
    }
    return readPart();
}

// Writes the current pending movement into the central set (added, or for an
// invoice already there, overwritten).
bool SectionUpload::writeOne(RecordSet& central)
{
    RecordSet& m = *m_pending;
    bool add = true;
    if (!m_section.stock && m.value(u"Nerde").toString().contains(u"FI"_s)) {
        // An invoice sent before is found by account, side and id, and overwritten:
        // the first central row, in the set's order, of the account and side (the
        // filter) with the id (the search from the first row). An empty set has none.
        const bool debit = m.value(u"Borc").toDouble() != 0;
        const QString code = m.value(u"CariHarKod").toString();
        const QString id = m.value(u"DigerId").toString();
        const QString key = invoiceKey(code, debit, id);
        // Rows still held are written first when one of them could be the invoice, so
        // that the search sees it.
        if (m_held.contains(key)) {
            if (!central.updateBatch())
                return false;
            m_written.unite(m_held);
            m_held.clear();
        }
        if (m_existing.contains(key) || m_written.contains(key)) {
            if (!central.findFirstWritten(u"CariHarKod=%1 And %2 And DigerId=%3"_s.arg(
                    quoteText(code), debit ? u"Borc<>0"_s : u"Alacak<>0"_s, quoteText(id))))
                return false;
            add = central.noMatch();
        }
    }
    if (add)
        central.addNew();
    else if (!central.edit())
        return false;
    QString error;
    bool ok = m_copy->apply(m, central, &error);
    if (ok && m_section.stock)
        ok = central.setValue(u"DigerId", withW(central.value(u"DigerId"))) &&
             central.setValue(u"SeriNoDiger", withW(central.value(u"SeriNoDiger")));
    ok = ok && central.setValue(u"Server", m_ctx.settings.serverFlag()) &&
         central.setValue(u"Yeni", m_terminal ? 3 : 0);
    if (ok && !m_section.stock) {
        // What a later invoice search of this group could find: a held row, or a row
        // this group overwrote.
        QSet<QString>& keys = add ? m_held : m_written;
        const QString code = central.value(u"CariHarKod").toString();
        const QString id = central.value(u"DigerId").toString();
        if (central.value(u"Borc").toDouble() != 0)
            keys.insert(invoiceKey(code, true, id));
        if (central.value(u"Alacak").toDouble() != 0)
            keys.insert(invoiceKey(code, false, id));
    }
    ok = ok && central.update();
    if (!ok)
        central.cancelUpdate();
    return ok;
}

// A terminal's movements mark their cards for the totals step (Yeni = 9).
bool SectionUpload::markTouchedCards()
{
    RecordSet& cards = *m_ctx.controls.Data2.recordset();
    localfiles::Transaction tx(localfiles::connectionOf(m_file));
    bool ok = tx.isActive();
    QString error;
    QSet<QString> done;
    for (const Movement& m : std::as_const(m_confirmed)) {
        if (!ok)
            break;
        if (done.contains(m.card))
            continue;
        done.insert(m.card);
        ok = cards.findFirst(m_section.cardKey + u'=' + quoteText(m.card));
        if (ok && !cards.noMatch()) {
            ok = cards.edit() && cards.setValue(u"Yeni", 9) && cards.update();
            if (!ok)
                cards.cancelUpdate();
        }
        if (!ok)
            error = cards.lastError();
    }
    if (!ok || !tx.commit()) {
        failure(u"kartlar işaretlenemedi: %1"_s.arg(error.isEmpty() ? tx.error() : error));
        return false;
    }
    return true;
}

// The totals of the touched cards (Yeni = 9) go onto their central copies.
bool SectionUpload::sendTotals()
{
    ExchangeControls& c = m_ctx.controls;
    QString error;
    const QString branch = quoteText(m_branch);
    if (!localfiles::point(
            c.Data2, m_file,
            u"Select * From %1 Where Yeni=9 And Sube=%2"_s.arg(m_section.cards, branch), &error)) {
        failure(u"kart bakiyeleri okunamadı: %1"_s.arg(error));
        return false;
    }
    RecordSet& touched = *c.Data2.recordset();
    if (touched.eof())
        return true;
    c.Adodc1.close();
    if (stopped()) {
        // The totals go with the next run, which finds the movements by their receipts.
        m_ctx.report.setStopped();
        return false;
    }
    c.Adodc1.setRecordSource(u"Select * From %1 Where Sube=%2"_s.arg(m_section.cards, branch));
    if (!c.Adodc1.refresh() || !m_ctx.central.begin(&error)) {
        failure(u"kart bakiyeleri gönderilemedi: %1"_s.arg(error.isEmpty() ? c.Adodc1.lastError()
                                                                           : error));
        return false;
    }
    RecordSet& central = *c.Adodc1.recordset();
    bool ok = true;
    for (touched.moveFirst(); ok && !touched.eof(); touched.moveNext()) {
        const QString code = touched.value(m_section.cardKey).toString();
        if (!m_section.stock && code.startsWith(u'='))
            continue; // accounts such as "=100" keep their totals at home
        central.moveFirst();
        ok = central.findFromCurrent(m_section.cardKey + u'=' + quoteText(code));
        if (!ok)
            break;
        if (central.eof()) {
            m_ctx.report.note(
                u"Şube %1: kart %2 merkezde yok; bakiyesi gönderilmedi."_s.arg(m_branch, code));
            continue;
        }
        ok = central.edit();
        for (const QString& field : m_section.totals)
            ok = ok && central.setValue(field, touched.value(field));
        ok = ok && central.update();
        if (!ok)
            central.cancelUpdate();
    }
    if (!ok) {
        error = central.lastError();
        m_ctx.central.rollback();
    }
    if (!ok || !m_ctx.central.commit(&error)) {
        failure(u"kart bakiyeleri gönderilemedi: %1"_s.arg(error));
        return false;
    }
    return true;
}

// The touched cards get Yeni = 2 and the movements sent lose their pending mark,
// together.
bool SectionUpload::clearPending()
{
    const QSqlDatabase local = localfiles::connectionOf(m_file);
    localfiles::Transaction tx(local);
    QString error;
    bool ok = tx.isActive();
    if (RecordSet* touched = m_noCards ? nullptr : m_ctx.controls.Data2.recordset()) {
        for (touched->moveFirst(); ok && !touched->eof(); touched->moveNext()) {
            ok = touched->edit() && touched->setValue(u"Yeni", 2) && touched->update();
            if (!ok)
                error = touched->lastError();
        }
    }
    QList<uploadmarks::Pending> sent;
    for (const Movement& m : std::as_const(m_confirmed))
        sent.append(m.pending);
    ok = ok && uploadmarks::clearSent(local, m_section.movements, sent, &error) && tx.commit();
    if (!ok) {
        failure(u"gönderilen %1 işaretleri yazılamadı (bir sonraki aktarımda tamamlanır): %2"_s.arg(
            m_section.what, error.isEmpty() ? tx.error() : error));
        return false;
    }
    uploadmarks::dropReceipts(m_ctx.central.database(), m_receipts);
    return true;
}

} // namespace

void UploadMovements(ExchangeContext& ctx)
{
    QString error;
    // Without the receipts table a movement could arrive twice after a cut-off run.
    if (!readTableInfo(ctx.central.database(), u"AktarimFisleri"_s, &error)) {
        ctx.report.failure(
            u"Merkez veritabanında AktarimFisleri tablosu yok (topkar-exchange --create-central "
            "ile kurulur); hareketler gönderilmedi."_s);
        return;
    }
    const auto branches = readBranchList(ctx.settings, &error);
    if (!branches) {
        ctx.report.failure(error.isEmpty()
                               ? u"Şube listesi (Sube.txt) yok; hareketler gönderilmedi."_s
                               : u"Şube listesi okunamadı: %1"_s.arg(error));
        return;
    }
    for (const QString& branch : *branches) {
        // One upload of a branch at a time, whichever station starts it.
        const QString lock = u"topkar-upload:%1:%2"_s.arg(branch).arg(ctx.settings.serverFlag());
        if (!ctx.central.tryLock(lock)) {
            ctx.report.failure(
                u"Şube %1: başka bir aktarım bu şubeyi gönderiyor; gönderilmedi."_s.arg(branch));
            continue;
        }
        SectionUpload(ctx, branch, kAccounts).run();
        if (!ctx.host.stopRequested())
            SectionUpload(ctx, branch, kStock).run();
        ctx.central.unlock(lock);
        if (ctx.host.stopRequested())
            break;
    }
    ctx.controls.closeAll();
}
