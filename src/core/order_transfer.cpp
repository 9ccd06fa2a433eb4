#include "core/order_transfer.h"

#include "core/database_files.h"
#include "core/record_set.h"

#include <QDir>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

using namespace Qt::StringLiterals;

namespace ordertransfer {
namespace {

constexpr int kBatch = 2000; // rows held back for one multi-row statement

qint64 countRows(const QSqlDatabase& db, const QString& table, QString* error)
{
    QSqlQuery q(db);
    if (!q.exec(u"SELECT COUNT(*) FROM %1"_s.arg(table)) || !q.next()) {
        *error = q.lastError().text();
        return -1;
    }
    return q.value(0).toLongLong();
}

} // namespace

Result copyToServer(const QString& file, const QSqlDatabase& server, bool append,
                    const std::function<void(qint64, qint64)>& progress)
{
    Result r;
    QString error;
    const auto refuse = [&r](const QString& why) {
        r.message = u"Siparişler sunucuya aktarılmadı: %1"_s.arg(why);
        return r;
    };
    const QSqlDatabase source = dbfiles::connection(file, &error);
    if (!source.isValid())
        return refuse(error);
    const qint64 total = countRows(source, u"Siparis"_s, &error);
    const qint64 before = countRows(server, u"\"Siparis\""_s, &error);
    if (total < 0 || before < 0)
        return refuse(error);
    if (before > 0 && !append)
        return refuse(u"sunucudaki sipariş tablosunda zaten %1 satır var (eklemek için "
                      u"--append)."_s.arg(before));
    auto from = RecordSet::open(source, u"Siparis"_s, &error);
    QSqlDatabase target = server;
    if (!from || !target.transaction())
        return refuse(from ? target.lastError().text() : error);
    auto to = RecordSet::open(target, u"Siparis"_s, &error);
    if (!to) {
        target.rollback();
        return refuse(error);
    }
    to->setBatchUpdates(true);
    const QStringList names = from->fieldNames();
    qint64 done = 0;
    bool ok = true;
    for (from->moveFirst(); ok && !from->eof(); from->moveNext()) {
        to->addNew();
        for (const QString& name : names)
            ok = ok && (from->value(name).isNull() || to->setValue(name, from->value(name)));
        ok = ok && to->update();
        if (ok && ++done % kBatch == 0) {
            ok = to->updateBatch();
            if (progress)
                progress(done, total);
        }
    }
    ok = ok && to->updateBatch();
    error = ok ? QString() : to->lastError();
    if (!ok || !target.commit()) {
        target.rollback();
        return refuse(u"%1. satırda: %2"_s.arg(done + 1).arg(
            error.isEmpty() ? target.lastError().text() : error));
    }
    if (progress)
        progress(done, total);
    const qint64 after = countRows(server, u"\"Siparis\""_s, &error);
    r.copied = done;
    r.ok = done == total && after == before + done;
    r.message =
        r.ok
            ? u"%1 sipariş satırı sunucuya aktarıldı; sunucuda şimdi %2 satır var."_s.arg(done).arg(
                  after)
            : u"Sayım tutmuyor: dosyada %1 satır, aktarılan %2, sunucuda önce %3 şimdi "
              u"%4 satır."_s.arg(total)
                  .arg(done)
                  .arg(before)
                  .arg(after);
    return r;
}

} // namespace ordertransfer
