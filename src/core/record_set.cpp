#include "core/record_set.h"

#include "core/field_value.h"
#include "core/logging.h"
#include "core/sqlite_values.h"
#include "core/table_schema.h"

#include <QDateTime>
#include <QMetaMethod>
#include <QSet>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlResult>

#include <algorithm>

#include <sqlite3.h>

using namespace Qt::StringLiterals;
using jetsql::quoteIdentifier;

namespace {
constexpr int kChunk = RowCache::kChunkRows;
constexpr int kKeysPerQuery = 500; // keys listed in one "IN (…)"; drivers limit parameters
// Values in one multi-row INSERT of held rows. PostgreSQL's client library refuses a
// parameter description above 30000 bytes (4 bytes a parameter), so stay well below.
constexpr int kParamsPerInsert = 6000;
constexpr int kRowsPerInsert = 500;
constexpr int kMaxStatements = 64; // prepared statements a connection keeps for reuse

QString keyText(const QVariant& key)
{
    return key.toString();
}

// The prepared statements of one connection by their text, shared by every set on it.
// Sets of the same shape are opened again and again with only their values changed
// (the rolls of the order under the grid's current row, at every move), and preparing
// their statements anew would cost the engine a parse each time and a server extra
// round trips. A kept statement is run afresh at every read, so it never gives old
// rows. The cache is a child of the connection's driver: it goes with the driver, and
// closing the connection leaves its statements unusable, which the readers notice and
// prepare again.
class StatementCache : public QObject
{
public:
    static QHash<QString, QSqlQuery>& of(const QSqlDatabase& db)
    {
        QSqlDriver* driver = db.driver();
        auto* cache = dynamic_cast<StatementCache*>(
            driver->findChild<QObject*>(kName, Qt::FindDirectChildrenOnly));
        if (!cache) {
            cache = new StatementCache(driver);
            cache->setObjectName(kName);
        }
        return cache->m_statements;
    }

private:
    static constexpr QLatin1StringView kName{"topkar-statements"};
    using QObject::QObject;
    QHash<QString, QSqlQuery> m_statements;
};

// Record sources translated, by connection and shape (jetsql::shapeOf): the grid's
// current row opens the rolls of its order at every move, with a source that differs
// from the last one only in the order number, which then needs neither parsing nor
// translating. A translation is kept only when its quoted texts went into it as
// parameters alone, and is used only against the same table layout.
struct Translation
{
    jetsql::Source source; // without its condition, which is in where
    jetsql::TableSchema schema;
    QString keyExpr;
    jetsql::Sql where;
    jetsql::TextUse use;
    QString order, reversed;
};
constexpr int kMaxTranslations = 64;

QHash<QString, Translation>& translations()
{
    thread_local QHash<QString, Translation> kept;
    return kept;
}

bool sameLayout(const jetsql::TableSchema& a, const jetsql::TableSchema& b)
{
    if (a.table != b.table || a.columns.size() != b.columns.size())
        return false;
    for (qsizetype i = 0; i < a.columns.size(); ++i) {
        const jetsql::Column& x = a.columns[i];
        const jetsql::Column& y = b.columns[i];
        if (x.name != y.name || x.kind != y.kind || x.turkish != y.turkish)
            return false;
    }
    return true;
}

// The engine's own handle of a statement that Qt's SQLite driver prepared; null when
// the driver let go of it (its connection closed).
sqlite3_stmt* engineStatement(const QSqlQuery& q)
{
    const QVariant v = q.result() ? q.result()->handle() : QVariant();
    if (!v.isValid() || qstrcmp(v.typeName(), "sqlite3_stmt*") != 0)
        return nullptr;
    return *static_cast<sqlite3_stmt* const*>(v.constData());
}

void bindAll(QSqlQuery& q, const QVariantList& params)
{
    for (const QVariant& p : params)
        q.addBindValue(p);
}
} // namespace

RecordSet::~RecordSet() = default;

std::unique_ptr<RecordSet> RecordSet::open(const QSqlDatabase& db, const QString& source,
                                           QString* error)
{
    std::unique_ptr<RecordSet> rs(new RecordSet);
    rs->m_db = db;
    rs->m_dialect = dialectOf(db);
    if (!rs->prepare(source, error))
        return nullptr;
    // Stand on the first row, if there is one.
    if (const RecordRow* first = rs->rowAt(0))
        rs->setCurrent(0, *first);
    else if (!rs->m_error.isEmpty()) {
        if (error)
            *error = rs->m_error;
        return nullptr;
    }
    return rs;
}

bool RecordSet::prepare(const QString& source, QString* error)
{
    auto fails = [error](const QString& message) {
        if (error)
            *error = message;
        return false;
    };
    m_sourceText = source;
    const auto shape = jetsql::shapeOf(source);
    const QString shapeKey = shape ? m_db.connectionName() + u'\x1f' +
                                         QString::number(static_cast<int>(m_dialect)) + u'\x1f' +
                                         shape->key
                                   : QString();
    auto& kept = translations();
    bool known = false;
    if (const auto it = shape ? kept.constFind(shapeKey) : kept.cend(); it != kept.cend()) {
        const auto info = readTableInfo(m_db, it->source.table, error);
        if (!info)
            return false;
        if (info->keyExpression == it->keyExpr && sameLayout(info->schema, it->schema)) {
            m_source = it->source;
            m_schema = info->schema;
            m_keyExpr = info->keyExpression;
            m_where = jetsql::rebind(it->where, it->use, shape->texts);
            m_order = it->order;
            m_orderReversed = it->reversed;
            known = true;
        }
    }
    if (!known) {
        auto parsed = jetsql::parseSource(source, error);
        if (!parsed)
            return false;
        m_source = *parsed;
        const auto info = readTableInfo(m_db, m_source.table, error);
        if (!info)
            return false;
        m_schema = info->schema;
        m_keyExpr = info->keyExpression;
        jetsql::TextUse use;
        if (m_source.where) {
            const auto where = jetsql::translate(*m_source.where, m_schema, m_dialect, error, &use);
            if (!where)
                return false;
            m_where = *where;
            m_source.where = nullptr; // setFilter() reads it again from the text
        }
        const auto order = jetsql::orderBy(m_source, m_schema, m_dialect, m_keyExpr, false, error);
        const auto reversed =
            jetsql::orderBy(m_source, m_schema, m_dialect, m_keyExpr, true, error);
        if (!order || !reversed)
            return false;
        m_order = *order;
        m_orderReversed = *reversed;
        if (shape && !use.byValue) {
            if (kept.size() >= kMaxTranslations)
                kept.clear();
            kept.insert(shapeKey,
                        {m_source, m_schema, m_keyExpr, m_where, use, m_order, m_orderReversed});
        }
    }

    // Rows that other stations add after this moment stay out of the set until it is
    // read again, so the places of its rows do not shift under the operator. On a
    // server the boundary comes with the first rows read, saving a round trip.
    m_boundaryPending = true;
    if (m_dialect == jetsql::Dialect::SQLite && !readBoundary())
        return fails(m_error);
    return true;
}

bool RecordSet::readBoundary() const
{
    m_boundaryPending = false;
    QSqlQuery* q =
        run(u"SELECT MAX(%1) FROM %2"_s.arg(m_keyExpr, quoteIdentifier(m_schema.table)), {});
    if (!q)
        return false;
    if (q->next() && !q->value(0).isNull())
        m_maxKey = q->value(0);
    q->finish();
    return true;
}

const QVariant& RecordSet::maxKey() const
{
    if (m_boundaryPending)
        readBoundary();
    return m_maxKey;
}

// The set's first rows together with its boundary, in one statement: the boundary and
// the rows below it are read at the same moment. Each row carries the boundary, and the
// rows come straight from an index on the sort field. The limit is written into the
// text: with it as a parameter the server plans the statement anew at every read. A set
// without rows gets its boundary from a second form of the statement, which gives one
// row of nulls then (its rows would cost the server a second sort, so it is kept for
// that case).
std::optional<QList<RecordRow>> RecordSet::selectFirstWithBoundary(int offset) const
{
    const QString table = quoteIdentifier(m_schema.table);
    const QString where = m_where.text.isEmpty() ? QString() : m_where.text + u" AND "_s;
    const QString max = u"(SELECT MAX(%1) FROM %2)"_s.arg(m_keyExpr, table);
    const QString limit = u" LIMIT %1 OFFSET %2"_s.arg(kChunk).arg(offset);
    QVariant boundary;
    auto rows =
        select(u"SELECT %1 AS \"__max\", %2 AS \"__key\", * FROM %3 WHERE %4%2 <= %1 %5"_s.arg(
                   max, m_keyExpr, table, where, m_order) +
                   limit,
               m_where.params, nullptr, &boundary);
    if (rows && rows->isEmpty())
        rows = select(u"SELECT b.\"__max\", t.* FROM (SELECT MAX(%1) AS \"__max\" FROM %2) AS b "_s
                      u"LEFT JOIN LATERAL (SELECT %1 AS \"__key\", * FROM %2 WHERE %3%1 <= "_s
                      u"b.\"__max\" %4"_s.arg(m_keyExpr, table, where, m_order) +
                          limit + u") AS t ON true "_s + m_order,
                      m_where.params, nullptr, &boundary);
    if (rows) {
        m_boundaryPending = false;
        if (!boundary.isNull())
            m_maxKey = boundary;
    }
    return rows;
}

bool RecordSet::fail(const QString& message) const
{
    qCDebug(lcDatabase).noquote() << m_schema.table << message;
    m_error = message;
    return false;
}

QStringList RecordSet::fieldNames() const
{
    QStringList names;
    for (const jetsql::Column& c : m_schema.columns)
        names.append(c.name);
    return names;
}

// ------------------------------------------------------------------ SQL

QString RecordSet::baseWhere(QVariantList& params) const
{
    const QVariant& max = maxKey();
    QStringList parts;
    if (!m_where.text.isEmpty()) {
        parts.append(m_where.text);
        params.append(m_where.params);
    }
    if (max.isValid()) {
        parts.append(m_keyExpr + u" <= ?"_s);
        params.append(max);
    } else {
        parts.append(u"1 = 0"_s); // the table was empty when the set was read
    }
    // Rows this set added that fall below the boundary (rare: reused keys).
    QStringList low;
    for (const QVariant& k : m_added)
        if (max.isValid() && k.toLongLong() <= max.toLongLong()) {
            low.append(u"?"_s);
            params.append(k);
        }
    if (!low.isEmpty())
        parts.append(m_keyExpr + u" NOT IN ("_s + low.join(u", "_s) + u')');
    return u"WHERE "_s + parts.join(u" AND "_s);
}

QSqlQuery* RecordSet::statement(const QString& sql) const
{
    QHash<QString, QSqlQuery>& statements = StatementCache::of(m_db);
    auto it = statements.find(sql);
    if (it != statements.end())
        return &*it;
    if (statements.size() >= kMaxStatements)
        statements.clear();
    QSqlQuery q(m_db);
    // Qt's PostgreSQL driver reads a forward-only statement a row at a time, with a
    // result of its own for every row; the sets read a chunk of rows at most, which is
    // cheaper taken whole in one result.
    q.setForwardOnly(m_db.driverName() != u"QPSQL"_s);
    if (!q.prepare(sql)) {
        fail(q.lastError().text());
        return nullptr;
    }
    return &*statements.insert(sql, q);
}

QSqlQuery* RecordSet::run(const QString& sql, const QVariantList& params) const
{
    QString error;
    for (int attempt = 0; attempt < 2; ++attempt) {
        QSqlQuery* q = statement(sql);
        if (!q)
            return nullptr;
        for (int i = 0; i < params.size(); ++i)
            q->bindValue(i, params[i]);
        if (q->exec())
            return q;
        // A statement kept from before may have been dropped by the engine (after a
        // change of the table, a closed connection, or by the driver at a
        // transaction's end): prepare it once more.
        error = q->lastError().text();
        StatementCache::of(m_db).remove(sql);
    }
    fail(error);
    return nullptr;
}

std::optional<QList<RecordRow>> RecordSet::select(const QString& sql, const QVariantList& params,
                                                  QList<int>* positions, QVariant* boundary) const
{
    // With positions wanted, the first column holds each row's place in the set; with
    // the boundary wanted, the first column holds it.
    const int firstColumn = positions || boundary ? 1 : 0;
    QList<RecordRow> rows;
    const auto& cols = m_schema.columns;
    const auto take = [&](const auto& column) {
        RecordRow row;
        if (positions)
            positions->append(column(0).toInt());
        if (boundary)
            *boundary = column(0);
        row.key = column(firstColumn);
        if (row.key.isNull())
            return; // the row of nulls of a set without rows
        row.values.reserve(cols.size());
        for (int i = 0; i < cols.size(); ++i)
            row.values.append(fieldvalue::fromStorage(cols[i].kind, column(firstColumn + 1 + i)));
        rows.append(std::move(row));
    };
    if (m_dialect == jetsql::Dialect::SQLite)
        return selectFromEngine(sql, params, rows, take);
    QSqlQuery* q = run(sql, params);
    if (!q)
        return std::nullopt;
    while (q->next())
        take([q](int i) { return q->value(i); });
    // Let go of the result, so that the statement holds no lock between reads.
    q->finish();
    return rows;
}

// SQLite: the rows straight from the engine's statement. Qt's driver would turn every
// field into UTF-16 inside the engine, then into a value of its own, and keep a copy of
// the row, which cost more than reading the row; Qt still prepares and keeps the
// statement (and lets go of it when its connection closes).
template <typename Take>
std::optional<QList<RecordRow>>
RecordSet::selectFromEngine(const QString& sql, const QVariantList& params, QList<RecordRow>& rows,
                            const Take& take) const
{
    QString error;
    for (int attempt = 0; attempt < 2; ++attempt) {
        QSqlQuery* q = statement(sql);
        if (!q)
            return std::nullopt;
        sqlite3_stmt* s = engineStatement(*q);
        int rc = s ? SQLITE_OK : SQLITE_MISUSE;
        if (s) {
            sqlite3_reset(s);
            sqlite3_clear_bindings(s);
            for (int i = 0; i < params.size() && rc == SQLITE_OK; ++i)
                rc = sqlitevalues::bind(s, i + 1, params[i]);
            if (rc == SQLITE_OK) {
                while ((rc = sqlite3_step(s)) == SQLITE_ROW)
                    take([s](int i) { return sqlitevalues::column(s, i); });
            }
            if (rc != SQLITE_DONE)
                error = QString::fromUtf8(sqlite3_errmsg(sqlite3_db_handle(s)));
            // Let go of the result, so that the statement holds no lock between reads.
            sqlite3_reset(s);
            sqlite3_clear_bindings(s);
        }
        if (rc == SQLITE_DONE)
            return std::move(rows);
        rows.clear();
        // As in run(): a kept statement may be gone with its connection; prepare again.
        StatementCache::of(m_db).remove(sql);
    }
    fail(error.isEmpty() ? u"Deyim hazırlanamadı"_s : error);
    return std::nullopt;
}

std::optional<QList<RecordRow>> RecordSet::selectBase(const QString& extraWhere,
                                                      const QVariantList& extraParams,
                                                      const QString& order, int limit,
                                                      int offset) const
{
    QVariantList params;
    QString where = baseWhere(params);
    if (!extraWhere.isEmpty()) {
        where += u" AND "_s + extraWhere;
        params.append(extraParams);
    }
    QString sql = u"SELECT %1 AS \"__key\", * FROM %2 %3 %4"_s.arg(
        m_keyExpr, quoteIdentifier(m_schema.table), where, order);
    if (limit >= 0) {
        sql += u" LIMIT ? OFFSET ?"_s;
        params << limit << offset;
    }
    return select(sql, params);
}

std::optional<RecordRow> RecordSet::rowByKey(const QVariant& key) const
{
    const auto rows = select(u"SELECT %1 AS \"__key\", * FROM %2 WHERE %1 = ?"_s.arg(
                                 m_keyExpr, quoteIdentifier(m_schema.table)),
                             {key});
    if (!rows || rows->isEmpty())
        return std::nullopt;
    return rows->first();
}

// The set's rows numbered in their order: "__pos" (0-based), "__key", then the fields.
QString RecordSet::rowNumberQuery(QVariantList& params) const
{
    const QString where = baseWhere(params);
    return u"SELECT * FROM (SELECT ROW_NUMBER() OVER (%1) - 1 AS \"__pos\", %2 AS \"__key\", * "_s
           "FROM %3 %4) AS numbered"_s.arg(m_order, m_keyExpr, quoteIdentifier(m_schema.table),
                                           where);
}

// ------------------------------------------------------------------ positions

int RecordSet::baseCount()
{
    if (m_baseCount)
        return *m_baseCount;
    QVariantList params;
    const QString table = quoteIdentifier(m_schema.table);
    QString sql;
    if (m_where.text.isEmpty() && maxKey().isValid() &&
        std::none_of(m_added.cbegin(), m_added.cend(), [this](const QVariant& k) {
            return k.toLongLong() <= maxKey().toLongLong();
        })) {
        // The whole table up to the boundary: the table's own count, which the engine
        // takes from its smallest index, less the few rows added since. Counting with
        // the boundary as a condition reads every row (a second and more at a million).
        sql = u"SELECT (SELECT COUNT(*) FROM %1) - (SELECT COUNT(*) FROM %1 WHERE %2 > ?)"_s.arg(
            table, m_keyExpr);
        params.append(maxKey());
    } else {
        sql = u"SELECT COUNT(*) FROM %1 %2"_s.arg(table, baseWhere(params));
    }
    QSqlQuery* q = run(sql, params);
    if (!q || !q->next()) {
        if (q)
            fail(q->lastError().text());
        return 0;
    }
    m_baseCount = q->value(0).toInt();
    q->finish();
    return *m_baseCount;
}

// The rows that come after (or before) the given row in the set's order, as conditions
// an index can seek to, in the order their rows come: reading the next screenful of a
// large set then costs the same wherever it stands. Only for orders on at most one
// field (and the key). Nulls sort first in ascending order.
std::optional<QList<jetsql::Sql>> RecordSet::seekConditions(const RecordRow& row, bool after) const
{
    if (m_source.order.size() > 1)
        return std::nullopt;
    const bool ascending =
        m_source.order.isEmpty() ? after : (m_source.order[0].descending != after);
    const QString keyAfter = m_keyExpr + (ascending ? u" > ?"_s : u" < ?"_s);
    if (m_source.order.isEmpty())
        return QList<jetsql::Sql>{{keyAfter, {row.key}}};
    const int i = m_schema.indexOf(m_source.order[0].field);
    if (i < 0)
        return std::nullopt;
    const jetsql::Column& col = m_schema.columns[i];
    const QString c = quoteIdentifier(col.name);
    const bool keyed = jetsql::keyedOnServer(&col, m_dialect);
    const QString k = keyed ? jetsql::turkishKey(c) : c;
    const QString p = keyed ? jetsql::turkishKey(u"?"_s) : u"?"_s;
    const QString coll =
        (m_dialect == jetsql::Dialect::SQLite && col.kind == jetsql::ColumnKind::Text)
            ? u" COLLATE "_s + QLatin1String(jetsql::kCollation)
            : QString();
    const jetsql::Sql nulls{u"%1 IS NULL"_s.arg(c), {}};
    const jetsql::Sql notNull{u"%1 IS NOT NULL"_s.arg(c), {}};
    const QVariant v = row.values[i];
    if (v.isNull()) {
        const jetsql::Sql sameNull{u"%1 IS NULL AND %2"_s.arg(c, keyAfter), {row.key}};
        return ascending ? QList<jetsql::Sql>{sameNull, notNull} : QList<jetsql::Sql>{sameNull};
    }
    const QVariant stored = fieldvalue::toStorage(col.kind, v, m_dialect).value_or(v);
    const jetsql::Sql range{ascending
                                ? u"%1 >= %4%2 AND (%1 > %4%2 OR %3)"_s.arg(k, coll, keyAfter, p)
                                : u"%1 <= %4%2 AND (%1 < %4%2 OR %3)"_s.arg(k, coll, keyAfter, p),
                            {stored, stored, row.key}};
    return ascending ? QList<jetsql::Sql>{range} : QList<jetsql::Sql>{range, nulls};
}

std::optional<QList<RecordRow>> RecordSet::seek(const RecordRow& from, bool after, int count) const
{
    const auto conditions = seekConditions(from, after);
    if (!conditions)
        return std::nullopt;
    QList<RecordRow> rows;
    for (const jetsql::Sql& c : *conditions) {
        const auto part = selectBase(c.text, c.params, after ? m_order : m_orderReversed,
                                     count - static_cast<int>(rows.size()), 0);
        if (!part)
            return std::nullopt;
        rows += *part;
        if (rows.size() >= count)
            break;
    }
    if (!after)
        std::reverse(rows.begin(), rows.end());
    return rows;
}

bool RecordSet::fetchChunk(int chunk)
{
    const int start = chunk * kChunk;
    if (m_baseCount && start >= *m_baseCount)
        return false;
    std::optional<QList<RecordRow>> rows;
    const QList<RecordRow>* before = m_cache.chunk(chunk - 1);
    const QList<RecordRow>* after = m_cache.chunk(chunk + 1);
    if (before && before->size() == kChunk) {
        // Next to a chunk already read: continue from its last row.
        rows = seek(before->last(), true, kChunk);
        if (rows && rows->size() < kChunk)
            m_baseCount = start + static_cast<int>(rows->size());
    } else if (after && !after->isEmpty()) {
        rows = seek(after->first(), false, kChunk);
    }
    if (!rows && m_baseCount && start > *m_baseCount / 2) {
        // Near the end: read backwards from the last row instead of skipping the
        // whole front of the set.
        const int len = std::min(kChunk, *m_baseCount - start);
        rows = selectBase({}, {}, m_orderReversed, len, *m_baseCount - start - len);
        if (rows)
            std::reverse(rows->begin(), rows->end());
    } else if (!rows) {
        rows = m_boundaryPending ? selectFirstWithBoundary(start)
                                 : selectBase({}, {}, m_order, kChunk, start);
        if (rows && rows->size() < kChunk) {
            if (!rows->isEmpty() || start == 0)
                m_baseCount = start + static_cast<int>(rows->size());
        }
    }
    if (!rows || rows->isEmpty())
        return false;
    m_cache.insert(chunk, std::move(*rows));
    return true;
}

const RecordRow* RecordSet::baseRowAt(int position)
{
    if (const RecordRow* row = m_cache.row(position))
        return row;
    const int chunk = RowCache::chunkOf(position);
    if (m_cache.chunk(chunk) || !fetchChunk(chunk))
        return nullptr; // held and shorter, or not there to read
    return m_cache.row(position);
}

const RecordRow* RecordSet::rowAt(int position)
{
    if (position < 0 || !writeHeld())
        return nullptr;
    if (!m_baseCount || position < *m_baseCount) {
        if (const RecordRow* row = baseRowAt(position))
            return row;
    }
    const int index = position - baseCount();
    if (index < 0 || index >= m_added.size())
        return nullptr;
    const QString k = keyText(m_added[index]);
    auto it = m_addedRows.find(k);
    if (it == m_addedRows.end()) {
        const auto row = rowByKey(m_added[index]);
        if (!row)
            return nullptr;
        it = m_addedRows.insert(k, *row);
    }
    return &*it;
}

void RecordSet::setCurrent(int position, const RecordRow& row, bool last)
{
    m_editMode = RecordSet::EditMode::None;
    m_current = row;
    m_position = position;
    m_atLast = last;
    m_bof = m_eof = false;
    m_currentDeleted = false;
    if (position >= 0)
        m_visited = std::max(m_visited, position + 1);
    Q_EMIT repositioned();
}

void RecordSet::setNoCurrent(bool atBof, bool atEof)
{
    m_editMode = RecordSet::EditMode::None;
    m_current = {};
    m_bof = atBof;
    m_eof = atEof;
    m_currentDeleted = false;
    m_atLast = false;
    m_position = -1;
    Q_EMIT repositioned();
}

int RecordSet::addedIndex(const QVariant& key) const
{
    return m_addedIndex.value(keyText(key), -1);
}

std::optional<int> RecordSet::resolvePosition()
{
    if (m_bof || m_eof)
        return std::nullopt;
    if (m_position >= 0)
        return m_position;
    if (m_atLast) {
        m_position = totalCount() - 1;
        return m_position;
    }
    if (const int i = addedIndex(m_current.key); i >= 0) {
        m_position = baseCount() + i;
        return m_position;
    }
    if (const auto cached = m_cache.positionOf(m_current.key)) {
        m_position = *cached;
        return m_position;
    }
    QVariantList params;
    const QString sql = rowNumberQuery(params) + u" WHERE \"__key\" = ?"_s;
    params.append(m_current.key);
    QList<int> positions;
    const auto rows = select(sql, params, &positions);
    if (!rows || positions.isEmpty())
        return std::nullopt;
    m_position = positions.first();
    m_visited = std::max(m_visited, m_position + 1);
    return m_position;
}

int RecordSet::recordCount()
{
    writeHeld();
    return m_visitedAll ? exactCount() : m_visited;
}

int RecordSet::exactCount()
{
    writeHeld();
    return totalCount();
}

int RecordSet::absolutePosition()
{
    writeHeld();
    if (m_currentDeleted)
        return -1;
    return resolvePosition().value_or(-1);
}

bool RecordSet::setAbsolutePosition(int position)
{
    const RecordRow* row = rowAt(position);
    if (!row)
        return fail(u"Kayıt yok: %1. sıra"_s.arg(position));
    setCurrent(position, *row);
    return true;
}

void RecordSet::moveFirst()
{
    if (const RecordRow* row = rowAt(0))
        setCurrent(0, *row);
    else
        setNoCurrent(true, true);
}

void RecordSet::moveLast()
{
    if (!writeHeld())
        return;
    m_visitedAll = true;
    if (m_baseCount) {
        const int n = totalCount();
        if (const RecordRow* row = n > 0 ? rowAt(n - 1) : nullptr)
            setCurrent(n - 1, *row);
        else
            setNoCurrent(true, true);
        return;
    }
    // The last row without counting the set: its place is worked out only if asked.
    std::optional<RecordRow> last;
    if (!m_added.isEmpty())
        last = rowByKey(m_added.last());
    else if (const auto rows = selectBase({}, {}, m_orderReversed, 1, 0); rows && !rows->isEmpty())
        last = rows->first();
    if (last)
        setCurrent(-1, *last, true);
    else
        setNoCurrent(true, true);
}

void RecordSet::moveNext()
{
    if (!writeHeld())
        return;
    if (m_eof) {
        fail(u"Geçerli kayıt yok"_s);
        return;
    }
    if (m_atLast && !m_currentDeleted) {
        setNoCurrent(false, true);
        return;
    }
    int next = 0;
    if (!m_bof) {
        const auto here = m_currentDeleted ? std::optional<int>(m_position) : resolvePosition();
        if (!here || *here < 0) {
            fail(u"Kaydın yeri bulunamadı"_s);
            return;
        }
        next = m_currentDeleted ? *here : *here + 1;
    }
    if (const RecordRow* row = rowAt(next)) {
        setCurrent(next, *row);
        return;
    }
    m_visitedAll = true;
    const bool empty = totalCount() == 0;
    setNoCurrent(empty, true);
}

void RecordSet::movePrevious()
{
    if (!writeHeld())
        return;
    if (m_bof) {
        fail(u"Geçerli kayıt yok"_s);
        return;
    }
    int previous = totalCount() - 1;
    if (!m_eof) {
        const auto here = m_currentDeleted ? std::optional<int>(m_position) : resolvePosition();
        if (!here || *here < 0) {
            fail(u"Kaydın yeri bulunamadı"_s);
            return;
        }
        previous = *here - 1;
    }
    if (const RecordRow* row = previous >= 0 ? rowAt(previous) : nullptr) {
        setCurrent(previous, *row);
        return;
    }
    const bool empty = totalCount() == 0;
    setNoCurrent(true, empty);
}

// ------------------------------------------------------------------ find and filter

std::optional<QList<RecordRow>> RecordSet::ownRowsMeeting(const jetsql::Sql& where,
                                                          const QList<QVariant>& keys) const
{
    QList<RecordRow> found;
    QSet<QString> wanted;
    QList<QVariant> low; // keys at or below the boundary (rare: reused keys)
    for (const QVariant& k : keys) {
        if (maxKey().isValid() && k.toLongLong() <= maxKey().toLongLong())
            low.append(k);
        else
            wanted.insert(keyText(k));
    }
    const QString table = quoteIdentifier(m_schema.table);
    if (!wanted.isEmpty()) {
        // Rows beyond the boundary are few (those added since the set was read), so
        // one range read, kept to this set's own, serves however many were added.
        QVariantList params = where.params;
        QString sql =
            u"SELECT %1 AS \"__key\", * FROM %2 WHERE (%3)"_s.arg(m_keyExpr, table, where.text);
        if (maxKey().isValid()) {
            sql += u" AND "_s + m_keyExpr + u" > ?"_s;
            params.append(maxKey());
        }
        const auto rows = select(sql, params);
        if (!rows)
            return std::nullopt;
        for (const RecordRow& row : *rows)
            if (wanted.contains(keyText(row.key)))
                found.append(row);
    }
    for (qsizetype from = 0; from < low.size(); from += kKeysPerQuery) {
        const QList<QVariant> part = low.mid(from, kKeysPerQuery);
        QVariantList params = where.params;
        params.append(part);
        const auto rows = select(
            u"SELECT %1 AS \"__key\", * FROM %2 WHERE (%3) AND %1 IN (%4)"_s.arg(
                m_keyExpr, table, where.text, QStringList(part.size(), u"?"_s).join(u", "_s)),
            params);
        if (!rows)
            return std::nullopt;
        found.append(*rows);
    }
    return found;
}

std::optional<std::pair<int, RecordRow>> RecordSet::findAmongAdded(const jetsql::Sql& crit,
                                                                   int after, bool forward)
{
    if (m_added.isEmpty())
        return std::nullopt;
    const auto rows = ownRowsMeeting(crit, m_added);
    if (!rows)
        return std::nullopt;
    const int base = baseCount();
    std::optional<std::pair<int, RecordRow>> best;
    for (const RecordRow& row : *rows) {
        const int pos = base + addedIndex(row.key);
        if (forward ? pos <= after : pos >= after)
            continue;
        if (!best || (forward ? pos < best->first : pos > best->first))
            best = std::make_pair(pos, row);
    }
    return best;
}

bool RecordSet::find(const QString& criterion, bool forward, bool fromEdge, bool includeCurrent,
                     bool writeHeldFirst)
{
    m_noMatch = true; // until a row is found
    if (writeHeldFirst && !writeHeld())
        return false;
    m_editMode = EditMode::None;
    QString error;
    const auto expr = jetsql::parseCriterion(criterion, &error);
    if (!expr)
        return fail(error);
    const auto crit = jetsql::translate(*expr, m_schema, m_dialect, &error);
    if (!crit)
        return fail(error);

    // Where the search starts: before the first row, after the last, or at the
    // current row (not included).
    int here = forward ? -1 : totalCount();
    if (!fromEdge && m_bof)
        here = -1;
    else if (!fromEdge && m_eof)
        here = totalCount();
    else if (!fromEdge) {
        const auto pos = m_currentDeleted ? std::optional<int>(m_position) : resolvePosition();
        if (!pos || *pos < 0)
            return fail(u"Kaydın yeri bulunamadı"_s);
        // After a delete the next row has moved up into the deleted row's place.
        here = ((m_currentDeleted || includeCurrent) && forward) ? *pos - 1 : *pos;
    }

    std::optional<std::pair<int, RecordRow>> found;
    if (!forward)
        found = findAmongAdded(*crit, here, false);
    if (!found) {
        const bool fromStart = forward && here < 0;
        const bool fromEnd = !forward && here >= totalCount();
        if (fromStart || fromEnd) {
            // The first (or last) match in the set's order, read through the index.
            const auto rows = selectBase(u"("_s + crit->text + u")"_s, crit->params,
                                         fromStart ? m_order : m_orderReversed, 1, 0);
            if (!rows)
                return false;
            if (!rows->isEmpty())
                found = std::make_pair(-1, rows->first());
        } else {
            QVariantList params;
            QString sql = rowNumberQuery(params);
            sql += forward ? u" WHERE \"__pos\" > ?"_s : u" WHERE \"__pos\" < ?"_s;
            params.append(here);
            sql += u" AND ("_s + crit->text + u")"_s;
            params.append(crit->params);
            sql +=
                forward ? u" ORDER BY \"__pos\" LIMIT 1"_s : u" ORDER BY \"__pos\" DESC LIMIT 1"_s;
            QList<int> positions;
            const auto rows = select(sql, params, &positions);
            if (!rows)
                return false;
            if (!rows->isEmpty())
                found = std::make_pair(positions.first(), rows->first());
        }
    }
    if (!found && forward)
        found = findAmongAdded(*crit, here, true);
    m_noMatch = !found;
    if (found)
        setCurrent(found->first, found->second);
    else if (includeCurrent)
        setNoCurrent(totalCount() == 0, true);
    return true;
}

bool RecordSet::findFirst(const QString& criterion)
{
    return find(criterion, true, true);
}
bool RecordSet::findLast(const QString& criterion)
{
    return find(criterion, false, true);
}
bool RecordSet::findNext(const QString& criterion)
{
    return find(criterion, true, false);
}
bool RecordSet::findPrevious(const QString& criterion)
{
    return find(criterion, false, false);
}
bool RecordSet::findFromCurrent(const QString& criterion)
{
    return find(criterion, true, false, true);
}
bool RecordSet::findFirstWritten(const QString& criterion)
{
    return find(criterion, true, true, false, false);
}

bool RecordSet::setFilter(const QString& criterion)
{
    if (!writeHeld())
        return false;
    QString error;
    jetsql::Sql where;
    jetsql::ExprPtr filter;
    if (!criterion.trimmed().isEmpty()) {
        filter = jetsql::parseCriterion(criterion, &error);
        if (!filter)
            return fail(error);
    }
    // The set's condition and the filter together.
    const auto source = jetsql::parseSource(m_sourceText);
    const jetsql::ExprPtr own = source ? source->where : nullptr;
    if (own && filter) {
        auto both = std::make_shared<jetsql::Expr>();
        both->kind = jetsql::Expr::Kind::And;
        both->args = {std::const_pointer_cast<jetsql::Expr>(own),
                      std::const_pointer_cast<jetsql::Expr>(filter)};
        filter = both;
    } else if (!filter) {
        filter = own;
    }
    if (filter) {
        const auto sql = jetsql::translate(*filter, m_schema, m_dialect, &error);
        if (!sql)
            return fail(error);
        where = *sql;
    }
    // Rows added through the set stay in it when they meet the new condition.
    QList<QVariant> kept = m_ownRows;
    if (!where.text.isEmpty() && !kept.isEmpty()) {
        kept = keysMeeting(where, m_ownRows);
        if (!m_error.isEmpty() && kept.isEmpty())
            return false;
    }
    m_filterText = criterion;
    m_where = where;
    m_baseCount.reset();
    m_added.clear();
    m_addedIndex.clear();
    m_addedRows.clear();
    for (const QVariant& key : std::as_const(kept))
        addAddedKey(key);
    m_cache.clear();
    m_visited = 0;
    m_visitedAll = false;
    Q_EMIT reset();
    moveFirst();
    return true;
}

// The keys (in the order given) of the rows among keys that meet the condition.
QList<QVariant> RecordSet::keysMeeting(const jetsql::Sql& where, const QList<QVariant>& keys)
{
    m_error.clear();
    const auto rows = ownRowsMeeting(where, keys);
    if (!rows)
        return {};
    QSet<QString> meeting;
    for (const RecordRow& row : *rows)
        meeting.insert(keyText(row.key));
    QList<QVariant> kept;
    for (const QVariant& key : keys)
        if (meeting.contains(keyText(key)))
            kept.append(key);
    return kept;
}

void RecordSet::addAddedKey(const QVariant& key)
{
    m_added.append(key);
    m_addedIndex.insert(keyText(key), static_cast<int>(m_added.size()) - 1);
}

// ------------------------------------------------------------------ fields

QVariant RecordSet::value(QStringView field) const
{
    const int i = m_schema.indexOf(field);
    if (i < 0) {
        fail(u"'%1' alanı bu kayıt kümesinde yok"_s.arg(field));
        return {};
    }
    return value(i);
}

QVariant RecordSet::value(int i) const
{
    if (i < 0 || i >= m_schema.columns.size()) {
        fail(u"%1. alan bu kayıt kümesinde yok"_s.arg(i));
        return {};
    }
    if (m_editMode != EditMode::None)
        return m_buffer.value(i);
    if (m_bof || m_eof || m_currentDeleted) {
        fail(m_currentDeleted ? u"Kayıt silinmiş"_s : u"Geçerli kayıt yok"_s);
        return {};
    }
    return m_current.values.value(i);
}

bool RecordSet::setValue(QStringView field, const QVariant& value)
{
    if (m_editMode == EditMode::None)
        return fail(u"Alan yazmadan önce AddNew ya da Edit gerekir"_s);
    const int i = m_schema.indexOf(field);
    if (i < 0)
        return fail(u"'%1' alanı bu kayıt kümesinde yok"_s.arg(field));
    return setValue(i, value);
}

bool RecordSet::setValue(int i, const QVariant& value)
{
    if (m_editMode == EditMode::None)
        return fail(u"Alan yazmadan önce AddNew ya da Edit gerekir"_s);
    if (i < 0 || i >= m_schema.columns.size())
        return fail(u"%1. alan bu kayıt kümesinde yok"_s.arg(i));
    const jetsql::Column& col = m_schema.columns[i];
    QString reason;
    const auto stored = fieldvalue::toStorage(col.kind, value, m_dialect, &reason);
    if (!stored)
        return fail(
            u"'%1' alanına '%2' yazılamadı: %3"_s.arg(col.name, fieldvalue::text(value), reason));
    m_buffer[i] = fieldvalue::fromStorage(col.kind, *stored);
    m_dirty.setBit(i);
    return true;
}

// ------------------------------------------------------------------ changes

void RecordSet::addNew()
{
    m_editMode = EditMode::AddNew;
    m_buffer = QVariantList(m_schema.columns.size());
    m_dirty = QBitArray(m_schema.columns.size());
}

bool RecordSet::edit()
{
    if (m_bof || m_eof || m_currentDeleted)
        return fail(u"Geçerli kayıt yok"_s);
    m_editMode = EditMode::Edit;
    m_buffer = m_current.values;
    m_dirty = QBitArray(m_schema.columns.size());
    return true;
}

void RecordSet::cancelUpdate()
{
    m_editMode = EditMode::None;
    m_buffer.clear();
    m_dirty.clear();
}

bool RecordSet::update()
{
    if (m_editMode == EditMode::None)
        return fail(u"Kaydetmeden önce AddNew ya da Edit gerekir"_s);
    // A row held back for a batch keeps only its values: updateBatch() names the columns.
    const bool held = m_editMode == EditMode::AddNew && m_batch;
    QStringList names;
    QVariantList params;
    for (int i = 0; i < m_schema.columns.size(); ++i) {
        if (!m_dirty.testBit(i))
            continue;
        const jetsql::Column& col = m_schema.columns[i];
        const auto stored = fieldvalue::toStorage(col.kind, m_buffer[i], m_dialect);
        if (!held)
            names.append(quoteIdentifier(col.name));
        params.append(stored.value_or(QVariant()));
    }
    if (held) {
        m_held.append({m_dirty, params});
        cancelUpdate();
        return true;
    }
    const QString table = quoteIdentifier(m_schema.table);
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if (m_editMode == EditMode::AddNew) {
        QString sql;
        if (names.isEmpty())
            sql = u"INSERT INTO %1 DEFAULT VALUES"_s.arg(table);
        else
            sql = u"INSERT INTO %1 (%2) VALUES (%3)"_s.arg(
                table, names.join(u", "_s), QStringList(names.size(), u"?"_s).join(u", "_s));
        const bool returning = m_dialect != jetsql::Dialect::SQLite;
        if (returning)
            sql += u" RETURNING "_s + m_keyExpr;
        if (!q.prepare(sql))
            return fail(q.lastError().text());
        bindAll(q, params);
        if (!q.exec())
            return fail(q.lastError().text());
        const QVariant key = returning ? (q.next() ? q.value(0) : QVariant()) : q.lastInsertId();
        if (!key.isValid())
            return fail(u"Yeni kaydın anahtarı okunamadı"_s);
        addAddedKey(key);
        m_ownRows.append(key);
        m_lastModified = key;
        cancelUpdate();
        ++m_visited;
        if (isSignalConnected(QMetaMethod::fromSignal(&RecordSet::rowAppended)))
            Q_EMIT rowAppended(totalCount() - 1);
        return true;
    }
    if (!names.isEmpty()) {
        QStringList sets;
        for (const QString& n : names)
            sets.append(n + u" = ?"_s);
        if (!q.prepare(
                u"UPDATE %1 SET %2 WHERE %3 = ?"_s.arg(table, sets.join(u", "_s), m_keyExpr)))
            return fail(q.lastError().text());
        bindAll(q, params);
        q.addBindValue(m_current.key);
        if (!q.exec())
            return fail(q.lastError().text());
        if (q.numRowsAffected() == 0)
            return fail(u"Kayıt bu arada silinmiş"_s);
    }
    m_lastModified = m_current.key;
    cancelUpdate();
    if (const auto fresh = rowByKey(m_current.key)) {
        m_current = *fresh;
        const QString k = keyText(m_current.key);
        if (m_addedRows.contains(k))
            m_addedRows.insert(k, *fresh);
        m_cache.replace(*fresh);
        if (m_position >= 0)
            Q_EMIT rowChanged(m_position);
    }
    return true;
}

void RecordSet::setBatchUpdates(bool on)
{
    if (!on)
        writeHeld();
    m_batch = on;
}

bool RecordSet::writeHeld()
{
    return m_held.isEmpty() || updateBatch();
}

bool RecordSet::updateBatch()
{
    QList<HeldRow> held;
    held.swap(m_held);
    const QString table = quoteIdentifier(m_schema.table);
    const bool returning = m_dialect != jetsql::Dialect::SQLite;
    QList<QVariant> keys;
    // Rows written before a failure still belong to the set (outside a transaction
    // they stay in the table).
    auto takeKeys = [this, &keys] {
        for (const QVariant& key : std::as_const(keys)) {
            addAddedKey(key);
            m_ownRows.append(key);
            m_lastModified = key;
            ++m_visited;
            if (isSignalConnected(QMetaMethod::fromSignal(&RecordSet::rowAppended)))
                Q_EMIT rowAppended(totalCount() - 1);
        }
    };
    qsizetype next = 0;
    while (next < held.size()) {
        // Consecutive rows that give values to the same columns share one statement.
        const QBitArray& columns = held[next].written;
        QStringList names;
        for (int i = 0; i < m_schema.columns.size(); ++i)
            if (columns.testBit(i))
                names.append(quoteIdentifier(m_schema.columns[i].name));
        const int perRow = std::max<int>(1, static_cast<int>(names.size()));
        const int limit = returning ? std::clamp(kParamsPerInsert / perRow, 1, kRowsPerInsert) : 1;
        qsizetype end = next;
        while (end < held.size() && end - next < limit && held[end].written == columns)
            ++end;
        QString sql;
        QVariantList params;
        if (names.isEmpty()) {
            sql = u"INSERT INTO %1 DEFAULT VALUES"_s.arg(table);
            end = next + 1;
        } else {
            const QString one = u'(' + QStringList(names.size(), u"?"_s).join(u", "_s) + u')';
            sql = u"INSERT INTO %1 (%2) VALUES "_s.arg(table, names.join(u", "_s)) +
                  QStringList(end - next, one).join(u", "_s);
            for (qsizetype r = next; r < end; ++r)
                params.append(held[r].stored);
        }
        if (returning)
            sql += u" RETURNING "_s + m_keyExpr;
        QSqlQuery q(m_db);
        q.setForwardOnly(true);
        bool written = q.prepare(sql);
        if (written) {
            bindAll(q, params);
            written = q.exec();
        }
        if (!written) {
            takeKeys();
            return fail(q.lastError().text());
        }
        if (returning) {
            while (q.next())
                keys.append(q.value(0));
        } else {
            keys.append(q.lastInsertId());
        }
        next = end;
    }
    takeKeys();
    return true;
}

bool RecordSet::deleteCurrent()
{
    if (m_bof || m_eof || m_currentDeleted)
        return fail(u"Geçerli kayıt yok"_s);
    m_editMode = EditMode::None;
    const std::optional<int> position = resolvePosition();
    QSqlQuery q(m_db);
    q.prepare(u"DELETE FROM %1 WHERE %2 = ?"_s.arg(quoteIdentifier(m_schema.table), m_keyExpr));
    q.addBindValue(m_current.key);
    if (!q.exec())
        return fail(q.lastError().text());
    m_ownRows.removeOne(m_current.key);
    if (const int i = addedIndex(m_current.key); i >= 0) {
        m_added.removeAt(i);
        m_addedRows.remove(keyText(m_current.key));
        m_addedIndex.clear();
        for (int j = 0; j < m_added.size(); ++j)
            m_addedIndex.insert(keyText(m_added[j]), j);
    } else {
        if (m_baseCount)
            --*m_baseCount;
        m_cache.clear(); // the rows after it move up one place
    }
    m_currentDeleted = true;
    m_position = position.value_or(-1);
    m_visited = std::max(0, m_visited - 1);
    if (position)
        Q_EMIT rowRemoved(*position);
    return true;
}
