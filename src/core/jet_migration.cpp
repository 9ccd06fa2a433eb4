#include "core/jet_migration.h"

#include "core/database_files.h"
#include "core/jet_import.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <filesystem>

using namespace Qt::StringLiterals;

namespace jetmigration {

namespace {

Result failed(const QString& why)
{
    Result r;
    r.message = u"Siparişler aktarılamadı: %1"_s.arg(why);
    return r;
}

bool renameOnto(const QString& from, const QString& to, QString* error)
{
    std::error_code ec;
    std::filesystem::rename(QFile::encodeName(from).toStdString(),
                            QFile::encodeName(to).toStdString(), ec);
    if (ec)
        *error = QString::fromLocal8Bit(ec.message().c_str());
    return !ec;
}

// A copy with the same bytes and modification time, written under a temporary name,
// put on the disk and only then given its name.
bool keepCopy(const QString& source, const QString& target, QString* error)
{
    QFile in(source);
    QFile out(target + u".part"_s);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly)) {
        *error = in.isOpen() ? out.errorString() : in.errorString();
        return false;
    }
    QByteArray chunk;
    while (!(chunk = in.read(1 << 20)).isEmpty()) {
        if (out.write(chunk) != chunk.size()) {
            *error = out.errorString();
            out.remove();
            return false;
        }
    }
    out.close();
    const bool whole = in.error() == QFileDevice::NoError && out.size() == in.size();
    if (!whole || !jetimport::syncFile(out.fileName())) {
        *error = whole ? u"diske yazılamadı"_s : in.errorString();
        out.remove();
        return false;
    }
    out.open(QIODevice::Append);
    out.setFileTime(QFileInfo(in).lastModified(), QFileDevice::FileModificationTime);
    out.close();
    if (!renameOnto(out.fileName(), target, error)) {
        out.remove();
        return false;
    }
    return true;
}

// A folder of its own for this move under Jet-yedek, named by the time.
QString keptFolder(const QDir& data, const QDateTime& when)
{
    const QString base =
        QLatin1String(kKeptFolder) + u'/' + when.toString(u"yyyy-MM-dd_HH-mm-ss"_s);
    QString name = base;
    for (int n = 2; data.exists(name); ++n)
        name = base + u'-' + QString::number(n);
    return data.mkpath(name) ? data.filePath(name) : QString();
}

} // namespace

bool ordersInJetFile(const QString& folder)
{
    return jet::isJetFile(QDir(folder).filePath(QLatin1String(dbfiles::kOrders)));
}

Result moveOrders(const QString& folder, const QDateTime& when)
{
    const QDir data(folder);
    const QString orders = data.filePath(QLatin1String(dbfiles::kOrders));
    if (!jet::isJetFile(orders))
        return failed(u"%1 bir Jet (Access) dosyası değil"_s.arg(QDir::toNativeSeparators(orders)));

    // The new file is made under its own name in a private folder beside Kumas.Mdb, so
    // that it gets the station's indexes and can be renamed onto it at the end.
    QTemporaryDir staging(data.filePath(u".Kumas-aktarim-XXXXXX"_s));
    if (!staging.isValid())
        return failed(staging.errorString());
    const QString fresh = staging.filePath(QLatin1String(dbfiles::kOrders));
    Result result;
    const jetimport::Result imported =
        jetimport::importFile(orders, fresh, {}, [&](const QString& table, qint64 rows) {
            if (table.compare(u"Siparis"_s, Qt::CaseInsensitive) == 0)
                result.orderRows = rows;
        });
    if (imported.status != jetimport::Status::Done)
        return failed(imported.message);

    const QString kept = keptFolder(data, when);
    if (kept.isEmpty())
        return failed(u"%1 klasörü yaratılamadı"_s.arg(
            QDir::toNativeSeparators(data.filePath(QLatin1String(kKeptFolder)))));
    result.keptFile = QDir(kept).filePath(QLatin1String(dbfiles::kOrders));
    QString error;
    if (!keepCopy(orders, result.keptFile, &error)) {
        QDir().rmdir(kept);
        return failed(u"%1: %2"_s.arg(QDir::toNativeSeparators(result.keptFile), error));
    }
    if (!renameOnto(fresh, orders, &error)) {
        QFile::remove(result.keptFile);
        QDir().rmdir(kept);
        return failed(u"%1: %2"_s.arg(QDir::toNativeSeparators(orders), error));
    }
    result.ok = true;
    result.tables = imported.tables;
    result.rows = imported.rows;
    result.notes = imported.notes;
    return result;
}

QString report(const Result& result)
{
    if (!result.ok)
        return result.message;
    QString text = u"Siparişler aktarıldı: %1 satır (%2 tablo, toplam %3 satır). Eski Jet "
                   "dosyası değiştirilmeden saklandı: %4"_s.arg(result.orderRows)
                       .arg(result.tables)
                       .arg(result.rows)
                       .arg(QDir::toNativeSeparators(result.keptFile));
    for (const QString& note : result.notes)
        text += u"\n"_s + note;
    return text;
}

} // namespace jetmigration
