#include "core/sequential_file.h"
#include "core/settings_store.h"
#include "disk_faults.h"
#include "labels/label_layout_file.h"
#include "sql_helpers.h"
#include "station/attach_entry.h"
#include "station/label_designer.h"
#include "station_window.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

using namespace Qt::StringLiterals;

// Every write of the station on a disk that fills up: the roll, its counter, both layout
// files, the window geometry. Whatever room is left, each file is replaced whole or
// left as it was, and a write that did not happen is told.
class TestFullDisk : public QObject
{
    Q_OBJECT

private Q_SLOTS:
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
        QVERIFY(settings::SaveSetting(u"Platform"_s, u"Operators"_s, u"Ali,Veli"_s));
        QVERIFY(settings::SaveSetting(u"Properties"_s, u"BarNo"_s, u"151"_s));
        QVERIFY(WriteRegistryText(RegistryRoot::CurrentUser, u"Nirvelo\\Properties1"_s,
                                  u"KumasTop"_s, u"600"_s));
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
        if (told.filter(u"Etiket düzeni"_s).isEmpty()) {
            QCOMPARE(seqfile::parse(seqfile::decode(newBarkod)).size(), 12);
        } else {
            QCOMPARE(newBarkod, oldBarkod);
        }
        w->DBGrid1->horizontalHeader()->resizeSection(0, 140);
        if (w->statusText().contains(u"Kumas.Dat"))
            QCOMPARE(readBytes(kumas), oldKumas);
        else
            QCOMPARE(readBytes(kumas).count("\r\n"), 15);
        // The geometry at closing.
        w->close();
        const bool geometryTold = !told.filter(u"Pencerenin yeri"_s).isEmpty();
        QCOMPARE(
            ReadRegistryText(RegistryRoot::CurrentUser, u"Nirvelo\\Properties1"_s, u"KumasTop"_s)
                .isEmpty(),
            false);
        QVERIFY(geometryTold || !ReadRegistryText(RegistryRoot::CurrentUser,
                                                  u"Nirvelo\\Properties1"_s, u"KumasHeight"_s)
                                     .isEmpty());
        if (room == 0) // nothing fits: everything is told
            QVERIFY2(!recorded && geometryTold && told.size() == 3, qPrintable(told.join(u'\n')));

        // The settings never lose a value, the table stays sound, the counter never
        // falls behind a recorded roll.
        QCOMPARE(settings::GetSetting(u"Platform"_s, u"Operators"_s), u"Ali,Veli"_s);
        const int counter = settings::GetSetting(u"Properties"_s, u"BarNo"_s).toInt();
        QVERIFY(counter >= (recorded ? 152 : 151));
        QSqlQuery check = runSql(w.orders(), u"PRAGMA integrity_check"_s);
        QVERIFY(check.next());
        QCOMPARE(check.value(0).toString(), u"ok"_s);
    }
};

QTEST_MAIN(TestFullDisk)
#include "tst_full_disk.moc"
