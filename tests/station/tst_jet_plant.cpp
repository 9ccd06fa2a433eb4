#include "core/data_control.h"
#include "core/database_files.h"
#include "core/record_set.h"
#include "jet_fixtures.h"
#include "message_boxes.h"
#include "sql_helpers.h"
#include "station/attach_entry.h"
#include "station_window.h"

#include <QLineEdit>
#include <QListView>
#include <QStatusBar>
#include <QtTest>

using namespace Qt::StringLiterals;

// The station put on a running plant's folder: the old station's Jet order file and the
// accounting program's Jet card files.
class TestJetPlant : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void orderFileMovedOver_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("moved");
        QTest::newRow("start-up, Evet") << u"Evet"_s << true;
        QTest::newRow("start-up, Hayır") << u"Hayır"_s << false;
        QTest::newRow("topkar --migrate") << u"--migrate"_s << true;
    }

    // Moved: every row as the Jet file holds it, the Jet file kept byte for byte under
    // Jet-yedek. Declined: the file untouched, no order table, the status line says how
    // to move later.
    void orderFileMovedOver()
    {
        QFETCH(QString, how);
        QFETCH(bool, moved);
        StationWindow w;
        const QDir data(w.home().dataFolder());
        const QString orders = data.filePath(u"Kumas.Mdb"_s);
        QVERIFY(jetfixtures::writeOrderFile(orders));
        const QByteArray original = readBytes(orders);

        QString told;
        if (how == u"--migrate"_s) {
            QProcess p;
            p.start(QStringLiteral(TOPKAR_PROGRAM), {how});
            QVERIFY(p.waitForFinished(60000));
            QCOMPARE(p.exitCode(), 0);
            told = QString::fromUtf8(p.readAllStandardOutput());
        } else {
            ModalAnswerer boxes;
            boxes.reply = how == u"Evet"_s ? QMessageBox::Yes : QMessageBox::No;
            QVERIFY(w.open());
            told = boxes.messages.join(u'\n');
            RecordSet* rs = w->Data1->recordset();
            QCOMPARE(rs ? rs->recordCount() : -1, moved ? 830 : -1);
        }
        const QStringList kept =
            QDir(data.filePath(u"Jet-yedek"_s)).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        if (!moved) {
            QCOMPARE(readBytes(orders), original);
            QVERIFY(kept.isEmpty());
            QVERIFY(w->statusBar()->currentMessage().contains(u"topkar --migrate"_s));
            return;
        }
        QVERIFY2(told.contains(u"Siparişler aktarıldı: 830 satır"_s), qPrintable(told));
        const QString keptFile = data.filePath(u"Jet-yedek/%1/Kumas.Mdb"_s.arg(kept.value(0)));
        QCOMPARE(readBytes(keptFile), original);
        // Turkish letters decoded in Windows-1254; the station's indexes in its collation.
        qint64 rows = 0;
        const QSqlDatabase db = dbfiles::connection(orders);
        const QString difference =
            jetfixtures::compareTable(keptFile, 1254, db, u"Siparis"_s, &rows);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
        QSqlQuery index =
            runSql(db, u"SELECT sql FROM sqlite_master WHERE name = 'Siparis_BarNo'"_s);
        QVERIFY(index.next() && index.value(0).toString().contains(u"COLLATE TRNOCASE"_s));
    }

    // The accounting program's customer file, read through a copy: a file put in its
    // place shows its cards at the next search; one caught in the middle of a write
    // keeps the last cards, and the status line says so. The Jet file is never changed.
    void cardFileFollowed()
    {
        StationWindow w;
        attachEntry(w.form());
        const QString cards = w.home().dataFolder() + u"/01Cari.Mdb"_s;
        QVERIFY(jetfixtures::writeCardFile(cards));
        const QByteArray original = readBytes(cards);
        QVERIFY(w.open());
        QLineEdit* field = w.field(EntryField::Customer);
        const auto search = [&](const QString& text) {
            w.field(EntryField::Lot)->setFocus(Qt::TabFocusReason);
            field->setFocus(Qt::TabFocusReason); // entering the field looks at the file
            field->clear();
            typeText(field, text);
            return w->dbListe1->isVisible() ? w->dbListe1->currentIndex().data().toString()
                                            : QString();
        };
        QCOMPARE(search(u"Surg"_s), u"Surger 350"_s);
        QCOMPARE(search(u"Yeni"_s), QString());
        QCOMPARE(readBytes(cards), original);

        QVERIFY(jetfixtures::writeCardFile(cards, true));
        QCOMPARE(search(u"Yeni"_s), u"Yeni1"_s);
        QVERIFY(w->statusBar()->currentMessage().contains(u"Veriler: "_s));

        QFile file(cards);
        QVERIFY(file.resize(file.size() / 2));
        QCOMPARE(search(u"Yeni"_s), u"Yeni1"_s);
        QVERIFY(w->statusBar()->currentMessage().contains(u"Son okunan kartlar gösteriliyor"_s));
    }
};

QTEST_MAIN(TestJetPlant)
#include "tst_jet_plant.moc"
