#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QVariant>

#include <memory>
#include <optional>

// The SQL dialect of the station's record sources and criteria ("Select * From
// Siparis Order By SipNo DESC", "Unvan Like 'ab*'", "HesKullan=False") parsed into a
// small tree and translated to the SQL of the engine underneath. Literals become bound
// parameters, so a quote inside a value can never change a query.
namespace jetsql {

enum class ColumnKind
{
    Text,
    Number,
    Integer,
    Boolean,
    Date,
    Other
};

struct Column
{
    QString name;
    ColumnKind kind = ColumnKind::Text;
    // On PostgreSQL: a text column declared in the Turkish collation (kServerCollation),
    // compared, sorted and matched by the station's Turkish rules through turkishKey().
    // Other server columns (the exchange's central tables) compare as stored.
    bool turkish = false;
};

struct TableSchema
{
    TableSchema() = default;
    TableSchema(QString tableName, QList<Column> tableColumns)
        : table(std::move(tableName)), columns(std::move(tableColumns))
    {}

    QString table; // the name as the database spells it
    QList<Column> columns;

    // Case-insensitive lookup, as field names are matched by the engine of old.
    const Column* find(QStringView name) const;
    int indexOf(QStringView name) const;

    // Builds the field index of the columns now. A lookup builds it when it is missing
    // or older than the columns; a schema that is copied to many users (the schema
    // cache) builds it once beforehand, so that the copies share it.
    void buildIndex() const;

private:
    // Folded column name → index, built on first use (fields are looked up for every
    // value read or written, so a scan with folding per call is too slow for bulk
    // copies). Rebuilt when columns were added since.
    mutable QHash<QString, int> m_index;
    // Per column: the hash of its name as spelt, and the first column whose name folds
    // alike (the one a lookup under any spelling finds).
    mutable QList<std::pair<size_t, int>> m_exact;
    mutable qsizetype m_indexed = -1; // number of columns m_index was built from
};

enum class Dialect
{
    SQLite,
    PostgreSQL
};

struct Expr
{
    enum class Kind
    {
        Or,
        And,
        Not,
        Compare,
        Like,
        IsNull,
        In,
        Between,
        Field,
        Text,
        Number,
        Bool,
        Null,
        Date
    };
    Kind kind = Kind::Null;
    QString op;                        // Compare: "=", "<>", "<", ">", "<=", ">="
    QString text;                      // Field name, text literal, number as written
    int literal = -1;                  // Text literal: its place among the quoted texts
    double number = 0;                 // Number literal
    bool negated = false;              // NOT LIKE, IS NOT NULL, NOT IN, NOT BETWEEN
    bool boolean = false;              // Bool literal
    QList<std::shared_ptr<Expr>> args; // And, Or: two or more terms
};
using ExprPtr = std::shared_ptr<const Expr>;

struct OrderTerm
{
    QString field;
    bool descending = false;
};

// A parsed record source: a bare table name or "Select * From T [Where …] [Order By …]".
struct Source
{
    QString table;
    ExprPtr where; // may be null
    QList<OrderTerm> order;
};

std::optional<Source> parseSource(const QString& text, QString* error = nullptr);
ExprPtr parseCriterion(const QString& text, QString* error = nullptr);

// SQL text with its bound parameters in order ("?" placeholders).
struct Sql
{
    QString text;
    QVariantList params;
};

// Registered database function and collation names used by the SQLite translation.
inline constexpr char kCollation[] = "TRNOCASE";
inline constexpr char kLikeFunction[] = "jet_like";

// The ICU collation of the station's text columns on a PostgreSQL server.
inline constexpr char kServerCollation[] = "tr-x-icu";

// A PostgreSQL expression of an SQL operand (a column, "?") that orders and compares as
// the station's Turkish collation does: folded with the Turkish i pairs, Turkish letters
// in alphabet order above digits and punctuation, other characters by code. An index on
// turkishKey(column) serves sorts, seeks and prefix searches on the column.
QString turkishKey(const QString& operand);
// The same on the server column side: true when the column is compared through
// turkishKey() in the dialect.
bool keyedOnServer(const Column* column, Dialect dialect);

QString quoteIdentifier(const QString& name);

// A text value as a quoted literal of the station's dialect: 'O''Brien'. Criteria built
// from data must quote every value with it.
QString quoteText(const QString& value);

// What a translation owes to the quoted texts of its condition: for each bound
// parameter the place of the text it passes on unchanged (-1 for any other value), and
// whether a text was read for its meaning (a text compared with a date column is bound
// as the date it names, a Like pattern chooses the SQL), which ties the translation to
// those very texts.
struct TextUse
{
    QList<int> paramText;
    bool byValue = false;
};

// Translates a condition against the table's columns. Unknown fields are an error.
std::optional<Sql> translate(const Expr& expr, const TableSchema& schema, Dialect dialect,
                             QString* error = nullptr, TextUse* use = nullptr);

// A source or criterion with its quoted texts taken out. Two texts of one shape parse
// alike but for those texts, so a translation of one that used its texts only as
// parameters (TextUse::byValue false) serves the other through rebind(). Nothing when
// a quote, bracket or date is left open.
struct Shape
{
    QString key;
    QStringList texts; // in the order they are written
};
std::optional<Shape> shapeOf(const QString& text);
Sql rebind(const Sql& sql, const TextUse& use, const QStringList& texts);

// "ORDER BY …" for the source's sort terms followed by the row key as the last,
// tie-breaking term (in the direction of the last sort term), so that every row has
// one fixed place. reversed flips every direction (used to read a set from its end).
std::optional<QString> orderBy(const Source& source, const TableSchema& schema, Dialect dialect,
                               const QString& keyExpression, bool reversed,
                               QString* error = nullptr);

} // namespace jetsql
