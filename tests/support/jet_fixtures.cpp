#include "jet_fixtures.h"

#include "test_home.h"

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

QList<QStringList> exportTable(const QString& file, const QString& table, const QByteArray& charset)
{
    const QString format = u"%Y-%m-%d %H:%M:%S"_s;
    return parseCsv(QString::fromUtf8(
        run({u"mdb-export"_s, u"-T"_s, format, u"-D"_s, format, u"-b"_s, u"hex"_s, file, table},
            charset)));
}

QStringList tables(const QString& file)
{
    return QString::fromUtf8(run({u"mdb-tables"_s, u"-1"_s, file}))
        .split(u'\n', Qt::SkipEmptyParts);
}

} // namespace jetfixtures
