#include "core/database_files.h"
#include "core/record_set_model.h"
#include "core/settings_store.h"
#include "station/form1.h"
#include "station/grid_layout.h"
#include "test_home.h"

#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QSqlQuery>
#include <QStatusBar>
#include <QTableView>
#include <QtTest>

using namespace Qt::StringLiterals;

// The grid's column layout file and its centred headers.
class TestGridLayout : public QObject
{
    Q_OBJECT
    std::unique_ptr<TestHome> home;

    std::unique_ptr<Form1> openWindow()
    {
        auto w = std::make_unique<Form1>();
        w->start();
        w->show();
        if (!QTest::qWaitFor([&] { return w->ready(); }, 2000))
            qWarning("not ready");
        return w;
    }
    void writeBytes(const QByteArray& bytes)
    {
        QFile f(settings::programFile(u"Kumas.Dat"_s));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    static QByteArray readBytes()
    {
        QFile f(settings::programFile(u"Kumas.Dat"_s));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private Q_SLOTS:
    void init() { home = std::make_unique<TestHome>(); }
    void cleanup() { home.reset(); }

    void headerCentring()
    {
        // 1 twip per character, a blank 50 twips wide.
        auto width = [](const QString& t) { return t == u" " ? 50.0 : 500.0 * t.size() / 5; };
        QCOMPARE(CentreHeader(u"Firma"_s, 1500, 0, width), QString(10, u' ') + u"Firma"_s);
        QCOMPARE(CentreHeader(u"  Firma  "_s, 1500, 1, width), u"Firma"_s + QString(10, u' '));
        QCOMPARE(CentreHeader(u"Firma"_s, 1500, 2, width), u"Firma"_s);
        QCOMPARE(CentreHeader(u"Firma"_s, 400, 0, width), u"Firma"_s); // wider than its column
        // Saving twice gives the same caption: old blanks are trimmed first.
        const QString once = CentreHeader(u"Firma"_s, 1500, 0, width);
        QCOMPARE(CentreHeader(once, 1500, 0, width), once);
    }

    void aWindowsFileLoadsAndResizingWritesIt()
    {
        // As a Windows station writes it: CR LF, a hidden third column, a fraction.
        writeBytes("1500.5,#TRUE#\r\n2000,#TRUE#\r\n1515,#FALSE#\r\n");
        auto w = openWindow();
        QCOMPARE(w->columnWidthTwips(0), 1500.5);
        QCOMPARE(w->DBGrid1->columnWidth(1), 133);
        QVERIFY(w->DBGrid1->isColumnHidden(2));
        QVERIFY(!w->DBGrid1->isColumnHidden(3));
        QCOMPARE(w->columnWidthTwips(3), 2115.0); // beyond the file: the designed width
        QVERIFY(w->gridModel()->caption(0).startsWith(u"  "_s));
        QCOMPARE(w->gridModel()->caption(0).trimmed(), u"Sipariş No"_s);

        // The operator widens a column: the whole layout is written, hidden column kept.
        w->DBGrid1->horizontalHeader()->resizeSection(1, 150);
        const QList<QByteArray> lines = readBytes().split('\n');
        QCOMPARE(lines.size(), 16); // 15 lines, each ended by CR LF
        QCOMPARE(lines[0], "1500.5,#TRUE#\r");
        QCOMPARE(lines[1], "2250,#TRUE#\r");
        QCOMPARE(lines[2], "1515,#FALSE#\r");
        QCOMPARE(lines[14], "2475,#TRUE#\r");
        QCOMPARE(w->gridModel()->caption(2), u"Tarih"_s); // no blanks on a hidden header
        const QString centred = w->gridModel()->caption(1);
        w->DBGrid1->horizontalHeader()->resizeSection(1, 151);
        w->DBGrid1->horizontalHeader()->resizeSection(1, 150);
        QCOMPARE(w->gridModel()->caption(1), centred);
        w->close();
    }

    void malformedFilesKeepTheDesign_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("garbage") << QByteArray("abc,#MAYBE#\r\n,,,\r\n\xff\xfe\r\n");
        QTest::newRow("more lines")
            << QByteArray(20 * 20, 'x').replace("x", "999,#TRUE#\r\n").left(20 * 12);
        QTest::newRow("cut") << QByteArray("1400,#TRUE#\r\n1800,#TR");
    }
    void malformedFilesKeepTheDesign()
    {
        QFETCH(QByteArray, bytes);
        writeBytes(bytes);
        auto w = openWindow();
        QVERIFY(w->ready());
        for (int c = 2; c < 15; ++c)
            QVERIFY(w->columnWidthTwips(c) > 0);
        if (QTest::currentDataTag() == QByteArray("cut")) {
            QCOMPARE(w->columnWidthTwips(0), 1400.0);
            QCOMPARE(w->columnWidthTwips(1), 1800.0);
            QVERIFY(!w->DBGrid1->isColumnHidden(1));
        } else if (QTest::currentDataTag() == QByteArray("garbage")) {
            QCOMPARE(w->columnWidthTwips(0), 1395.0);
            QVERIFY(!w->DBGrid1->isColumnHidden(0));
        }
        w->close();
    }

    void aFailedWriteDoesNotStopTheStation()
    {
        QVERIFY(QDir().mkpath(settings::programFile(u"Kumas.Dat"_s))); // a folder in its place
        auto w = openWindow();
        w->DBGrid1->horizontalHeader()->resizeSection(0, 120);
        QVERIFY(w->statusBar()->currentMessage().contains(u"Kumas.Dat"));
        QVERIFY(w->isVisible());
        w->close();
    }
};

QTEST_MAIN(TestGridLayout)
#include "tst_grid_layout.moc"
