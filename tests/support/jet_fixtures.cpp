#include "jet_fixtures.h"

#include "sql_helpers.h"
#include "test_home.h"

#include <QHash>
#include <QSqlQuery>

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>

using namespace Qt::StringLiterals;

namespace jetfixtures {

namespace {

QByteArray run(const QStringList& arguments, const QByteArray& charset = {})
{
    QProcess p;
    if (!charset.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"MDB_JET3_CHARSET"_s, QString::fromLatin1(charset));
        p.setProcessEnvironment(env);
    }
    p.start(arguments.first(), arguments.mid(1));
    p.waitForFinished(120000);
    return p.readAllStandardOutput();
}

// The comma-separated records of mdb-export: fields in double quotes may hold commas,
// line breaks and doubled quotes.
QList<QStringList> parseCsv(const QString& text)
{
    QList<QStringList> records;
    QStringList record;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text.at(i + 1) == u'"')
                field += text.at(++i);
            else if (c == u'"')
                quoted = false;
            else
                field += c;
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u',') {
            record.append(std::exchange(field, QString()));
        } else if (c == u'\n') {
            record.append(std::exchange(field, QString()));
            records.append(std::exchange(record, QStringList()));
        } else {
            field += c;
        }
    }
    return records;
}

QString quoted(const QString& name)
{
    return u'"' + QString(name).replace(u'"', u"\"\""_s) + u'"';
}

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

QList<QStringList> exportTable(const QString& file, const QString& table, const QByteArray& charset)
{
    const QString format = u"%Y-%m-%d %H:%M:%S"_s;
    return parseCsv(QString::fromUtf8(
        run({u"mdb-export"_s, u"-T"_s, format, u"-D"_s, format, u"-b"_s, u"hex"_s, file, table},
            charset)));
}

QString compareTable(const QString& file, int codePage, const QSqlDatabase& db,
                     const QString& table, qint64* rows)
{
    const auto reference = exportTable(file, table, "CP" + QByteArray::number(codePage));
    QHash<QString, QString> typeOf;
    for (QSqlQuery q = runSql(db, u"PRAGMA table_info(%1)"_s.arg(quoted(table))); q.next();)
        typeOf.insert(q.value(1).toString(), q.value(2).toString());
    const QStringList header = reference.value(0);
    QStringList columns;
    for (const QString& c : header)
        columns.append(quoted(c));
    QSqlQuery stored =
        runSql(db, u"SELECT %1 FROM %2 ORDER BY rowid"_s.arg(columns.join(u','), quoted(table)));
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

QStringList tables(const QString& file)
{
    return QString::fromUtf8(run({u"mdb-tables"_s, u"-1"_s, file}))
        .split(u'\n', Qt::SkipEmptyParts);
}

} // namespace jetfixtures
