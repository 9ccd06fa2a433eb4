#include "jet_fixtures.h"

#include "core/jet_sql.h"
#include "sql_helpers.h"
#include "test_home.h"

#include <QHash>
#include <QSqlQuery>

using namespace Qt::StringLiterals;

namespace jetfixtures {

namespace {

// A stored value against mdb-export's text of it, by the column's declared type.
bool sameValue(const QString& reference, const QVariant& stored, const QString& type)
{
    if (reference.isEmpty())
        return stored.isNull() || stored.toString().isEmpty();
    if (type == u"DATETIME"_s) {
        if (reference.startsWith(u"1900-01-00"_s))
            return true; // libmdb formats no date outside 1900 to 2700
        const QString text = stored.toString();
        return (text.size() == 10 ? text + u" 00:00:00"_s : text) == reference;
    }
    if (type == u"BLOB"_s)
        return stored.toByteArray().toHex().toUpper() == reference.toLatin1();
    if (type == u"TEXT"_s)
        return stored.toString() == reference;
    if (type == u"INTEGER"_s || type == u"BIT"_s)
        return stored.toLongLong() == reference.toLongLong();
    const double a = stored.toDouble(), b = reference.toDouble();
    return std::abs(a - b) <= 1e-6 * std::max(1.0, std::abs(b));
}

// mdb-export's reading of a table (JET3 texts in the given iconv charset): the header
// row, then one list of texts per row. Dates as "yyyy-MM-dd HH:mm:ss", binary values
// in hexadecimal, NULL and empty texts as empty texts.
QList<QStringList> exportTable(const QString& file, const QString& table, const QByteArray& charset)
{
    // Texts bare, fields and rows apart by control characters that no fixture holds.
    const QString format = u"%Y-%m-%d %H:%M:%S"_s;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"MDB_JET3_CHARSET"_s, QString::fromLatin1(charset));
    const QString text = runProgram(u"mdb-export"_s,
                                    {u"-Q"_s, u"-d"_s, u"\x1f"_s, u"-R"_s, u"\x1e"_s, u"-T"_s,
                                     format, u"-D"_s, format, u"-b"_s, u"hex"_s, file, table},
                                    env)
                             .out;
    QList<QStringList> rows;
    for (const QString& row : text.split(QChar(0x1e), Qt::SkipEmptyParts))
        rows.append(row.split(QChar(0x1f)));
    return rows;
}

} // namespace

QString path(const QString& name)
{
    return QStringLiteral(TOPKAR_SOURCE_DIR "/tests/fixtures/jet/") + name;
}

bool writeOrderFile(const QString& target)
{
    QByteArray bytes = readBytes(path(u"nwind.mdb"_s));
    bytes.replace("Ums\xe4tze", "Siparis").replace("Bol\xedvar", "Bol\xfdvar");
    return !bytes.isEmpty() && writeBytes(target, bytes);
}

bool writeCardFile(const QString& target, bool newCard)
{
    QByteArray bytes = readBytes(path(u"ASampleDatabase.accdb"_s));
    // Names are stored both as one byte and as two bytes a letter.
    for (auto [from, to] :
         {std::pair(u"Asset Items"_s, u"CariKartlar"_s), {u"Model"_s, u"Unvan"_s}})
        bytes.replace(from.toLatin1(), to.toLatin1())
            .replace(QByteArray(reinterpret_cast<const char*>(from.utf16()), from.size() * 2),
                     QByteArray(reinterpret_cast<const char*>(to.utf16()), to.size() * 2));
    if (newCard)
        bytes.replace("220ZX", "Yeni1");
    return !bytes.isEmpty() && writeBytes(target, bytes);
}

QString compareTable(const QString& file, int codePage, const QSqlDatabase& db,
                     const QString& table, qint64* rows)
{
    const auto reference = exportTable(file, table, "CP" + QByteArray::number(codePage));
    QHash<QString, QString> typeOf;
    for (QSqlQuery q = runSql(db, u"PRAGMA table_info(%1)"_s.arg(jetsql::quoteIdentifier(table)));
         q.next();)
        typeOf.insert(q.value(1).toString(), q.value(2).toString());
    const QStringList header = reference.value(0);
    QStringList columns;
    for (const QString& c : header)
        columns.append(jetsql::quoteIdentifier(c));
    QSqlQuery stored = runSql(db, u"SELECT %1 FROM %2 ORDER BY rowid"_s.arg(
                                      columns.join(u','), jetsql::quoteIdentifier(table)));
    for (qsizetype r = 1; r < reference.size(); ++r) {
        if (!stored.next())
            return u"%1: %2 rows, %3 expected"_s.arg(table).arg(r - 1).arg(reference.size() - 1);
        for (int c = 0; c < header.size(); ++c)
            if (!sameValue(reference[r][c], stored.value(c), typeOf.value(header[c])))
                return u"%1 %2 %3: %4 ≠ %5"_s.arg(table).arg(r).arg(
                    header[c], stored.value(c).toString(), reference[r][c]);
    }
    if (header.isEmpty() || stored.next())
        return u"%1: more rows than expected"_s.arg(table);
    *rows = reference.size() - 1;
    return {};
}

} // namespace jetfixtures
