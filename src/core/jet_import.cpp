#include "core/jet_import.h"

#include "core/database_files.h"
#include "core/jet_sql.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryFile>

#include <filesystem>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

namespace jetimport {

namespace {

Result refused(const QString& message, Status status = Status::Refused)
{
    Result r;
    r.status = status;
    r.message = message;
    return r;
}

Result failed(const QString& message)
{
    Result r;
    r.status = Status::Failed;
    r.message = message;
    return r;
}

// A value as the station's files store it: dates as "yyyy-MM-dd" or
// "yyyy-MM-dd HH:mm:ss", booleans as 0/1.
QVariant storedValue(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::QDateTime: {
        const QDateTime dt = v.toDateTime();
        return dt.time() == QTime(0, 0) ? dt.date().toString(Qt::ISODate)
                                        : dt.toString(u"yyyy-MM-dd HH:mm:ss"_s);
    }
    case QMetaType::Bool:
        return v.toBool() ? 1 : 0;
    default:
        return v;
    }
}

class Copy
{
public:
    Copy(jet::File& source, const QString& path, const Progress& progress)
        : m_source(source), m_progress(progress)
    {
        static int serial = 0;
        m_name = u"topkar-import-%1"_s.arg(++serial);
        m_db = QSqlDatabase::addDatabase(u"QSQLITE"_s, m_name);
        m_db.setDatabaseName(path);
    }
    ~Copy()
    {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
    }

    // Copies the tables; false and *error on the first failure.
    bool run(const QStringList& tables, bool station, Result& result, QString* error)
    {
        if (!m_db.open())
            return fail(error, m_db.lastError().text());
        QString why;
        if (!dbfiles::registerFunctions(m_db, &why))
            return fail(error, why);
        // A new private file that is renamed into place when complete: no journal.
        for (const QString& pragma : {u"PRAGMA journal_mode = OFF"_s, u"PRAGMA synchronous = OFF"_s,
                                      u"PRAGMA locking_mode = EXCLUSIVE"_s})
            QSqlQuery(m_db).exec(pragma);
        if (!m_db.transaction())
            return fail(error, m_db.lastError().text());
        for (const QString& table : tables) {
            qint64 rows = 0;
            if (!copyTable(table, station, &rows, &result.notes, error))
                return false;
            ++result.tables;
            result.rows += rows;
            if (m_progress)
                m_progress(table, rows);
        }
        if (!m_db.commit())
            return fail(error, m_db.lastError().text());
        m_db.close();
        return true;
    }

    // Whether the last failure was the source's (a table that cannot be read whole).
    bool sourceFault() const { return m_sourceFault; }

private:
    static bool fail(QString* error, const QString& why)
    {
        *error = why;
        return false;
    }

    bool sourceFailed(QString* error)
    {
        m_sourceFault = true;
        return fail(error, m_source.errorString());
    }

    bool exec(QSqlQuery& q, const QString& sql, QString* error)
    {
        if (q.exec(sql))
            return true;
        return fail(error, u"%1 (%2)"_s.arg(q.lastError().text(), sql));
    }

    bool copyTable(const QString& table, bool station, qint64* rows, QStringList* notes,
                   QString* error)
    {
        const QList<jet::Column> columns = m_source.columns(table);
        if (columns.isEmpty())
            return sourceFailed(error);
        const QString quoted = jetsql::quoteIdentifier(table);
        QStringList definitions, marks;
        for (const jet::Column& c : columns) {
            definitions.append(jetsql::quoteIdentifier(c.name) + u' ' + jet::sqliteType(c.type));
            marks.append(u"?"_s);
        }
        QSqlQuery q(m_db);
        if (!exec(q, u"CREATE TABLE %1 (%2)"_s.arg(quoted, definitions.join(u", "_s)), error))
            return false;
        if (!q.prepare(u"INSERT INTO %1 VALUES (%2)"_s.arg(quoted, marks.join(u','))))
            return fail(error, q.lastError().text());
        QString insertError;
        const bool read = m_source.readRows(table, [&](const QVariantList& values) {
            for (int i = 0; i < values.size(); ++i)
                q.bindValue(i, storedValue(values.at(i)));
            if (!q.exec()) {
                insertError = q.lastError().text();
                return false;
            }
            ++*rows;
            return true;
        });
        if (!insertError.isEmpty())
            return fail(error, insertError);
        if (!read)
            return sourceFailed(error);
        if (station)
            return addStationSchema(table, columns, notes, error);
        return true;
    }

    // The columns the station needs that the old table lacks, then its indexes.
    bool addStationSchema(const QString& table, const QList<jet::Column>& columns,
                          QStringList* notes, QString* error)
    {
        const QStringList statements = dbfiles::tableStatements(table);
        if (statements.isEmpty())
            return true;
        QSqlQuery q(m_db);
        for (const auto& [name, definition] : dbfiles::columnDefinitions(statements.first())) {
            const bool have =
                std::any_of(columns.begin(), columns.end(), [&](const jet::Column& c) {
                    return c.name.compare(name, Qt::CaseInsensitive) == 0;
                });
            if (!have && !exec(q,
                               u"ALTER TABLE %1 ADD COLUMN %2"_s.arg(jetsql::quoteIdentifier(table),
                                                                     definition),
                               error))
                return false;
        }
        for (const QString& statement : statements.mid(1)) {
            if (q.exec(statement))
                continue;
            // Old rows that share a value a unique index would refuse are all kept;
            // the index is made without the uniqueness and the operator told.
            const QString plain =
                QString(statement).replace(u"CREATE UNIQUE INDEX"_s, u"CREATE INDEX"_s);
            if (plain == statement || !exec(q, plain, error))
                return plain == statement ? fail(error, q.lastError().text()) : false;
            notes->append(u"'%1' tablosunda aynı değeri taşıyan satırlar var; hepsi aktarıldı, "
                          "dizin benzersizlik koşulu olmadan kuruldu: %2"_s.arg(table, plain));
        }
        return true;
    }

    jet::File& m_source;
    const Progress& m_progress;
    QString m_name;
    QSqlDatabase m_db;
    bool m_sourceFault = false;
};

} // namespace

bool syncFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return false;
#ifdef Q_OS_WIN
    return _commit(file.handle()) == 0;
#else
    return ::fsync(file.handle()) == 0;
#endif
}

bool isStationDatabase(const QString& target)
{
    static const QRegularExpression names(u"^(kumas|\\d*cari|\\d*stok)\\.mdb$"_s,
                                          QRegularExpression::CaseInsensitiveOption);
    return names.match(QFileInfo(target).fileName()).hasMatch();
}

Result importFile(const QString& source, const QString& target, const Options& options,
                  const Progress& progress)
{
    const QFileInfo sourceInfo(source);
    const QFileInfo targetInfo(target);
    const QString sourceName = QDir::toNativeSeparators(sourceInfo.absoluteFilePath());
    const QString targetName = QDir::toNativeSeparators(targetInfo.absoluteFilePath());
    if (targetInfo.exists() && sourceInfo.exists() &&
        targetInfo.canonicalFilePath() == sourceInfo.canonicalFilePath())
        return refused(u"Kaynak ve hedef aynı dosya: %1"_s.arg(sourceName));
    if (targetInfo.isDir())
        return refused(u"Hedef bir klasör: %1"_s.arg(targetName));
    if (targetInfo.exists() && !options.replace)
        return refused(u"Hedef dosya zaten var: %1"_s.arg(targetName), Status::TargetExists);
    if (!targetInfo.dir().exists())
        return failed(u"Hedef klasör bulunamadı: %1"_s.arg(
            QDir::toNativeSeparators(targetInfo.absolutePath())));

    jet::File file;
    if (!file.open(source, options.codePage))
        return failed(u"Kaynak dosya okunamadı: %1: %2"_s.arg(sourceName, file.errorString()));
    QStringList tables = file.tableNames();
    for (const QString& wanted : options.tables)
        if (!tables.contains(wanted, Qt::CaseInsensitive))
            return failed(
                u"Kaynak dosya okunamadı: %1: '%2' tablosu yok"_s.arg(sourceName, wanted));
    if (!options.tables.isEmpty())
        tables.removeIf(
            [&](const QString& t) { return !options.tables.contains(t, Qt::CaseInsensitive); });

    QTemporaryFile temp(targetInfo.absoluteFilePath() + u".import-XXXXXX"_s);
    if (!temp.open())
        return failed(u"Hedef dosya yazılamadı: %1: %2"_s.arg(targetName, temp.errorString()));
    temp.close();

    Result result;
    {
        Copy copy(file, temp.fileName(), progress);
        QString error;
        if (!copy.run(tables, isStationDatabase(target), result, &error))
            return failed(copy.sourceFault()
                              ? u"Kaynak dosya okunamadı: %1: %2"_s.arg(sourceName, error)
                              : u"Hedef dosya yazılamadı: %1: %2"_s.arg(targetName, error));
    }
    if (!syncFile(temp.fileName()))
        return failed(u"Hedef dosya yazılamadı: %1: diske yazılamadı"_s.arg(targetName));
    if (targetInfo.exists() && !options.replace)
        return refused(u"Hedef dosya zaten var: %1"_s.arg(targetName), Status::TargetExists);
    std::error_code ec;
    std::filesystem::rename(QFile::encodeName(temp.fileName()).toStdString(),
                            QFile::encodeName(targetInfo.absoluteFilePath()).toStdString(), ec);
    if (ec)
        return failed(u"Hedef dosya yazılamadı: %1: %2"_s.arg(
            targetName, QString::fromLocal8Bit(ec.message().c_str())));
    temp.setAutoRemove(false);
    result.status = Status::Done;
    return result;
}

} // namespace jetimport
