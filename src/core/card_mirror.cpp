#include "core/card_mirror.h"

#include "core/data_control.h"
#include "core/database_files.h"
#include "core/jet_import.h"
#include "core/settings_store.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <filesystem>

using namespace Qt::StringLiterals;

CardMirror::CardMirror(const QString& jetFile, const QString& table, DataControl& data)
    : m_jetFile(QFileInfo(jetFile).absoluteFilePath()), m_table(table), m_copy(copyPath(jetFile)),
      m_data(data)
{
    m_data.setDatabaseName(m_copy);
}

QString CardMirror::copyPath(const QString& jetFile)
{
    const QFileInfo jet(jetFile);
    // Each Jet file its own folder: another data folder's copy is never shown.
    const QByteArray key =
        QCryptographicHash::hash(jet.absoluteFilePath().toUtf8(), QCryptographicHash::Sha1)
            .toHex()
            .left(12);
    return settings::programFolder() + u"/Kart-kopyalari/"_s + QString::fromLatin1(key) + u'/' +
           jet.fileName();
}

bool CardMirror::update(bool typing)
{
    if (typing && m_lastCheck.isValid() && !m_lastCheck.hasExpired(kTypingInterval))
        return false;
    m_lastCheck.start();
    const QFileInfo source(m_jetFile);
    if (source.size() == m_size && source.lastModified() == m_time && m_problem.isEmpty())
        return false;
    return rebuild();
}

bool CardMirror::rebuild()
{
    const QFileInfo source(m_jetFile);
    const qint64 size = source.size();
    const QDateTime time = source.lastModified();
    const QString kept =
        QFileInfo::exists(m_copy) ? u"Son okunan kartlar gösteriliyor."_s : u"Kart listesi boş."_s;
    const auto fail = [&](const QString& why) {
        m_problem = why + u". "_s + kept;
        return false;
    };
    const QFileInfo copy(m_copy);
    if (!QDir().mkpath(copy.absolutePath()))
        return fail(
            u"%1 klasörü yaratılamadı"_s.arg(QDir::toNativeSeparators(copy.absolutePath())));
    // The new copy is made under the copy's own name (which gives it the station's
    // indexes) in a folder beside it, and renamed onto it when whole.
    QTemporaryDir staging(copy.absolutePath() + u"/.yeni-XXXXXX"_s);
    const QString fresh = staging.filePath(copy.fileName());
    const jetimport::Result made =
        jetimport::importFile(m_jetFile, fresh, {jet::kDefaultCodePage, false, {m_table}});
    if (made.status != jetimport::Status::Done)
        return fail(made.message + u" (muhasebe programı dosyayı yazıyor olabilir)"_s);

    const bool reading = m_data.recordset() != nullptr;
    m_data.close();
    dbfiles::close(m_copy);
    std::error_code ec;
    std::filesystem::rename(QFile::encodeName(fresh).toStdString(),
                            QFile::encodeName(m_copy).toStdString(), ec);
    // The set that was being read is opened again, on the new copy or on the old one.
    const bool reopened = !reading || m_data.refresh();
    if (ec)
        return fail(u"%1: %2"_s.arg(QDir::toNativeSeparators(m_copy),
                                    QString::fromLocal8Bit(ec.message().c_str())));
    if (!reopened)
        return fail(
            u"%1 açılamadı: %2"_s.arg(QDir::toNativeSeparators(m_copy), m_data.lastError()));
    m_size = size;
    m_time = time;
    m_problem.clear();
    return true;
}
