#pragma once

#include "exchange/exchange_host.h"
#include "exchange/exchange_report.h"
#include "exchange/exchange_settings.h"

#include <QSqlDatabase>
#include <QStringList>
#include <QVariantList>

#include <functional>

// A host that counts its waits before the download and can act on the progress (to
// cut a run short or to add a movement in the middle of an upload).
class RecordingHost : public ExchangeHost
{
public:
    void progress(const QString& text, int value, int maximum) override
    {
        if (onProgress)
            onProgress(text, value, maximum);
    }
    bool waitForRelease() override { return ++waits > 0; }

    int waits = 0;
    std::function<void(const QString& text, int value, int maximum)> onProgress;
};

// A database as a test sees it through plain SQL, independent of the exchange: one
// SQLite file of a station (its tables made on the first insert into them), or the
// central server (CentralServer).
class TestDatabase
{
public:
    explicit TestDatabase(const QString& file) : m_file(file) {}
    virtual ~TestDatabase() = default;
    QString file() const { return m_file; }

    QList<QVariantList> rows(const QString& sql, const QVariantList& params = {}) const;
    QVariantList row(const QString& sql, const QVariantList& params = {}) const
    {
        return rows(sql, params).value(0);
    }
    QVariant value(const QString& sql, const QVariantList& params = {}) const
    {
        return row(sql, params).value(0);
    }
    // The rows of the table that meet the condition; -1 when the query fails.
    int count(const QString& table, const QString& where = {}) const;
    bool exec(const QString& sql, const QVariantList& params = {}) const;
    // Inserts rows: the columns comma-separated, each row's values in that order.
    bool insert(const QString& table, const QString& columns,
                const QList<QVariantList>& rows) const;

protected:
    TestDatabase() = default;
    virtual QSqlDatabase connection() const;

private:
    QString m_file;
};

// A station's data folder for a test.
class BranchFolder
{
public:
    BranchFolder(const QString& path, const QString& branch);

    QString dataFolder() const { return m_folder; }
    QString file(const QString& name) const { return m_folder + name; }
    TestDatabase accounts() const
    {
        return TestDatabase(file(m_branch + QStringLiteral("Cari.Mdb")));
    }
    TestDatabase stock() const { return TestDatabase(file(m_branch + QStringLiteral("Stok.Mdb"))); }
    TestDatabase company() const { return TestDatabase(file(QStringLiteral("01Cari.Mdb"))); }

    ExchangeSettings settings(const QString& command = {}, bool central = false) const;
    // One exchange run of this station as the window runs it.
    ExchangeReport run(const QString& command = {}, bool central = false) const;
    ExchangeReport run(ExchangeHost& host, const QString& command = {}, bool central = false) const;
    // Sube.txt with the codes, one per line, Windows-1254.
    void writeBranchList(const QStringList& codes) const;

private:
    QString m_folder;
    QString m_branch;
};

// True when the run finished its work; otherwise prints its summary.
bool finished(const ExchangeReport& report);
// True when the run did not finish and a failure names the text.
bool failedOn(const ExchangeReport& report, const QString& text);
