#include "core/database_files.h"
#include "core/sequential_file.h"
#include "core/settings_store.h"
#include "disk_faults.h"
#include "labels/label_layout_file.h"
#include "sql_helpers.h"
#include "station/attach_entry.h"
#include "station/grid_layout.h"
#include "station/label_designer.h"
#include "station_window.h"

#include <QtTest>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

enum class Kind
{
    Settings,
    Layout,
    Database
};

struct StationFile
{
    QString name; // under the home; the databases in its folder "Veri"
    Kind kind;
    QString table = {}; // of a database, and two of its text columns
    QString columns = {};
};

const StationFile kFiles[] = {
    {u"Topkar.ini"_s, Kind::Settings},
    {u"registry.ini"_s, Kind::Settings},
    {u"Barkod.Dat"_s, Kind::Layout},
    {u"Kumas.Dat"_s, Kind::Layout},
    {u"Veri/Kumas.Mdb"_s, Kind::Database, u"Siparis"_s, u"BarNo, Firma"_s},
    {u"Veri/01Cari.Mdb"_s, Kind::Database, u"CariKartlar"_s, u"CariKod, Unvan"_s},
    {u"Veri/01Stok.Mdb"_s, Kind::Database, u"StokKartlar"_s, u"StokKod, StokAdi"_s},
};
constexpr int kRows = 40;

int integrityRows(const QString& path, const QString& table)
{
    const TestDatabase db(path);
    return db.value(u"PRAGMA integrity_check"_s) == u"ok"_s ? db.count(table) : -1;
}

} // namespace

// The station's files on a faulty disk. Each file the station reads at start, found
// truncated, empty, full of random bytes, a folder, or unreadable: the station comes up
// or says why not, never crashes, says which file it could not read, and never writes a
// bad file over a good one. A disk that fills up: nothing half-written, nothing lost
// unsaid.
class TestDiskFaults : public QObject
{
    Q_OBJECT

    // A station's operators, running counter and window top.
    static void storeSettings()
    {
        QVERIFY(settings::SaveSetting(u"Platform"_s, u"Operators"_s, u"Ali,Veli"_s));
        QVERIFY(settings::SaveSetting(u"Properties"_s, u"BarNo"_s, u"151"_s));
        QVERIFY(storeStationRegistryText(u"KumasTop"_s, u"600"_s));
    }
    // The files of a working station: settings that point at a data folder of its own,
    // a running counter, window geometry, both layouts, orders and cards.
    static void setUpStation(StationWindow& w)
    {
        const QString data = w.home().file(u"Veri"_s);
        QVERIFY(QDir().mkpath(data));
        QVERIFY(settings::SaveSetting(u"Platform"_s, u"DataFolder"_s, data));
        storeSettings();
        QVERIFY(barkoddat::save(settings::programFile(u"Barkod.Dat"_s),
                                LabelLayout::design(u"FİRMA"_s), false));
        QVERIFY(writeBytes(
            settings::programFile(u"Kumas.Dat"_s),
            gridLayoutText(QList<std::pair<double, bool>>(15, {1500, true})).toLatin1()));
        for (const StationFile& f : kFiles) {
            if (f.kind != Kind::Database)
                continue;
            const QString path = w.home().file(f.name);
            SqlRows rows;
            for (int i = 0; i < kRows; ++i)
                rows.append({i, u"SATIR"_s});
            QVERIFY(TestDatabase(path).insert(f.table, f.columns, rows));
        }
        dbfiles::closeAll();
    }

private Q_SLOTS:
    void eachFileEachDamage_data()
    {
        QTest::addColumn<int>("file");
        QTest::addColumn<int>("damage");
        for (int f = 0; f < int(std::size(kFiles)); ++f)
            for (int d = 0; d < int(std::size(kDamageNames)); ++d)
                QTest::addRow("%s, %s", qPrintable(kFiles[f].name), kDamageNames[d]) << f << d;
    }
    void eachFileEachDamage()
    {
        QFETCH(int, file);
        QFETCH(int, damage);
        const auto damaged = Damage(damage);
        const StationFile& target = kFiles[file];
        const QString& name = target.name;
        StationWindow w;
        setUpStation(w);
        const QString path = w.home().file(name);
        ::damage(path, damaged);
        const QByteArray damagedBytes = readBytes(path);

        QStringList told;
        w->tell = [&](const QString& text) { told.append(text); };
        attachEntry(w.form());
        attachLabels(w.form())->tell = [&](const QString& text) { told.append(text); };
        {
            std::optional<PermissionsApply> asAUser;
            if (damaged == Damage::Unreadable)
                asAUser.emplace();
            QVERIFY(w.open());
        }
        const QString said = told.join(u'\n') + u'\n' + w->statusText();
        const QString fileName = QFileInfo(path).fileName();
        // What cannot be read whole is said, naming the file, in the station's words and
        // not the database engine's.
        QVERIFY2(!said.contains(u"database"), qPrintable(said));
        const bool unreadable =
            damaged == Damage::Random || damaged == Damage::Folder || damaged == Damage::Unreadable;
        if (unreadable && (target.kind != Kind::Layout || name == u"Barkod.Dat"))
            QVERIFY2(said.contains(fileName), qPrintable(said));
        // Recording is offered only on an orders table that opened.
        QCOMPARE(w->ordersOpen(), name != u"Veri/Kumas.Mdb" || damaged == Damage::Empty);
        QCOMPARE(w->Command2->isEnabled(), w->ordersOpen());
        if (name == u"Veri/Kumas.Mdb" && damaged == Damage::Empty)
            QVERIFY2(said.contains(u"Kumas.Mdb boştu"), qPrintable(said));
        // The data folder is the one the settings name, or the operator is told which (a
        // file cut in a line may name a shorter path: the tables made anew there are said).
        if (!w->dataFolder().startsWith(w.home().file(u"Veri"_s)))
            QVERIFY2(said.contains(u"yoktu") || told.join(u'\n').contains(w->dataFolder()),
                     qPrintable(said));
        w->close();

        // Every other file still reads whole; the damaged one is kept as it was found
        // (a settings file that could be read is kept aside) unless the station wrote a
        // good file in its place.
        for (const StationFile& other : kFiles) {
            const QString otherPath = w.home().file(other.name);
            if (otherPath != path && other.kind == Kind::Database)
                QVERIFY2(integrityRows(otherPath, other.table) == kRows, qPrintable(otherPath));
        }
        if (QFileInfo(path).isFile() && readBytes(path) != damagedBytes) {
            // Rewritten: only ever with a file that reads whole.
            QVERIFY(target.kind != Kind::Database || damaged == Damage::Empty);
            for (const settings::StoreProblem& p : settings::checkStores())
                QVERIFY2(p.path != path, qPrintable(p.reason));
        }
        if (target.kind == Kind::Settings && damaged == Damage::Random)
            QCOMPARE(readBytes(path + u".bozuk"_s), damagedBytes);
        if (target.kind != Kind::Settings || damaged == Damage::Folder ||
            damaged == Damage::Unreadable)
            QCOMPARE(QFileInfo(path).isDir(), damaged == Damage::Folder);
        if (name != u"Topkar.ini") {
            QCOMPARE(settings::GetSetting(u"Platform"_s, u"Operators"_s), u"Ali,Veli"_s);
            QCOMPARE(settings::GetSetting(u"Platform"_s, u"DataFolder"_s),
                     w.home().file(u"Veri"_s));
        }
    }

    // Every write of the station on a disk that fills up: the roll, its counter, both
    // layout files, the window geometry. Whatever room is left, each file is replaced
    // whole or left as it was, and a write that did not happen is told.
    void stationWritesWholeOrTold_data()
    {
        QTest::addColumn<int>("room"); // bytes left free
        for (int room : {0, 4096, 16384, 65536})
            QTest::addRow("%d bytes free", room) << room;
    }
    void stationWritesWholeOrTold()
    {
        QFETCH(int, room);
        StationWindow w;
        SmallDisk disk(w.home().path(), 1024);
        if (!disk.mounted())
            QSKIP(qPrintable(disk.why()));
        QStringList told;
        w->tell = [&](const QString& text) { told.append(text); };
        attachEntry(w.form());
        LabelDesigner* labels = attachLabels(w.form());
        labels->tell = [&](const QString& text) { told.append(text); };
        storeSettings();
        for (int i = 0; i < 3; ++i)
            w.addRoll(u"1046"_s, u"1046S0315%1"_s.arg(i), 100);
        QVERIFY(w.open());
        w->DBGrid1->horizontalHeader()->resizeSection(0, 120);
        labels->RefreshLabelPreview();
        labels->waitForLayoutFile();
        const QString barkod = settings::programFile(u"Barkod.Dat"_s);
        const QString kumas = settings::programFile(u"Kumas.Dat"_s);
        const QByteArray oldBarkod = readBytes(barkod);
        const QByteArray oldKumas = readBytes(kumas);
        QVERIFY(!oldBarkod.isEmpty() && !oldKumas.isEmpty() && told.isEmpty());

        disk.fill(room);
        // A new order's first roll.
        w.field(EntryField::OrderNo)->setText(u"1047"_s);
        w.field(EntryField::Customer)->setText(u"ÖZTÜRK TEKSTİL"_s);
        w.field(EntryField::Weight)->setText(u"120,5"_s);
        QTest::mouseClick(w->Command2, Qt::LeftButton);
        const bool recorded = w.rollCount() == 4;
        QVERIFY(recorded || w.rollCount() == 3);
        QCOMPARE(told.filter(u"Kayıt yazılamadı"_s).size(), recorded ? 0 : 1);
        // Both layout files.
        labels->moveSelectedItem(QPointF(300, 300));
        labels->RefreshLabelPreview();
        labels->waitForLayoutFile();
        const QByteArray newBarkod = readBytes(barkod);
        if (told.filter(u"Etiket düzeni"_s).isEmpty())
            QCOMPARE(seqfile::parse(seqfile::decode(newBarkod)).size(), 12);
        else
            QCOMPARE(newBarkod, oldBarkod);
        w->DBGrid1->horizontalHeader()->resizeSection(0, 140);
        if (w->statusText().contains(u"Kumas.Dat"))
            QCOMPARE(readBytes(kumas), oldKumas);
        else
            QCOMPARE(readBytes(kumas).count("\r\n"), 15);
        // The geometry at closing.
        w->close();
        const bool geometryTold = !told.filter(u"Pencerenin yeri"_s).isEmpty();
        QVERIFY(!stationRegistryText(u"KumasTop"_s).isEmpty());
        QVERIFY(geometryTold || !stationRegistryText(u"KumasHeight"_s).isEmpty());
        if (room == 0) // nothing fits: everything is told
            QVERIFY2(!recorded && geometryTold && told.size() == 3, qPrintable(told.join(u'\n')));

        // The settings never lose a value, the table stays sound, the counter never
        // falls behind a recorded roll.
        QCOMPARE(settings::GetSetting(u"Platform"_s, u"Operators"_s), u"Ali,Veli"_s);
        const int counter = settings::GetSetting(u"Properties"_s, u"BarNo"_s).toInt();
        QVERIFY(counter >= (recorded ? 152 : 151));
        QCOMPARE(w.orders().value(u"PRAGMA integrity_check"_s).toString(), u"ok"_s);
    }
};

QTEST_MAIN(TestDiskFaults)
#include "tst_disk_faults.moc"
