#pragma once

#include "core/jet_sql.h"
#include "core/row_cache.h"

#include <QBitArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <memory>
#include <optional>

// An updatable set of rows with a current row, over one table of a database reached
// through QtSql. It keeps the meaning callers of the old data controls rely on:
// beginning/end-of-file marks, moves, find with a criterion and a no-match flag,
// add-new/edit/update/cancel/delete, fields by name (case-insensitive), and a record
// count that is exact once the last row has been visited.
//
// Rows are read in chunks as they are needed, so a set of a million rows opens as fast
// as one of ten. Every row has a fixed place: the source's sort order, then the row
// key. A row added through the set stays at its end until the set is read again,
// whatever its sort order.
class RecordSet : public QObject
{
    Q_OBJECT
public:
    enum class EditMode
    {
        None,
        Edit,
        AddNew
    };

    // Opens a record source (a table name or "Select * From …") on an open database.
    // Returns null and sets *error when the source does not parse or names an unknown
    // table or field.
    static std::unique_ptr<RecordSet> open(const QSqlDatabase& db, const QString& source,
                                           QString* error = nullptr);
    ~RecordSet() override;

    const jetsql::TableSchema& schema() const { return m_schema; }
    QStringList fieldNames() const;
    jetsql::Dialect dialect() const { return m_dialect; }
    QSqlDatabase database() const { return m_db; }

    // ---- position
    bool bof() const { return m_bof; }
    bool eof() const { return m_eof; }
    // The current row has just been deleted (no move since).
    bool currentDeleted() const { return m_currentDeleted; }
    // Rows visited so far; the exact number after moveLast (as the old engine counts).
    int recordCount();
    // The exact number of rows, counted now if not yet known.
    int exactCount();
    // 0-based place of the current row; -1 at the beginning/end-of-file marks.
    int absolutePosition();
    [[nodiscard]] bool setAbsolutePosition(int position);
    void moveFirst();
    void moveLast();
    void moveNext();
    void movePrevious();

    // ---- find (criterion in the station's SQL dialect)
    // Each find returns false when the search could not be made (lastError() says
    // why); noMatch() is then true as well, so that a failed search is never read as
    // a row found, nor as the answer of an earlier search.
    [[nodiscard]] bool findFirst(const QString& criterion);
    [[nodiscard]] bool findLast(const QString& criterion);
    [[nodiscard]] bool findNext(const QString& criterion);
    [[nodiscard]] bool findPrevious(const QString& criterion);
    // The search of the ODBC record sets: forward from the current row, the current
    // row included, to the first row meeting the criterion. With none the set stands
    // at its end-of-file mark (and noMatch() is true).
    [[nodiscard]] bool findFromCurrent(const QString& criterion);
    // findFirst() among the rows already written to the table: rows held back in
    // batch mode stay held. For a caller that knows none of them meets the criterion
    // (and so saves writing them early).
    [[nodiscard]] bool findFirstWritten(const QString& criterion);
    bool noMatch() const { return m_noMatch; }

    // Shows only the rows that also meet the criterion (an empty text shows all rows
    // again) and stands on the first of them. Rows added through the set stay in it,
    // at its end, when they meet the new condition.
    [[nodiscard]] bool setFilter(const QString& criterion);
    QString filter() const { return m_filterText; }

    // ---- fields
    // The field of the current row (or of the pending new/edited row); null for a null
    // field. An unknown field or no current row gives null and sets lastError().
    QVariant value(QStringView field) const;
    // Writes into the pending add or edit. Refused when no add/edit is pending, the
    // field is unknown or the value does not convert to the column's type.
    [[nodiscard]] bool setValue(QStringView field, const QVariant& value);
    // The same by the field's place in schema().columns (for bulk copies).
    QVariant value(int column) const;
    [[nodiscard]] bool setValue(int column, const QVariant& value);

    // The key of the current row (its bookmark); null with no current row.
    QVariant bookmark() const
    {
        return (m_bof || m_eof || m_currentDeleted) ? QVariant() : m_current.key;
    }

    // ---- changes
    // Starts a new row (never fails; update() writes it).
    void addNew();
    [[nodiscard]] bool edit();
    // Writes the pending row in one statement. On failure the table is left as it
    // was, the pending row is kept (so it can be corrected or cancelled) and the
    // reason is in lastError().
    [[nodiscard]] bool update();
    void cancelUpdate();
    // Removes the current row; a move is needed before the next field access.
    [[nodiscard]] bool deleteCurrent();
    EditMode editMode() const { return m_editMode; }

    // Batch mode: update() of an added row only holds it back, and updateBatch()
    // writes every held row at once (several rows to a statement), which over a
    // network connection is many times faster than a statement per row. Held rows
    // join the set when they are written; anything that reads the set (a move, find,
    // filter or count) writes them first, so a search never misses them. Edits and
    // deletes are written at once as usual. Held rows that were never written are
    // dropped with the set.
    void setBatchUpdates(bool on);
    bool batchUpdates() const { return m_batch; }
    int heldRows() const { return static_cast<int>(m_held.size()); }
    // Writes the held rows. On failure the held rows are dropped (inside a
    // transaction the caller rolls back) and lastError() says why.
    [[nodiscard]] bool updateBatch();
    // Key of the row last added or changed by update().
    QVariant lastModifiedKey() const { return m_lastModified; }

    // ---- reading without moving (for grids and lists)
    // The row at a 0-based place, or null past the end (or when it cannot be read). The
    // row lives in the set's row cache: the pointer is good until the next call of a
    // non-const member of this set (another rowAt() may let go of its chunk). Copy the
    // row to keep it longer.
    const RecordRow* rowAt(int position);

    QString lastError() const { return m_error; }

Q_SIGNALS:
    void repositioned();
    void rowAppended(int position);
    void rowRemoved(int position);
    void rowChanged(int position);
    void reset();

private:
    RecordSet() = default;
    bool prepare(const QString& source, QString* error);
    bool fail(const QString& message) const;

    // SQL helpers
    QString baseWhere(QVariantList& params) const;
    std::optional<QList<RecordRow>> select(const QString& sql, const QVariantList& params,
                                           QList<int>* positions = nullptr,
                                           QVariant* boundary = nullptr) const;
    bool readBoundary() const;
    // The key above which rows are not in the set, read now if still pending.
    const QVariant& maxKey() const;
    std::optional<QList<RecordRow>> selectFirstWithBoundary(int offset) const;
    // The prepared statement of a text, kept for the next reads of it on the connection.
    QSqlQuery* statement(const QString& sql) const;
    // The statement of a text run with its parameters (prepared once more when a kept
    // one no longer runs); null on failure, with lastError() saying why.
    QSqlQuery* run(const QString& sql, const QVariantList& params) const;
    std::optional<QList<RecordRow>> selectBase(const QString& extraWhere,
                                               const QVariantList& extraParams,
                                               const QString& order, int limit, int offset) const;
    template <typename Take>
    std::optional<QList<RecordRow>> selectFromEngine(const QString& sql, const QVariantList& params,
                                                     QList<RecordRow>& rows,
                                                     const Take& take) const;
    std::optional<RecordRow> rowByKey(const QVariant& key) const;
    QString rowNumberQuery(QVariantList& params) const;

    // positions
    std::optional<QList<jetsql::Sql>> seekConditions(const RecordRow& row, bool after) const;
    std::optional<QList<RecordRow>> seek(const RecordRow& from, bool after, int count) const;
    int baseCount();
    int totalCount() { return baseCount() + static_cast<int>(m_added.size()); }
    bool fetchChunk(int chunk);
    const RecordRow* baseRowAt(int position);
    void setCurrent(int position, const RecordRow& row, bool last = false);
    void setNoCurrent(bool atBof, bool atEof);
    std::optional<int> resolvePosition();
    int addedIndex(const QVariant& key) const;
    bool find(const QString& criterion, bool forward, bool fromEdge, bool includeCurrent = false,
              bool writeHeldFirst = true);
    bool writeHeld(); // updateBatch() for the readers; false when writing failed
    QList<QVariant> keysMeeting(const jetsql::Sql& where, const QList<QVariant>& keys);
    std::optional<QList<RecordRow>> ownRowsMeeting(const jetsql::Sql& where,
                                                   const QList<QVariant>& keys) const;
    void addAddedKey(const QVariant& key);
    std::optional<std::pair<int, RecordRow>> findAmongAdded(const jetsql::Sql& crit, int after,
                                                            bool forward);

    QSqlDatabase m_db;
    jetsql::Dialect m_dialect = jetsql::Dialect::SQLite;
    jetsql::TableSchema m_schema;
    QString m_sourceText;
    jetsql::Source m_source; // its condition is in m_where, translated
    QString m_keyExpr;
    QString m_filterText;
    QString m_order, m_orderReversed;

    jetsql::Sql m_where; // source condition and filter, translated
    // Rows added to the table after the set was read are not in it. On a server the
    // boundary is read with the set's first rows (pending until then).
    mutable QVariant m_maxKey;
    mutable bool m_boundaryPending = false;
    std::optional<int> m_baseCount;
    QList<QVariant> m_added;               // keys of rows added through this set (shown)
    QList<QVariant> m_ownRows;             // every row added through it, whatever the filter
    QHash<QString, int> m_addedIndex;      // key text → place in m_added
    QHash<QString, RecordRow> m_addedRows; // added rows read so far
    RowCache m_cache;                      // rows of the set read so far, by place

    bool m_bof = true;
    bool m_eof = true;
    int m_position = -1; // place of the current row; -1 while not yet known
    RecordRow m_current;
    bool m_currentDeleted = false;
    bool m_atLast = false; // the current row is the set's last (its place maybe not known)
    int m_visited = 0;
    bool m_visitedAll = false;
    bool m_noMatch = false;

    struct HeldRow
    {
        QBitArray written; // columns given a value
        QVariantList stored;
    };
    bool m_batch = false;
    QList<HeldRow> m_held;

    EditMode m_editMode = EditMode::None;
    QVariantList m_buffer;
    QBitArray m_dirty;
    QVariant m_lastModified;

    mutable QString m_error;
};
