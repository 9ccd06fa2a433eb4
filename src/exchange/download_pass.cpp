#include "exchange/download_pass.h"

#include "core/database_files.h"
#include "core/logging.h"
#include "core/table_schema.h"
#include "exchange/download_marks.h"
#include "exchange/local_files.h"

#include <QSqlError>
#include <QSqlQuery>

#include <memory>

using namespace Qt::StringLiterals;

namespace download {

namespace {

struct Taken
{
    int position = 0;
    qint64 id = 0;
    bool followUp = true; // posted (now or before): Nerde and Yeni follow
};

class PassRun
{
public:
    PassRun(ExchangeContext& ctx, const Pass& pass) : m_ctx(ctx), m_pass(pass) {}
    bool run();

private:
    QString lacking() const;
    bool openLocal();
    bool stopped()
    {
        m_ctx.host.yield();
        return m_ctx.host.stopRequested();
    }
    bool postGroup(RecordSet& central, const QList<Taken>& group, QList<Taken>& settled);
    bool followUp(RecordSet& central, const QList<Taken>& settled);
    bool cleanUp(RecordSet& central);
    void failure(const QString& why) { m_ctx.report.failure(u"%1: %2"_s.arg(m_pass.what, why)); }

    ExchangeContext& m_ctx;
    const Pass& m_pass;
    QList<QSqlDatabase> m_files; // connections of the pass's files (each once)
    QList<int> m_fileOf;         // pass.files[i] → m_files index
    QList<QSet<qint64>> m_noted; // notes per pass file
    QList<qint64> m_taken;       // ids taken in this pass
    int m_posted = 0;
};

QString PassRun::lacking() const
{
    QStringList why;
    for (int i = 0; i < m_pass.files.size(); ++i) {
        QString w = localfiles::lacking(m_pass.files[i], m_pass.tables.value(i));
        if (w.isEmpty()) {
            w = localfiles::lacking(m_pass.files[i], {downloadmarks::kTable});
            if (!w.isEmpty())
                w += u"; "_s + localfiles::kPrepareHint;
        }
        if (!w.isEmpty() && !why.contains(w))
            why.append(w);
    }
    return why.join(u"; "_s);
}

bool PassRun::openLocal()
{
    QString error;
    for (const QString& file : m_pass.files) {
        const QSqlDatabase db = localfiles::connectionOf(file);
        int index = -1;
        for (int i = 0; i < m_files.size(); ++i)
            if (m_files[i].connectionName() == db.connectionName())
                index = i;
        if (index < 0) {
            index = static_cast<int>(m_files.size());
            m_files.append(db);
        }
        m_fileOf.append(index);
        const auto noted = downloadmarks::noted(db, m_ctx.central.identity(), m_pass.name, &error);
        if (!noted) {
            failure(error);
            return false;
        }
        m_noted.append(*noted);
    }
    if (!m_pass.prepare(&error)) {
        failure(error);
        return false;
    }
    return true;
}

bool PassRun::run()
{
    ExchangeControls& c = m_ctx.controls;
    c.Adodc1.close();
    if (stopped())
        return false;
    c.Adodc1.setConnection(m_ctx.central.database());
    c.Adodc1.setRecordSource(m_pass.query);
    if (!c.Adodc1.refresh()) {
        failure(u"merkezden okunamadı: %1"_s.arg(c.Adodc1.lastError()));
        return false;
    }
    RecordSet& central = *c.Adodc1.recordset();
    if (!central.bof())
        central.moveLast();
    if (!central.eof())
        central.moveFirst();
    const int total = central.recordCount();
    // The branch's files as they are: what they lack is reported, never made.
    if (const QString missing = lacking(); !missing.isEmpty()) {
        c.closeAll();
        if (total == 0) {
            m_ctx.report.note(missing);
            return true;
        }
        failure(u"%1 kayıt alınamadı, merkezde bekliyor: %2"_s.arg(total).arg(missing));
        return false;
    }
    if (!openLocal()) {
        c.closeAll();
        return false;
    }
    int position = 0;
    bool finished = true;
    while (!central.eof()) {
        QList<Taken> group;
        for (; group.size() < kGroup && !central.eof(); central.moveNext())
            group.append({position++, central.bookmark().toLongLong(), true});
        QList<Taken> settled;
        if (!postGroup(central, group, settled) || !followUp(central, settled)) {
            finished = false;
            break;
        }
        for (const Taken& t : std::as_const(settled))
            m_taken.append(t.id);
        m_ctx.host.progress(
            u"Merkezden alınıyor: %1 %2/%3"_s.arg(m_pass.what).arg(position).arg(total), position,
            total);
        if (stopped()) {
            finished = false;
            break;
        }
        if (!central.setAbsolutePosition(position) && position < total) {
            failure(u"merkez kayıtlarının yeri değişti: %1"_s.arg(central.lastError()));
            finished = false;
            break;
        }
        if (position >= total)
            break;
    }
    m_ctx.report.countTaken(m_posted);
    if (!cleanUp(central))
        finished = false;
    if (finished) {
        // Every record noted is settled now: the notes have done their work.
        for (const QSqlDatabase& db : std::as_const(m_files))
            downloadmarks::dropAll(db, m_ctx.central.identity(), m_pass.name);
    }
    c.closeAll();
    qCInfo(lcExchange).noquote() << u"%1: merkezde %2, alınan %3%4"_s.arg(m_pass.what)
                                        .arg(total)
                                        .arg(m_posted)
                                        .arg(finished ? QString() : u", yarım kaldı"_s);
    return finished;
}

bool PassRun::postGroup(RecordSet& central, const QList<Taken>& group, QList<Taken>& settled)
{
    std::vector<std::unique_ptr<localfiles::Transaction>> txs;
    for (const QSqlDatabase& db : std::as_const(m_files)) {
        txs.push_back(std::make_unique<localfiles::Transaction>(db));
        if (!txs.back()->isActive()) {
            failure(u"şube dosyasına yazılamıyor: %1"_s.arg(txs.back()->error()));
            return false;
        }
    }
    QString error;
    QList<Taken> posted;
    for (const Taken& t : group) {
        if (!central.setAbsolutePosition(t.position) || central.bookmark().toLongLong() != t.id) {
            failure(u"merkez kaydı okunamadı: %1"_s.arg(central.lastError()));
            return false;
        }
        QList<bool> done;
        bool all = true;
        for (int i = 0; i < m_pass.files.size(); ++i) {
            done.append(m_noted[i].contains(t.id));
            all = all && done.last();
        }
        if (all) {
            posted.append(t); // posted by a run that was cut off
            continue;
        }
        for (auto& tx : txs)
            tx->mark();
        Outcome outcome = m_pass.post(central, done);
        if (outcome.result == Result::Posted) {
            for (int i = 0; i < m_pass.files.size() && outcome.result == Result::Posted; ++i)
                if (!done[i] && !downloadmarks::note(m_files[m_fileOf[i]], m_ctx.central.identity(),
                                                     m_pass.name, t.id, &error))
                    outcome = {Result::Failed, error};
        }
        if (outcome.result == Result::Failed) {
            for (auto& tx : txs)
                tx->dropMarked();
            failure(outcome.reason);
            // The sets may hold rows of the posting just dropped: read them again.
            if (!m_pass.prepare(&error)) {
                failure(error);
                return false;
            }
            continue;
        }
        for (auto& tx : txs)
            tx->keepMarked();
        if (outcome.result == Result::Posted)
            ++m_posted;
        posted.append({t.position, t.id, outcome.result == Result::Posted});
    }
    // The main file (with its notes) commits last; each file's own notes keep a file
    // that committed from being written twice.
    for (auto it = txs.rbegin(); it != txs.rend(); ++it) {
        if (!(*it)->commit()) {
            failure(u"şube dosyasına yazılamadı: %1"_s.arg((*it)->error()));
            m_pass.prepare(&error);
            return false;
        }
    }
    for (const Taken& t : std::as_const(posted))
        for (int i = 0; i < m_pass.files.size(); ++i)
            m_noted[i].insert(t.id);
    settled = posted;
    return true;
}

// The central records just posted: Nerde "F" and Yeni 2 move on, in one transaction.
bool PassRun::followUp(RecordSet& central, const QList<Taken>& settled)
{
    QString error;
    if (!m_ctx.central.begin(&error)) {
        failure(u"merkezde işaretlenemedi: %1"_s.arg(error));
        return false;
    }
    for (const Taken& t : settled) {
        if (!t.followUp)
            continue;
        if (!central.setAbsolutePosition(t.position) || central.bookmark().toLongLong() != t.id) {
            error = central.lastError();
            break;
        }
        const bool nerde =
            !m_pass.nerdeTo.isEmpty() && central.value(u"Nerde").toString() == u"F"_s;
        const bool waiting = m_pass.keepWaiting && central.value(u"Yeni").toLongLong() == 2;
        if (!nerde && !waiting)
            continue;
        bool ok = central.edit();
        if (nerde)
            ok = ok && central.setValue(u"Nerde", m_pass.nerdeTo);
        if (waiting)
            ok = ok && central.setValue(u"Yeni", 3);
        if (!(ok && central.update())) {
            error = central.lastError();
            central.cancelUpdate();
            break;
        }
    }
    if (!error.isEmpty() || !m_ctx.central.commit(&error)) {
        m_ctx.central.rollback();
        failure(u"merkezde işaretlenemedi (bir sonraki aktarımda tamamlanır): %1"_s.arg(error));
        return false;
    }
    return true;
}

// Removes the taken records whose Yeni is below 3; records that were not posted stay.
bool PassRun::cleanUp(RecordSet& central)
{
    if (m_taken.isEmpty())
        return true;
    QString error;
    const auto info = readTableInfo(m_ctx.central.database(), central.schema().table, &error);
    if (!info || !m_ctx.central.begin(&error)) {
        failure(u"merkezden silinemedi: %1"_s.arg(error));
        return false;
    }
    constexpr qsizetype kPerStatement = 500;
    for (qsizetype from = 0; from < m_taken.size(); from += kPerStatement) {
        const QList<qint64> part = m_taken.mid(from, kPerStatement);
        QSqlQuery q(m_ctx.central.database());
        q.prepare(u"DELETE FROM %1 WHERE %2 IN (%3) AND \"Yeni\" < 3"_s.arg(
            jetsql::quoteIdentifier(info->schema.table), info->keyExpression,
            QStringList(part.size(), u"?"_s).join(u", "_s)));
        for (const qint64 id : part)
            q.addBindValue(id);
        if (!q.exec()) {
            error = q.lastError().text();
            m_ctx.central.rollback();
            failure(u"merkezden silinemedi (bir sonraki aktarımda tamamlanır): %1"_s.arg(error));
            return false;
        }
    }
    if (!m_ctx.central.commit(&error)) {
        failure(u"merkezden silinemedi (bir sonraki aktarımda tamamlanır): %1"_s.arg(error));
        return false;
    }
    return true;
}

} // namespace

bool run(ExchangeContext& ctx, const Pass& pass)
{
    return PassRun(ctx, pass).run();
}

} // namespace download
