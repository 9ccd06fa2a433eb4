#pragma once

#include "exchange/exchange_host.h"
#include "exchange/exchange_report.h"
#include "exchange/exchange_settings.h"

#include <QStringList>
#include <QVariantMap>

#include <functional>

// A station's data folder for a test, with helpers to put rows into its files and
// read them back (plain SQL on the SQLite files, independent of the exchange).
class BranchFolder
{
public:
    BranchFolder(const QString& path, const QString& branch);

    QString dataFolder() const { return m_folder; }
    QString branch() const { return m_branch; }
    QString file(const QString& name) const { return m_folder + name; }
    QString accounts() const { return file(m_branch + QStringLiteral("Cari.Mdb")); }
    QString stock() const { return file(m_branch + QStringLiteral("Stok.Mdb")); }
    QString company() const { return file(QStringLiteral("01Cari.Mdb")); }

    ExchangeSettings settings(const QString& command = {}, bool central = false) const;
    // Sube.txt with the codes, one per line (or comma-separated), Windows-1254.
    void writeBranchList(const QStringList& codes, bool commas = false,
                         const QString& name = QStringLiteral("Sube.txt")) const;

    // Inserts a row (the table is made when the file lacks it); its row key.
    qint64 insert(const QString& path, const QString& table, const QVariantMap& values) const;
    QList<QVariantMap> rows(const QString& path, const QString& sql,
                            const QVariantList& params = {}) const;
    QVariant value(const QString& path, const QString& sql, const QVariantList& params = {}) const;
    bool exec(const QString& path, const QString& sql, const QVariantList& params = {}) const;

private:
    QString m_folder;
    QString m_branch;
};

// A host that keeps the progress texts and can act on them (to cut a run short or to
// add a movement in the middle of an upload).
class RecordingHost : public ExchangeHost
{
public:
    void progress(const QString& text, int value, int maximum) override;
    bool waitForRelease() override;

    QStringList texts;
    int waits = 0;
    bool release = true;
    std::function<void(const QString& text, int value, int maximum)> onProgress;
};

// One exchange run as the window would run it.
ExchangeReport runOnce(ExchangeSettings settings, ExchangeHost& host);
ExchangeReport runOnce(ExchangeSettings settings);
