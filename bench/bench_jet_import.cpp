// Import of a Jet file into SQLite: topkar-import's copy of every table of nwind.mdb
// (JET3) against the reference pipeline of the mdbtools commands, mdb-export of each
// table piped into sqlite3's .import, in the same run. Then the station's card copy of
// the largest fixture table made anew (as when the accounting program changed its Jet
// file) in rows per second, and the time that rate gives for 100,000 cards.

#include "bench_support.h"
#include "core/card_mirror.h"
#include "core/data_control.h"
#include "core/jet_import.h"
#include "core/settings_store.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

QString fixture(const QString& name)
{
    return QStringLiteral(TOPKAR_SOURCE_DIR "/tests/fixtures/jet/") + name;
}

// mdb-export TABLE | sqlite3 TARGET ".import --csv /dev/stdin TABLE", for every table.
bool referencePipeline(const QString& source, const QStringList& tables, const QString& target)
{
    QFile::remove(target);
    for (const QString& table : tables) {
        QProcess exporter, importer;
        exporter.setStandardOutputProcess(&importer);
        exporter.start(u"mdb-export"_s, {source, table});
        importer.start(u"sqlite3"_s, {target, u".import --csv /dev/stdin \"%1\""_s.arg(table)});
        if (!exporter.waitForFinished(60000) || !importer.waitForFinished(60000) ||
            exporter.exitCode() != 0 || importer.exitCode() != 0)
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::atoi(argv[1]) : 10;
    const QString folder = bench::dataFolder(u"jet-import"_s);
    const QString source = fixture(u"nwind.mdb"_s);

    jet::File file;
    if (!file.open(source)) {
        std::fprintf(stderr, "%s\n", qPrintable(file.errorString()));
        return 1;
    }
    const QStringList tables = file.tableNames();
    const QString largest = u"Order Details"_s;
    qint64 rows = 0, largestRows = 0;
    for (const QString& t : tables)
        file.readRows(t, [&](const QVariantList&) {
            largestRows += t == largest;
            return ++rows > 0;
        });
    file.close();
    std::printf("nwind.mdb: %lld tables, %lld rows\n", qlonglong(tables.size()), rows);

    const QString ours = folder + u"/ours.db"_s;
    bool ok = true;
    const bench::Figures imported = bench::time(runs, [&] {
        ok = jetimport::importFile(source, ours, {jet::kDefaultCodePage, true, {}}).status ==
                 jetimport::Status::Done &&
             ok;
    });
    const bench::Figures reference = bench::time(
        runs, [&] { ok = referencePipeline(source, tables, folder + u"/ref.db"_s) && ok; });
    if (!ok) {
        std::fprintf(stderr, "an import failed\n");
        return 1;
    }
    bench::print(u"topkar-import, every table of nwind.mdb"_s, imported);
    bench::print(u"mdb-export | sqlite3 .import, every table"_s, reference);
    std::printf("ratio import / reference pipeline: %.2f (goal: at most 1)\n",
                imported.median / reference.median);

    // The card copy made anew as the station makes it when the Jet file changed: the
    // largest table read into a new file that takes the old copy's place under the
    // data control reading it.
    qputenv(settings::kHomeVariable, QFile::encodeName(folder));
    const QString watched = folder + u"/nwind.mdb"_s;
    QFile::remove(watched);
    QFile::copy(source, watched);
    DataControl data(u"Data2"_s);
    data.setRecordSource(u"Select * From [Order Details]"_s);
    CardMirror mirror(watched, largest, data);
    ok = mirror.update() && data.refresh();
    int changes = 0;
    const bench::Figures rebuilt = bench::time(runs, [&] {
        QFile file(watched);
        file.open(QIODevice::ReadWrite);
        file.setFileTime(QDateTime::currentDateTime().addSecs(++changes),
                         QFileDevice::FileModificationTime);
        ok = mirror.update() && ok;
    });
    if (!ok) {
        std::fprintf(stderr, "a card copy failed: %s\n", qPrintable(mirror.problem()));
        return 1;
    }
    bench::print(u"card copy of \"%1\" made anew (%2 rows)"_s.arg(largest).arg(largestRows),
                 rebuilt);
    const double perSecond = double(largestRows) / (rebuilt.median / 1000.0);
    const double projected = 100000.0 / perSecond;
    std::printf("mirror rebuild: %.0f rows/s; 100,000 cards: %.2f s\n", perSecond, projected);
    std::printf("ratio projected 100,000-card rebuild / 2 s goal: %.2f (goal: under 1)\n",
                projected / 2.0);
    return 0;
}
