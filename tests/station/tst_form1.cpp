#include "case_table.h"
#include "core/data_control.h"
#include "core/database_files.h"
#include "core/record_set.h"
#include "core/record_set_model.h"
#include "core/settings_store.h"
#include "core/twips.h"
#include "jet_fixtures.h"
#include "message_boxes.h"
#include "orders/demo_company.h"
#include "station/attach_entry.h"
#include "station/grid_layout.h"
#include "station/label_designer.h"
#include "station/station_style.h"
#include "station/wheel_mouse.h"
#include "station/window_keys.h"
#include "station_window.h"

#include <QFontMetricsF>
#include <QScreen>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {
// The stored top, width and height; the window's size; the roll counter after start.
const std::tuple<const char*, QStringList, QSize, QString> kGeometries[] = {
    {"first run", {}, QSize(14235, 10470), u"0"_s},
    {"stored", {u"600"_s, u"16035"_s, u"11970"_s}, QSize(16035, 11970), u"214"_s},
    {"not numbers, too small", {u"abc"_s, u"çok"_s, u"-400"_s}, QSize(14235, 8475), u"214"_s},
};
// What a line says is taken, the other columns keep their designed layout: the file,
// the widths of the first two columns. Widths wider than any screen are no widths an
// operator made (and millions of blanks to pad the header with).
const std::tuple<const char*, QByteArray, double, double> kGridFiles[] = {
    {"empty", {}, 1395, 1875},
    {"garbage", "abc,#MAYBE#\r\n,,,\r\n\xff\xfe\r\n", 1395, 1875},
    {"more lines than columns", QByteArray(20, 'x').replace("x", "999,#TRUE#\r\n"), 999, 999},
    {"cut", "1400,#TRUE#\r\n1800,#TR", 1400, 1800},
    {"absurd widths", "30000000000,#TRUE#\r\n3000000000,#TRUE#\r\n", 1395, 1875},
};
// The old order file at start: answered Evet or Hayır, or moved by "topkar --migrate".
const std::tuple<const char*, QString, bool> kOrderFileMoves[] = {
    {"start-up, Evet", u"Evet"_s, true},
    {"start-up, Hayır", u"Hayır"_s, false},
    {"topkar --migrate", u"--migrate"_s, true},
};
// Counts the keys a control receives.
class KeySpy : public QObject
{
public:
    QList<int> keys;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::KeyPress)
            keys.append(static_cast<QKeyEvent*>(e)->key());
        return false;
    }
};
} // namespace

// The main window on its own, offscreen over temporary data: start and close with the
// stored geometry, the data folder, the grid and its layout file, the keys the window
// handles itself and the mouse wheel.
class TestForm1 : public QObject
{
    Q_OBJECT
    std::unique_ptr<StationWindow> s;
    Form1* w = nullptr;

    static void wheel(QWidget* over, int delta)
    {
        const QPoint local(over->width() / 2, over->height() / 2);
        QWidget* target = over->childAt(local) ? over->childAt(local) : over;
        QWheelEvent e(target->mapFromGlobal(over->mapToGlobal(local)), over->mapToGlobal(local),
                      QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                      false);
        QApplication::sendEvent(target, &e);
    }
    int gridRow() const { return w->DBGrid1->currentIndex().row(); }
    static QString gridLayoutFile() { return settings::programFile(u"Kumas.Dat"_s); }

private Q_SLOTS:
    void init()
    {
        s = std::make_unique<StationWindow>();
        w = &s->form();
    }
    void cleanup() { s.reset(); }

    // The stored size is restored when it is a size; a first run (no top stored) also
    // restarts the roll counter. Either way the resize rule places the grid, the window
    // stands centred at the top of the screen and closing stores its size.
    void geometry_data() { addCases(kGeometries); }
    void geometry()
    {
        const auto& [name, stored, size, counter] = currentCase(kGeometries);
        const QStringList names{u"KumasTop"_s, u"KumasWidth"_s, u"KumasHeight"_s};
        for (int i = 0; i < stored.size(); ++i)
            storeStationRegistryText(names[i], stored[i]);
        settings::SaveSetting(u"Properties"_s, u"BarNo"_s, u"214"_s);
        QVERIFY(s->open());
        QCOMPARE(settings::GetSetting(u"Properties"_s, u"BarNo"_s), counter);
        QCOMPARE(w->outerSizeTwips(), size);
        QCOMPARE(w->Combo3->x(), (size.width() - 3735) / 15);
        QCOMPARE(w->DBGrid1->size(), QSize((size.width() - 270) / 15, (size.height() - 7875) / 15));
        const QRect avail = w->screen()->availableGeometry();
        QCOMPARE(w->frameGeometry().y(), avail.y());
        // Centred within the few pixels of a frame the platform adds after showing.
        const int centred = avail.x() + (avail.width() - w->frameGeometry().width()) / 2;
        QVERIFY(std::abs(w->frameGeometry().x() - centred) <= 4);
        w->resize(120, 90); // a tiny window still lays out
        QVERIFY(w->DBGrid1->width() >= 0 && w->DBGrid1->height() >= 0);
        w->setOuterSizeTwips(size.width(), size.height());
        w->close();
        QCOMPARE(stationRegistryText(u"KumasWidth"_s), QString::number(size.width()));
        QVERIFY(!stationRegistryText(u"KumasTop"_s).isEmpty() &&
                !stationRegistryText(u"KumasLeft"_s).isEmpty());
    }

    void firstActivationSetsThePanelOnce()
    {
        QVERIFY(s->open());
        QCOMPARE(w->DTPicker1->date(), QDate::currentDate());
        QCOMPARE(w->Combo4->count(), 1); // no operator names until the installation sets them
        // A new station gets its three database files, ready to use.
        for (const char* file : {dbfiles::kOrders, dbfiles::kAccounts, dbfiles::kStock})
            QVERIFY(QFile::exists(s->home().dataFolder() + u'/' + QLatin1String(file)));
        QVERIFY(w->dataReachable());
        QVERIFY(w->statusBar()->currentMessage().contains(u"MuhasebeData"));
        QCOMPARE(w->Data4->databaseName(), w->Data1->databaseName());
        // Later activations change nothing.
        w->field(EntryField::Customer)->setText(u"Firma X"_s);
        w->DTPicker1->setDate(QDate(2020, 1, 1));
        w->formActivate();
        QCOMPARE(w->field(EntryField::Customer)->text(), u"Firma X"_s);
        QCOMPARE(w->DTPicker1->date(), QDate(2020, 1, 1));
        // The network address: an emptied answer goes back to the local folder; Cancel
        // keeps the stored host.
        const QString database = w->Data1->databaseName();
        for (const auto& [typed, stored] : {std::pair{u"  10.0.0.9 "_s, u"10.0.0.9"_s},
                                            {QString(), u"10.0.0.9"_s},
                                            {u" "_s, QString()}}) {
            ModalAnswerer operatorTypes([answer = typed](QWidget* modal) {
                auto* dialog = qobject_cast<QInputDialog*>(modal);
                dialog->setTextValue(answer);
                answer.isNull() ? dialog->reject() : dialog->accept();
            });
            w->netIpClick();
            QCOMPARE(settings::GetSetting(u"Properties"_s, u"NetIp"_s, u"unset"_s), stored);
        }
        QCOMPARE(w->Data1->databaseName(), database); // takes effect at the next start
    }

    void unreachableShareStillOpensAndSaysWhere()
    {
        settings::SaveSetting(u"Properties"_s, u"NetIp"_s, u"depo-pc"_s);
        settings::SaveSetting(u"Platform"_s, u"NetMountRoot"_s, s->home().file(u"mnt"_s));
        QVERIFY(s->open());
        QVERIFY(!w->dataReachable() && !w->Data1->recordset());
        QVERIFY(w->Data1->databaseName().contains(u"depo-pc/MuhasebeData/Kumas.Mdb"));
        QVERIFY(w->statusBar()->currentMessage().contains(u"depo-pc"));
        QVERIFY(!QDir(s->home().file(u"mnt"_s)).exists()); // nothing made in place of the share
        QCOMPARE(w->DBGrid1->model()->rowCount(), 0);
    }

    // "--print-label" without a printer writes the label into a PDF file and says where
    // on standard error; with no barcode number to print the run fails.
    void printLabelAtStart()
    {
        qputenv("CUPS_SERVER", QFile::encodeName(s->home().file(u"no-print-server"_s)));
        for (const auto& [exitCode, said] :
             {std::pair{1, u"barkod numarası yok"_s}, {0, u"Etiketler/1047S03215.pdf"_s}}) {
            if (exitCode == 0)
                s->addRoll(u"1047"_s, u"1047S03215"_s, 23.5);
            const ProgramRun run =
                runProgram(QString::fromUtf8(TOPKAR_PROGRAM), {u"--print-label"_s});
            QCOMPARE(run.exitCode, exitCode);
            QVERIFY2(run.err.contains(said), qPrintable(run.err));
        }
        QVERIFY(QFileInfo(s->home().file(u"Etiketler/1047S03215.pdf"_s)).size() > 0);
    }

    void demoCompanyFillsTheGridAndTheGridMovesData1()
    {
        QString error;
        QVERIFY2(fillDemoCompany(s->home().dataFolder(), &error), qPrintable(error));
        QVERIFY(fillDemoCompany(s->home().dataFolder(), &error)); // a second start adds nothing
        auto file = [&](const char* name) {
            return TestDatabase(s->home().dataFolder() + u'/' + QLatin1String(name));
        };
        QCOMPARE(file(dbfiles::kAccounts).count(u"CariKartlar"_s), 300);
        QCOMPARE(file(dbfiles::kStock).count(u"StokKartlar"_s), 200);
        const int rolls = s->rollCount();
        QCOMPARE(s->orders().value(u"SELECT COUNT(DISTINCT SipNo) FROM Siparis"_s), 2000);
        QVERIFY(rolls > 19000 && rolls < 21000);

        QVERIFY(s->open());
        QAbstractItemModel* grid = w->DBGrid1->model();
        QCOMPARE(grid->rowCount(), rolls);
        QCOMPARE(grid->index(0, 0).data().toString(), u"3000"_s);
        // Data1 moved to its last row takes the grid there (the other way: the wheel).
        w->Data1->recordset()->moveLast();
        QCOMPARE(gridRow(), rolls - 1);
        QCOMPARE(grid->index(rolls - 1, 0).data().toString(), u"1001"_s);
    }

    void headerCentring()
    {
        // A character 100 twips wide, a blank 50.
        auto width = [](const QString& t) { return t == u" " ? 50.0 : 100.0 * t.size(); };
        QCOMPARE(CentreHeader(u"Firma"_s, 1500, 0, width), QString(10, u' ') + u"Firma"_s);
        QCOMPARE(CentreHeader(u"  Firma  "_s, 1500, 1, width), u"Firma"_s + QString(10, u' '));
        QCOMPARE(CentreHeader(u"Firma"_s, 1500, 2, width), u"Firma"_s);
        QCOMPARE(CentreHeader(u"Firma"_s, 400, 0, width), u"Firma"_s); // wider than its column
    }

    void gridLayoutFileLoadsAndResizingWritesIt()
    {
        // As a Windows station writes it: CR LF, a hidden third column, a fraction.
        QVERIFY(writeBytes(gridLayoutFile(), "1500.5,#TRUE#\r\n2000,#TRUE#\r\n1515,#FALSE#\r\n"));
        QVERIFY(s->open());
        QCOMPARE(w->columnWidthTwips(0), 1500.5);
        QCOMPARE(w->DBGrid1->columnWidth(1), 133);
        QVERIFY(w->DBGrid1->isColumnHidden(2) && !w->DBGrid1->isColumnHidden(3));
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
        const QList<QByteArray> lines = readBytes(gridLayoutFile()).split('\n');
        QCOMPARE(lines.size(), 16); // 15 lines, each ended by CR LF
        QCOMPARE(lines.mid(0, 3),
                 (QList<QByteArray>{"1500.5,#TRUE#\r", "2250,#TRUE#\r", "1515,#FALSE#\r"}));
        QCOMPARE(lines[14], "2475,#TRUE#\r");
        QCOMPARE(w->gridModel()->caption(2), u"Tarih"_s); // no blanks on a hidden header
        QCOMPARE(w->gridModel()->caption(1), CentreHeader(u"BarKod"_s, 2250, 0, in(12)));
        // Saving again gives the same caption: old blanks are trimmed first.
        const QString centred = w->gridModel()->caption(1);
        w->DBGrid1->horizontalHeader()->resizeSection(1, 151);
        w->DBGrid1->horizontalHeader()->resizeSection(1, 150);
        QCOMPARE(w->gridModel()->caption(1), centred);
        // A layout that cannot be written is shown, and the station goes on.
        QVERIFY(QFile::remove(gridLayoutFile()) && QDir().mkpath(gridLayoutFile()));
        w->DBGrid1->horizontalHeader()->resizeSection(0, 120);
        QVERIFY(w->statusBar()->currentMessage().contains(u"Kumas.Dat"));
        QVERIFY(w->isVisible());
    }

    void malformedGridLayoutFiles_data() { addCases(kGridFiles); }
    void malformedGridLayoutFiles()
    {
        const auto& [name, bytes, first, second] = currentCase(kGridFiles);
        QVERIFY(writeBytes(gridLayoutFile(), bytes));
        QVERIFY(s->open());
        QCOMPARE(w->columnWidthTwips(0), first);
        QCOMPARE(w->columnWidthTwips(1), second);
        QVERIFY(!w->DBGrid1->isColumnHidden(0) && !w->DBGrid1->isColumnHidden(1));
    }

    void nudgeBounds()
    {
        const QSizeF canvas = kCanvasTwips;
        QCOMPARE(nudgedPosition({31, 100, 500, 360}, canvas, Qt::Key_Left), QPointF(1, 100));
        QCOMPARE(nudgedPosition({30, 100, 500, 360}, canvas, Qt::Key_Left), QPointF(30, 100));
        QCOMPARE(nudgedPosition({100, 31, 500, 360}, canvas, Qt::Key_Up), QPointF(100, 1));
        QCOMPARE(nudgedPosition({100, 30, 500, 360}, canvas, Qt::Key_Up), QPointF(100, 30));
        QCOMPARE(nudgedPosition({5078, 100, 500, 360}, canvas, Qt::Key_Right), QPointF(5108, 100));
        QCOMPARE(nudgedPosition({5079, 100, 500, 360}, canvas, Qt::Key_Right), QPointF(5079, 100));
        QCOMPARE(nudgedPosition({100, 5278, 500, 360}, canvas, Qt::Key_Down), QPointF(100, 5308));
        QCOMPARE(nudgedPosition({100, 5279, 500, 360}, canvas, Qt::Key_Down), QPointF(100, 5279));
    }

    // While a label item is selected the arrows move it (and not the caret) and drop its
    // centring (how far: nudgeBounds), Esc and a click on the window's free area
    // deselect it.
    void windowKeysForTheSelectedLabelItem()
    {
        const LabelLayout& layout = attachLabels(*w)->layout();
        QVERIFY(s->open());
        QVERIFY(QTest::qWaitForWindowActive(w));
        const LabelItem& company = layout.items[6]; // centred
        const double left = company.left;
        QWidget* item = w->findChild<QWidget*>(u"Label2_6"_s);
        QTest::mouseClick(item, Qt::LeftButton, {}, QPoint(3, 3));
        QLineEdit* lot = w->field(EntryField::Lot);
        lot->setFocus();
        lot->setText(u"L-1"_s);
        lot->setCursorPosition(3);
        QTest::keyClick(lot, Qt::Key_Left);
        QCOMPARE(company.left, left - 30);
        QCOMPARE(item->x(), qRound(company.left / 15));
        QCOMPARE(company.alignment, int(AlignLeft));
        QCOMPARE(lot->cursorPosition(), 3); // the field did not see the key
        // Other keys still reach the field.
        QTest::keyClick(lot, Qt::Key_Backspace);
        QTest::keyClicks(lot, u"7"_s);
        QCOMPARE(lot->text(), u"L-7"_s);
        // Esc deselects and still reaches the field; then arrows move the caret again.
        QTest::keyClick(lot, Qt::Key_Escape);
        QVERIFY(!w->parts.LabelItemSelected());
        QTest::keyClick(lot, Qt::Key_Left);
        QVERIFY(lot->cursorPosition() == 2 && company.left == left - 30);
        QTest::mouseClick(item, Qt::LeftButton, {}, QPoint(3, 3));
        QTest::mouseClick(w->centralWidget(), Qt::LeftButton, {},
                          QPoint(5, w->centralWidget()->height() - 3));
        QVERIFY(!w->parts.LabelItemSelected());
    }

    void gridEndButtonsAndTheWheel()
    {
        s->orders().exec(u"WITH RECURSIVE n(i) AS (SELECT 1000 UNION ALL SELECT i + 1 FROM n "
                         u"WHERE i < 1199) INSERT INTO Siparis (SipNo, BarNo, TopKg) "
                         u"SELECT i, 'B' || i, 1 FROM n"_s);
        QVERIFY(s->open());
        QVERIFY(QTest::qWaitForWindowActive(w));
        QScrollBar* bar = w->DBGrid1->verticalScrollBar();
        QTest::mouseClick(w->findChild<QToolButton*>(u"DownCmd"_s), Qt::LeftButton);
        QVERIFY(w->DBGrid1->hasFocus() && bar->value() == bar->maximum());
        QCOMPARE(w->DBGrid1->horizontalScrollBar()->value(), 0);
        w->findChild<QToolButton*>(u"UpCmd"_s)->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); // Enter clicks it
        QVERIFY(w->DBGrid1->hasFocus() && bar->value() == 0);

        // A wheel turn over the grid is one Up or Down key to the focused control.
        QVERIFY(w->Data1->recordset()->setAbsolutePosition(10));
        QCOMPARE(gridRow(), 10);
        wheel(w->DBGrid1, -120); // towards the user: one row down
        QCOMPARE(gridRow(), 11);
        wheel(w->DBGrid1, 240); // a big turn is still one key
        QCOMPARE(gridRow(), 10);
        QCOMPARE(w->Data1->recordset()->absolutePosition(), 10);
        // Over a button or a text field nothing happens.
        wheel(w->Command2, -120);
        wheel(w->field(EntryField::Customer), -120);
        QCOMPARE(gridRow(), 10);
        // Over a search list while a text field has the focus: the key goes to the field.
        w->dbListe1->show();
        w->dbListe1->raise();
        w->field(EntryField::Customer)->setFocus();
        KeySpy field, list;
        w->field(EntryField::Customer)->installEventFilter(&field);
        w->dbListe1->installEventFilter(&list);
        wheel(w->dbListe1, -120);
        QCOMPARE(gridRow(), 10);
        QCOMPARE(field.keys, QList<int>{Qt::Key_Down});
        QVERIFY(list.keys.isEmpty());
        // After the window closes the wheel is not caught any more.
        UnhookWheel(*w);
        w->DBGrid1->setFocus();
        const int before = bar->value();
        wheel(w->DBGrid1, -120);
        QCOMPARE(gridRow(), 10);
        QVERIFY(bar->value() > before); // the grid scrolls by itself
    }

    // The station put on a running plant's folder: the old station's Jet order file and
    // the accounting program's Jet card files.
    void orderFileMovedOver_data() { addCases(kOrderFileMoves); }

    // Moved: every row as the Jet file holds it, the Jet file kept byte for byte under
    // Jet-yedek. Declined: the file untouched, no order table, the status line says how
    // to move later.
    void orderFileMovedOver()
    {
        const auto& [name, how, moved] = currentCase(kOrderFileMoves);
        const QDir data(s->home().dataFolder());
        const QString orders = data.filePath(u"Kumas.Mdb"_s);
        QVERIFY(jetfixtures::writeOrderFile(orders));
        const QByteArray original = readBytes(orders);

        QString told;
        if (how == u"--migrate"_s) {
            const ProgramRun run = runProgram(QStringLiteral(TOPKAR_PROGRAM), {how});
            QCOMPARE(run.exitCode, 0);
            told = run.out;
        } else {
            ModalAnswerer boxes;
            boxes.reply = how == u"Evet"_s ? QMessageBox::Yes : QMessageBox::No;
            QVERIFY(s->open());
            told = boxes.messages.join(u'\n');
            RecordSet* rs = s->rs();
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
        const QString difference = jetfixtures::compareTable(
            keptFile, 1254, dbfiles::connection(orders), u"Siparis"_s, &rows);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
        QVERIFY(TestDatabase(orders)
                    .value(u"SELECT sql FROM sqlite_master WHERE name = 'Siparis_BarNo'"_s)
                    .toString()
                    .contains(u"COLLATE TRNOCASE"_s));
    }

    // The accounting program's customer file, read through a copy: a file put in its
    // place shows its cards at the next search; one caught in the middle of a write
    // keeps the last cards, and the status line says so. The Jet file is never changed.
    void cardFileFollowed()
    {
        attachEntry(*w);
        const QString cards = s->home().dataFolder() + u"/01Cari.Mdb"_s;
        QVERIFY(jetfixtures::writeCardFile(cards));
        const QByteArray original = readBytes(cards);
        QVERIFY(s->open());
        QLineEdit* field = s->field(EntryField::Customer);
        const auto search = [&](const QString& text) {
            s->field(EntryField::Lot)->setFocus(Qt::TabFocusReason);
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

        QVERIFY(QFile::resize(cards, QFileInfo(cards).size() / 2));
        QCOMPARE(search(u"Yeni"_s), u"Yeni1"_s);
        QVERIFY(w->statusBar()->currentMessage().contains(u"Son okunan kartlar gösteriliyor"_s));
    }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
