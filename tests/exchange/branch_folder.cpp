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

QList<QVariantList> TestDatabase::rows(const QString& sql, const QVariantList& params) const
{
    QSqlQuery q = runSql(connection(), sql, params);
    QList<QVariantList> out;
    while (q.next()) {
        QVariantList row;
        for (int i = 0; i < q.record().count(); ++i)
            row.append(q.value(i));
        out.append(row);
    }
    return out;
}

int TestDatabase::count(const QString& table, const QString& where) const
{
    bool ok = false;
    const int n = value(u"SELECT COUNT(*) FROM \"%1\"%2"_s.arg(
                            table, where.isEmpty() ? u""_s : u" WHERE "_s + where))
                      .toInt(&ok);
    return ok ? n : -1;
}

bool TestDatabase::exec(const QString& sql, const QVariantList& params) const
{
    return runSql(connection(), sql, params).isActive();
}

bool TestDatabase::insert(const QString& table, const QString& columns,
                          const QList<QVariantList>& rows) const
{
    QString error;
    if (!m_file.isEmpty() && !dbfiles::ensureDatabase(m_file, {table}, &error)) {
        qWarning("%s", qPrintable(error));
        return false;
    }
    QStringList names = columns.split(u',');
    for (QString& name : names)
        name = u'"' + name.trimmed() + u'"';
    const QString sql = u"INSERT INTO \"%1\" (%2) VALUES (%3)"_s.arg(
        table, names.join(u", "_s), QStringList(names.size(), u"?"_s).join(u", "_s));
    bool ok = true;
    for (const QVariantList& values : rows)
        ok = exec(sql, values) && ok;
    return ok;
}

QSqlDatabase TestDatabase::connection() const
{
    return dbfiles::connection(m_file);
}

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

ExchangeReport BranchFolder::run(ExchangeHost& host, const QString& command, bool central) const
{
    ExchangeSettings s = settings(command, central);
    ExchangeControls controls;
    return runExchange(s, controls, host);
}

ExchangeReport BranchFolder::run(const QString& command, bool central) const
{
    RecordingHost host;
    return run(host, command, central);
}

void BranchFolder::writeBranchList(const QStringList& codes) const
{
    seqfile::Writer w;
    for (const QString& code : codes) {
        w.text(code);
        w.endRecord();
    }
    seqfile::writeFile(file(u"Sube.txt"_s), w.content());
}

bool finished(const ExchangeReport& report)
{
    if (!report.complete())
        qWarning("%s", qPrintable(report.summary()));
    return report.complete();
}

bool failedOn(const ExchangeReport& report, const QString& text)
{
    return !report.complete() && report.failures().join(u' ').contains(text);
}
