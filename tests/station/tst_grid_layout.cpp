#include "core/record_set_model.h"
#include "core/settings_store.h"
#include "core/twips.h"
#include "station/grid_layout.h"
#include "station/station_style.h"
#include "station_window.h"

#include <QDir>
#include <QFile>
#include <QFontMetricsF>
#include <QHeaderView>
#include <QStatusBar>
#include <QTableView>
#include <QtTest>

using namespace Qt::StringLiterals;

// The grid's column layout file and its centred headers.
class TestGridLayout : public QObject
{
    Q_OBJECT
    std::unique_ptr<StationWindow> s;
    Form1* w = nullptr;
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
    void init()
    {
        s = std::make_unique<StationWindow>();
        w = &s->form();
    }
    void cleanup() { s.reset(); }

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
        QVERIFY(s->open());
        QCOMPARE(w->columnWidthTwips(0), 1500.5);
        QCOMPARE(w->DBGrid1->columnWidth(1), 133);
        QVERIFY(w->DBGrid1->isColumnHidden(2));
        QVERIFY(!w->DBGrid1->isColumnHidden(3));
        QCOMPARE(w->columnWidthTwips(3), 2115.0); // beyond the file: the designed width
        // Header blanks measured in the window's font (13,5 pt), not bold like the grid's
        // cells; saving measures at the cells' size (12 pt).
        auto in = [](double points) {
            return [m = QFontMetricsF(style::sansSerif(points))](const QString& t) {
                return twips::fromPixels(1) * m.horizontalAdvance(t);
            };
        };
        QCOMPARE(w->gridModel()->caption(0), CentreHeader(u"Sipariş No"_s, 1500.5, 0, in(13.5)));

        // The operator widens a column: the whole layout is written, hidden column kept.
        w->DBGrid1->horizontalHeader()->resizeSection(1, 150);
        const QList<QByteArray> lines = readBytes().split('\n');
        QCOMPARE(lines.size(), 16); // 15 lines, each ended by CR LF
        QCOMPARE(lines[0], "1500.5,#TRUE#\r");
        QCOMPARE(lines[1], "2250,#TRUE#\r");
        QCOMPARE(lines[2], "1515,#FALSE#\r");
        QCOMPARE(lines[14], "2475,#TRUE#\r");
        QCOMPARE(w->gridModel()->caption(2), u"Tarih"_s); // no blanks on a hidden header
        QCOMPARE(w->gridModel()->caption(1), CentreHeader(u"BarKod"_s, 2250, 0, in(12)));
        const QString centred = w->gridModel()->caption(1);
        w->DBGrid1->horizontalHeader()->resizeSection(1, 151);
        w->DBGrid1->horizontalHeader()->resizeSection(1, 150);
        QCOMPARE(w->gridModel()->caption(1), centred);
        w->close();
    }

    // What a line says is taken, the rest of the columns keep their designed layout.
    void malformedFilesKeepTheDesign_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<double>("first"); // widths of the first two columns
        QTest::addColumn<double>("second");
        QTest::newRow("empty") << QByteArray() << 1395.0 << 1875.0;
        QTest::newRow("garbage") << QByteArray("abc,#MAYBE#\r\n,,,\r\n\xff\xfe\r\n") << 1395.0
                                 << 1875.0;
        QTest::newRow("more lines than columns")
            << QByteArray(20, 'x').replace("x", "999,#TRUE#\r\n") << 999.0 << 999.0;
        QTest::newRow("cut") << QByteArray("1400,#TRUE#\r\n1800,#TR") << 1400.0 << 1800.0;
    }
    void malformedFilesKeepTheDesign()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(double, first);
        QFETCH(double, second);
        writeBytes(bytes);
        QVERIFY(s->open());
        QCOMPARE(w->columnWidthTwips(0), first);
        QCOMPARE(w->columnWidthTwips(1), second);
        QVERIFY(!w->DBGrid1->isColumnHidden(0) && !w->DBGrid1->isColumnHidden(1));
        w->close();
    }

    void aFailedWriteDoesNotStopTheStation()
    {
        QVERIFY(QDir().mkpath(settings::programFile(u"Kumas.Dat"_s))); // a folder in its place
        QVERIFY(s->open());
        w->DBGrid1->horizontalHeader()->resizeSection(0, 120);
        QVERIFY(w->statusBar()->currentMessage().contains(u"Kumas.Dat"));
        QVERIFY(w->isVisible());
        w->close();
    }
};

QTEST_MAIN(TestGridLayout)
#include "tst_grid_layout.moc"
