#include "branch_folder.h"

#include "core/database_files.h"
#include "core/sequential_file.h"
#include "exchange/exchange_run.h"
#include "sql_helpers.h"

#include <QDir>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

using namespace Qt::StringLiterals;

BranchFolder::BranchFolder(const QString& path, const QString& branch) : m_branch(branch)
{
    QDir().mkpath(path);
    m_folder = QDir(path).absolutePath() + u'/';
}

ExchangeSettings BranchFolder::settings(const QString& command, bool central) const
{
    ExchangeSettings s;
    s.DataFolder = m_folder;
    s.OwnBranch = m_branch;
    s.ExchangeCommand = command;
    s.CentralStation = central;
    return s;
}

void BranchFolder::writeBranchList(const QStringList& codes, bool commas, const QString& name) const
{
    seqfile::Writer w;
    for (const QString& code : codes) {
        w.text(code);
        if (!commas)
            w.endRecord();
    }
    if (commas)
        w.endRecord();
    seqfile::writeFile(file(name), w.content());
}

qint64 BranchFolder::insert(const QString& path, const QString& table,
                            const QVariantMap& values) const
{
    QString error;
    if (!dbfiles::ensureDatabase(path, {table}, &error))
        qFatal("%s", qPrintable(error));
    QSqlQuery q(dbfiles::connection(path));
    QStringList names;
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        names.append(u'"' + it.key() + u'"');
    q.prepare(u"INSERT INTO %1 (%2) VALUES (%3)"_s.arg(
        table, names.join(u", "_s), QStringList(names.size(), u"?"_s).join(u", "_s)));
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (!q.exec())
        qFatal("%s", qPrintable(q.lastError().text()));
    return q.lastInsertId().toLongLong();
}

QList<QVariantMap> BranchFolder::rows(const QString& path, const QString& sql,
                                      const QVariantList& params) const
{
    QSqlQuery q = runSql(dbfiles::connection(path), sql, params);
    QList<QVariantMap> out;
    while (q.next()) {
        QVariantMap row;
        for (int i = 0; i < q.record().count(); ++i)
            row.insert(q.record().fieldName(i), q.value(i));
        out.append(row);
    }
    return out;
}

QVariant BranchFolder::value(const QString& path, const QString& sql,
                             const QVariantList& params) const
{
    QSqlQuery q = runSql(dbfiles::connection(path), sql, params);
    return q.next() ? q.value(0) : QVariant();
}

bool BranchFolder::exec(const QString& path, const QString& sql, const QVariantList& params) const
{
    return runSql(dbfiles::connection(path), sql, params).isActive();
}

void RecordingHost::progress(const QString& text, int value, int maximum)
{
    texts.append(text);
    if (onProgress)
        onProgress(text, value, maximum);
}

bool RecordingHost::waitForRelease()
{
    ++waits;
    return release;
}

ExchangeReport runOnce(ExchangeSettings settings, ExchangeHost& host)
{
    ExchangeControls controls;
    return runExchange(settings, controls, host);
}

ExchangeReport runOnce(ExchangeSettings settings)
{
    RecordingHost host;
    return runOnce(std::move(settings), host);
}
