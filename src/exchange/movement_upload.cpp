#include "exchange/movement_upload.h"

#include "core/field_value.h"
#include "core/jet_sql.h"
#include "core/logging.h"
#include "core/settings_store.h"
#include "core/table_schema.h"
#include "exchange/branch_list.h"
#include "exchange/field_copy.h"
#include "exchange/local_files.h"
#include "exchange/read_ahead.h"
#include "exchange/row_inserter.h"
#include "exchange/sqlite_statement.h"
#include "exchange/upload_marks.h"

#include <QFileInfo>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

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

// One pending movement read from the branch file, with the values its central row
// gets.
struct Movement
{
    uploadmarks::Pending pending;
    QString card;        // the card the movement belongs to
    QVariantList values; // per planned central column, as the column stores it
    QString refused;     // why a value does not convert (the movement is not sent)
    QString id;          // DigerId
    // An account invoice (Nerde has "FI"): its account and side.
    bool invoice = false;
    bool debit = false;
    QString code;
};

// Movements read from the branch file and marked there, in key order: those still
// pending (with their marks), and the marks an earlier run had given some of them.
struct MarkedWindow
{
    QList<Movement> marked;
    QStringList known;
};

// The copy of a branch movement into its central table, planned once per table: the
// grid's fields under their central names, then the fields the upload sets itself.
struct CopyPlan
{
    // What the upload puts into a central column.
    enum class Role
    {
        Copied, // the branch field as it is
        Server, // who sent it
        State,  // Yeni: 3 from a terminal, else 0
        WithW   // a stock id, copied with one trailing "W"
    };
    QStringList columns;             // central names, in the order of the values
    QList<jetsql::ColumnKind> kinds; // central kinds
    QList<Role> roles;
    QList<int> sources;                    // branch column per value (-1: none)
    QList<jetsql::ColumnKind> sourceKinds; // branch kinds
    // Values (central) and branch columns (-1: none) an invoice is known by.
    int code = -1, id = -1, debit = -1, credit = -1;
    int branchCode = -1, branchId = -1, branchDebit = -1, branchWhere = -1;
    int indexOf(const QString& column) const
    {
        for (int i = 0; i < columns.size(); ++i)
            if (columns[i].compare(column, Qt::CaseInsensitive) == 0)
                return i;
        return -1;
    }
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
    bool planCopy(QString* error);
    std::optional<MarkedWindow> readAndMark(const QSqlDatabase& local, QString* error);
    bool readWindow(const QSqlDatabase& local, QList<Movement>& window, QString* error);
    void convert(const SqliteStatement& q, Movement& m) const;
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
    bool findCentral(QSqlQuery& q, const QString& fields, const QString& criterion,
                     const QString& tail, QString* error) const;
    bool writeOne(const Movement& m, QString* error);
    bool overwriteInvoice(const Movement& m, bool* done, QString* error);
    void refuse(const Movement& m, const QString& why);
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
    // Reading the pending movements straight from the branch file, in key order up to
    // the last movement there was when the upload began (on the reading thread).
    jetsql::TableSchema m_branchSchema;
    jetsql::Sql m_pendingWhere;
    qint64 m_lastKey = 0;
    qint64 m_maxKey = 0;
    CopyPlan m_plan;
    jetsql::TableSchema m_centralSchema;
    QString m_centralKey;
    std::optional<RowInserter> m_insert;
    QList<Movement> m_confirmed; // in the central database (sent now or before)
    void confirm(Movement m)
    {
        m.values.clear(); // only the key, mark and card are needed from here on
        m_confirmed.append(std::move(m));
    }
    QStringList m_receipts; // receipts of the confirmed movements
    // Receipts are kept apart per table and per side that sends (a branch's own
    // station and the central station may both send for the same branch).
    QString receiptTable() const
    {
        return m_section.movements + u'/' + QString::number(m_ctx.settings.serverFlag());
    }
    // Invoice keys (account, side, id) of this group: rows held for the next insert,
    // rows written or overwritten by the group, and rows found in the central table
    // when the group began. Only an invoice whose key is among them needs a search.
    QSet<QString> m_held;
    QSet<QString> m_written;
    QSet<QString> m_existing;
    static QString invoiceKey(const QString& code, bool debit, const QString& id)
    {
        return code + (debit ? u"\x1fB\x1f"_s : u"\x1fA\x1f"_s) + id;
    }
    // The invoice keys a central row with these values can be found under.
    void noteKeys(const QVariantList& values, QSet<QString>& keys) const;
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
    if (!planCopy(&error)) {
        failure(u"%1 %2 gönderilemedi: %3"_s.arg(m_total).arg(m_section.what, error));
        return false;
    }
    return true;
}

bool SectionUpload::planCopy(QString* error)
{
    m_branchSchema = m_pending->schema();
    const auto central = readTableInfo(m_ctx.central.database(), m_section.movements, error);
    if (!central)
        return false;
    m_centralSchema = central->schema;
    m_centralKey = central->keyExpression;
    for (const QString& field : fieldcopy::gridFields(*m_pending)) {
        const int source = m_branchSchema.indexOf(field);
        const int target = m_centralSchema.indexOf(fieldcopy::centralName(field));
        if (source < 0 || target < 0 || m_plan.indexOf(m_centralSchema.columns[target].name) >= 0)
            continue; // a field the central table lacks is not sent
        m_plan.columns.append(m_centralSchema.columns[target].name);
        m_plan.kinds.append(m_centralSchema.columns[target].kind);
        m_plan.sources.append(source);
        m_plan.sourceKinds.append(m_branchSchema.columns[source].kind);
    }
    QStringList own = {u"Server"_s, u"Yeni"_s};
    if (m_section.stock)
        own << u"DigerId"_s << u"SeriNoDiger"_s;
    for (const QString& field : std::as_const(own)) {
        if (m_plan.indexOf(field) >= 0)
            continue;
        const jetsql::Column* column = m_centralSchema.find(field);
        if (!column) {
            *error = u"merkezdeki %1 tablosunda %2 alanı yok"_s.arg(m_section.movements, field);
            return false;
        }
        m_plan.columns.append(column->name);
        m_plan.kinds.append(column->kind);
        m_plan.sources.append(-1);
        m_plan.sourceKinds.append(column->kind);
    }
    for (const QString& column : std::as_const(m_plan.columns)) {
        using Role = CopyPlan::Role;
        const auto is = [&](const QString& name) {
            return column.compare(name, Qt::CaseInsensitive) == 0;
        };
        m_plan.roles.append(is(u"Server"_s) ? Role::Server
                            : is(u"Yeni"_s) ? Role::State
                            : m_section.stock && (is(u"DigerId"_s) || is(u"SeriNoDiger"_s))
                                ? Role::WithW
                                : Role::Copied);
    }
    m_plan.code = m_plan.indexOf(u"CariHarKod"_s);
    m_plan.id = m_plan.indexOf(u"DigerId"_s);
    m_plan.debit = m_plan.indexOf(u"Borc"_s);
    m_plan.credit = m_plan.indexOf(u"Alacak"_s);
    m_plan.branchCode = m_branchSchema.indexOf(u"CariHarKod");
    m_plan.branchId = m_branchSchema.indexOf(u"DigerId");
    m_plan.branchDebit = m_branchSchema.indexOf(u"Borc");
    m_plan.branchWhere = m_branchSchema.indexOf(u"Nerde");
    m_insert.emplace(m_ctx.central.database(), m_centralSchema.table, m_plan.columns);

    // The pending movements as Data1 holds them, read straight from the file.
    const auto where =
        jetsql::parseCriterion(u"Yeni>0 And Sube=%1"_s.arg(quoteText(m_branch)), error);
    const auto sql = where
                         ? jetsql::translate(*where, m_branchSchema, jetsql::Dialect::SQLite, error)
                         : std::nullopt;
    if (!sql)
        return false;
    m_pendingWhere = *sql;
    QSqlQuery q(localfiles::connectionOf(m_file));
    q.setForwardOnly(true);
    if (!q.exec(u"SELECT MAX(rowid) FROM "_s + jetsql::quoteIdentifier(m_branchSchema.table))) {
        *error = q.lastError().text();
        return false;
    }
    m_maxKey = q.next() ? q.value(0).toLongLong() : 0;
    return true;
}

// The next movements (up to kMarkWindow) after the last one read.
bool SectionUpload::readWindow(const QSqlDatabase& local, QList<Movement>& window, QString* error)
{
    QStringList columns;
    for (const jetsql::Column& c : std::as_const(m_branchSchema.columns))
        columns.append(jetsql::quoteIdentifier(c.name));
    SqliteStatement q(local,
                      u"SELECT rowid, %1 FROM %2 WHERE (%3) AND rowid > ? AND rowid <= ? "
                      "ORDER BY rowid LIMIT ?"_s.arg(columns.join(u", "_s),
                                                     jetsql::quoteIdentifier(m_branchSchema.table),
                                                     m_pendingWhere.text));
    int param = 0;
    for (const QVariant& p : std::as_const(m_pendingWhere.params))
        q.bind(++param, p);
    q.bind(++param, m_lastKey);
    q.bind(++param, m_maxKey);
    q.bind(++param, qint64{kMarkWindow});
    const int mark = m_branchSchema.indexOf(uploadmarks::kColumn);
    const int card = m_branchSchema.indexOf(m_section.movementKey);
    while (q.next()) {
        Movement m;
        m.pending.key = q.value(0).toLongLong();
        m.pending.mark = q.value(1 + mark).toString();
        if (card >= 0)
            m.card = fieldvalue::fromStorage(m_branchSchema.columns[card].kind, q.value(1 + card))
                         .toString();
        convert(q, m);
        window.append(m);
        m_lastKey = m.pending.key;
    }
    if (!q.error().isEmpty()) {
        *error = q.error();
        return false;
    }
    return true;
}

// The values of the movement's central row, as the central columns store them: the
// copied fields, then the ones the upload sets (sender, state, the stock ids' "W").
void SectionUpload::convert(const SqliteStatement& q, Movement& m) const
{
    const auto branchValue = [&](int i) {
        return i < 0 ? QVariant()
                     : fieldvalue::fromStorage(m_branchSchema.columns[i].kind, q.value(1 + i));
    };
    m.values.reserve(m_plan.columns.size());
    for (int i = 0; i < m_plan.columns.size(); ++i) {
        QVariant value;
        if (const int source = m_plan.sources[i]; source >= 0)
            value = fieldvalue::fromStorage(m_plan.sourceKinds[i], q.value(1 + source));
        switch (m_plan.roles[i]) {
        case CopyPlan::Role::Copied:
            break;
        case CopyPlan::Role::Server:
            value = m_ctx.settings.serverFlag();
            break;
        case CopyPlan::Role::State:
            value = m_terminal ? 3 : 0;
            break;
        case CopyPlan::Role::WithW: {
            // As the central column stores the copied id, with one trailing "W".
            const auto stored =
                fieldvalue::toStorage(m_plan.kinds[i], value, jetsql::Dialect::PostgreSQL);
            value = withW(stored ? fieldvalue::fromStorage(m_plan.kinds[i], *stored) : value);
            break;
        }
        }
        QString reason;
        const auto stored =
            fieldvalue::toStorage(m_plan.kinds[i], value, jetsql::Dialect::PostgreSQL, &reason);
        if (!stored && m.refused.isEmpty())
            m.refused = u"'%1' alanına '%2' yazılamadı: %3"_s.arg(m_plan.columns[i],
                                                                  fieldvalue::text(value), reason);
        m.values.append(stored.value_or(QVariant()));
    }
    m.id = branchValue(m_plan.branchId).toString();
    if (!m_section.stock && branchValue(m_plan.branchWhere).toString().contains(u"FI"_s)) {
        m.invoice = true;
        m.debit = branchValue(m_plan.branchDebit).toDouble() != 0;
        m.code = branchValue(m_plan.branchCode).toString();
    }
}

void SectionUpload::noteKeys(const QVariantList& values, QSet<QString>& keys) const
{
    const auto value = [&](int i) { return i < 0 ? QVariant() : values[i]; };
    const QString code = value(m_plan.code).toString();
    const QString id = value(m_plan.id).toString();
    if (value(m_plan.debit).toDouble() != 0)
        keys.insert(invoiceKey(code, true, id));
    if (value(m_plan.credit).toDouble() != 0)
        keys.insert(invoiceKey(code, false, id));
}

// The movements that are in the central database so far (their group committed).
void SectionUpload::showProgress()
{
    const int done = static_cast<int>(m_confirmed.size());
    m_ctx.host.progress(m_section.progress + m_branch + u'/' + QString::number(done), done,
                        m_total);
}

void SectionUpload::refuse(const Movement& m, const QString& why)
{
    ++m_failed;
    failure(u"%1 (%2 %3, DigerId %4) gönderilemedi: %5"_s.arg(m_section.what, m_section.movementKey,
                                                              m.card, m.id, why));
}

// Runs on the reading thread, ahead of the sending: the next window of pending
// movements, each given its mark in the branch file before anything of it reaches
// the central database. Nothing at the end, or nothing and *error.
std::optional<MarkedWindow> SectionUpload::readAndMark(const QSqlDatabase& local, QString* error)
{
    QList<Movement> window;
    if (!readWindow(local, window, error)) {
        *error = u"şube dosyası okunamadı: %1"_s.arg(*error);
        return std::nullopt;
    }
    if (window.isEmpty())
        return std::nullopt;
    QList<uploadmarks::Pending> rows;
    rows.reserve(window.size());
    for (const Movement& m : std::as_const(window))
        rows.append(m.pending);
    const auto marks = uploadmarks::markMovements(local, m_section.movements, rows, error);
    if (!marks) {
        *error = u"şube dosyasına yazılamadı: %1"_s.arg(*error);
        return std::nullopt;
    }
    MarkedWindow out;
    for (Movement& m : window) {
        if (!marks->contains(m.pending.key))
            continue; // deleted or sent by another run meanwhile
        if (!m.pending.mark.isEmpty())
            out.known.append(m.pending.mark);
        m.pending.mark = marks->value(m.pending.key);
        out.marked.append(std::move(m));
    }
    return out;
}

// The branch file is read and marked on a thread of its own while the movements read
// before go to the central database, one group per central transaction.
SectionUpload::Sent SectionUpload::sendAll()
{
    ExchangeControls& c = m_ctx.controls;
    c.Adodc1.setConnection(m_ctx.central.database());
    c.Adodc1.setRecordSource(u"Select * From "_s + m_section.movements);
    QString error;
    ReadAhead<MarkedWindow> reader(m_file, [this](const QSqlDatabase& local, QString* why) {
        return readAndMark(local, why);
    });
    for (;;) {
        std::optional<MarkedWindow> window = reader.next(&error);
        if (!window) {
            if (error.isEmpty())
                break;
            failure(u"%1 %2 gönderilemedi: %3"_s.arg(unsent()).arg(m_section.what, error));
            return Sent::Stopped;
        }
        QList<Movement>& marked = window->marked;
        // Marks given by an earlier run may have arrived already: those movements are
        // in the central database and are not sent again.
        const auto receipted = uploadmarks::receiptsFor(m_ctx.central.database(), m_branch,
                                                        receiptTable(), window->known, &error);
        if (!receipted) {
            failure(u"%1 %2 gönderilemedi: %3"_s.arg(unsent()).arg(m_section.what, error));
            return Sent::Stopped;
        }
        m_receipts.append(receipted->keys);
        QList<Movement> toSend;
        for (Movement& m : marked) {
            if (receipted->marks.contains(m.pending.mark))
                confirm(std::move(m));
            else if (!m.refused.isEmpty())
                refuse(m, m.refused);
            else
                toSend.append(std::move(m));
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
        refuse(group.first(), error);
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
    m_held.clear();
    m_written.clear();
    m_insert->clear();
    if (!m_ctx.central.begin(error))
        return false;
    const auto fail = [&] {
        m_insert->clear();
        m_ctx.central.rollback();
        return false;
    };
    if (!m_section.stock && !lookUpInvoices(group, error))
        return fail();
    QStringList marks;
    for (const Movement& m : group) {
        if (!writeOne(m, error))
            return fail();
        marks.append(m.pending.mark);
    }
    if (!m_insert->flush(error))
        return fail();
    const auto receipt =
        uploadmarks::writeReceipt(m_ctx.central.database(), marks, m_branch, receiptTable(), error);
    if (!receipt)
        return fail();
    if (!m_ctx.central.commit(error))
        return false;
    m_receipts.append(*receipt);
    for (const Movement& m : group)
        confirm(m);
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
    // Only the four fields the key is made of are read, forward only.
    const QString fields = [&] {
        QStringList names;
        for (const QString& field : {u"CariHarKod"_s, u"DigerId"_s, u"Borc"_s, u"Alacak"_s}) {
            const jetsql::Column* column = m_centralSchema.find(field);
            names.append(jetsql::quoteIdentifier(column ? column->name : field));
        }
        return names.join(u", "_s);
    }();
    auto readPart = [&]() {
        if (terms.isEmpty())
            return true;
        QSqlQuery found(m_ctx.central.database());
        const bool ok = findCentral(found, fields, terms.join(u" Or "_s), {}, error);
        terms.clear();
        if (!ok)
            return false;
        while (found.next()) {
            const QString code = found.value(0).toString();
            const QString id = found.value(1).toString();
            if (found.value(2).toDouble() != 0)
                m_existing.insert(invoiceKey(code, true, id));
            if (found.value(3).toDouble() != 0)
                m_existing.insert(invoiceKey(code, false, id));
        }
        return true;
    };
    for (const Movement& m : group) {
        if (!m.invoice || asked.contains(invoiceKey(m.code, true, m.id)))
            continue;
        asked.insert(invoiceKey(m.code, true, m.id));
        terms.append(u"(CariHarKod=%1 And DigerId=%2)"_s.arg(quoteText(m.code), quoteText(m.id)));
        if (terms.size() == 200 && !readPart())
            return false;
    }
    return readPart();
}

// Writes the movement into the central table: added, or for an invoice already there,
// overwritten.
bool SectionUpload::writeOne(const Movement& m, QString* error)
{
    if (!m_section.stock && m.invoice) {
        // Rows still held are written first when one of them could be the invoice, so
        // that the search sees it.
        const QString key = invoiceKey(m.code, m.debit, m.id);
        if (m_held.contains(key)) {
            if (!m_insert->flush(error))
                return false;
            m_written.unite(m_held);
            m_held.clear();
        }
        if (m_existing.contains(key) || m_written.contains(key)) {
            bool done = false;
            if (!overwriteInvoice(m, &done, error))
                return false;
            if (done)
                return true;
        }
    }
    if (!m_section.stock)
        noteKeys(m.values, m_held);
    if (!m_insert->add(m.values, error))
        return false;
    if (m_insert->held() == 0) { // the held rows went in
        m_written.unite(m_held);
        m_held.clear();
    }
    return true;
}

// Runs "SELECT fields FROM" the central movements "WHERE" the criterion (as the old
// engine reads it) followed by tail, forward only.
bool SectionUpload::findCentral(QSqlQuery& q, const QString& fields, const QString& criterion,
                                const QString& tail, QString* error) const
{
    const auto parsed = jetsql::parseCriterion(criterion, error);
    const auto where =
        parsed ? jetsql::translate(*parsed, m_centralSchema, jetsql::Dialect::PostgreSQL, error)
               : std::nullopt;
    if (!where)
        return false;
    q.setForwardOnly(true);
    q.prepare(u"SELECT %1 FROM %2 WHERE %3%4"_s.arg(
        fields, jetsql::quoteIdentifier(m_centralSchema.table), where->text, tail));
    for (const QVariant& p : where->params)
        q.addBindValue(p);
    if (q.exec())
        return true;
    *error = q.lastError().text();
    return false;
}

// An invoice sent before is found by account, side and id, and overwritten: the first
// central row, in key order, of the account and side with the id. *done is false
// when there is none.
bool SectionUpload::overwriteInvoice(const Movement& m, bool* done, QString* error)
{
    QSqlQuery find(m_ctx.central.database());
    if (!findCentral(
            find, m_centralKey,
            u"CariHarKod=%1 And %2 And DigerId=%3"_s.arg(
                quoteText(m.code), m.debit ? u"Borc<>0"_s : u"Alacak<>0"_s, quoteText(m.id)),
            u" ORDER BY "_s + m_centralKey + u" LIMIT 1"_s, error))
        return false;
    if (!find.next())
        return true;
    const QVariant row = find.value(0);
    find.finish();
    QStringList sets;
    for (const QString& column : std::as_const(m_plan.columns))
        sets.append(jetsql::quoteIdentifier(column) + u" = ?"_s);
    const QString table = jetsql::quoteIdentifier(m_centralSchema.table);
    QSqlQuery update(m_ctx.central.database());
    update.prepare(u"UPDATE %1 SET %2 WHERE %3 = ?"_s.arg(table, sets.join(u", "_s), m_centralKey));
    for (const QVariant& v : m.values)
        update.addBindValue(v);
    update.addBindValue(row);
    if (!update.exec()) {
        *error = update.lastError().text();
        return false;
    }
    noteKeys(m.values, m_written);
    *done = true;
    return true;
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
