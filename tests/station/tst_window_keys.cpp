#include "core/data_control.h"
#include "sql_helpers.h"
#include "station/wheel_mouse.h"
#include "station/window_keys.h"
#include "station_window.h"

#include <QApplication>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QToolButton>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {
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

// Keys the window handles itself (the selected label item), the grid's end buttons and
// the mouse wheel.
class TestWindowKeys : public QObject
{
    Q_OBJECT
    std::unique_ptr<StationWindow> s;
    Form1* w = nullptr;
    // A stand-in for the label designer's selected item.
    bool selected = false;
    QRectF item{31, 600, 1200, 360};
    bool leftAligned = false;

    void wheel(QWidget* over, int delta)
    {
        const QPoint local(over->width() / 2, over->height() / 2);
        QWidget* target = over->childAt(local) ? over->childAt(local) : over;
        QWheelEvent e(target->mapFromGlobal(over->mapToGlobal(local)), over->mapToGlobal(local),
                      QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                      false);
        QApplication::sendEvent(target, &e);
    }
    int gridRow() const { return w->DBGrid1->currentIndex().row(); }

private Q_SLOTS:
    void init()
    {
        s = std::make_unique<StationWindow>();
        runSql(s->orders(), u"WITH RECURSIVE n(i) AS (SELECT 1000 UNION ALL SELECT i + 1 FROM n "
                            u"WHERE i < 1199) INSERT INTO Siparis (SipNo, BarNo, TopKg) "
                            u"SELECT i, 'B' || i, 1 FROM n"_s);
        w = &s->form();
        w->parts.LabelItemSelected = [this] { return selected; };
        w->parts.SelectedItemRect = [this] { return item; };
        w->parts.MoveSelectedItem = [this](QPointF p) { item.moveTopLeft(p); };
        w->parts.LeftAlignSelectedItem = [this] { leftAligned = true; };
        w->parts.DeselectLabelItem = [this] { selected = false; };
        QVERIFY(s->open());
        QVERIFY(QTest::qWaitForWindowActive(w));
    }
    void cleanup() { s.reset(); }

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

    void arrowsMoveTheSelectedItemNotTheCaret()
    {
        QLineEdit* lot = w->field(EntryField::Lot);
        lot->setFocus();
        lot->setText(u"L-1"_s);
        lot->setCursorPosition(3);
        selected = true;
        QTest::keyClick(lot, Qt::Key_Left);
        QCOMPARE(item.left(), 1.0);
        QCOMPARE(lot->cursorPosition(), 3); // the field did not see the key
        QVERIFY(leftAligned);
        leftAligned = false;
        QTest::keyClick(lot, Qt::Key_Left); // at 1 it stays, still left-aligned
        QCOMPARE(item.left(), 1.0);
        QVERIFY(leftAligned);
        // Other keys still reach the field.
        QTest::keyClick(lot, Qt::Key_Backspace);
        QTest::keyClicks(lot, u"7"_s);
        QCOMPARE(lot->text(), u"L-7"_s);
        // Esc deselects and still reaches the field; then arrows move the caret again.
        QTest::keyClick(lot, Qt::Key_Escape);
        QVERIFY(!selected);
        QTest::keyClick(lot, Qt::Key_Left);
        QCOMPARE(lot->cursorPosition(), 2);
        QCOMPARE(item.left(), 1.0);
        // A click on the window's free area deselects.
        selected = true;
        QTest::mouseClick(w->centralWidget(), Qt::LeftButton, {},
                          QPoint(5, w->centralWidget()->height() - 3));
        QVERIFY(!selected);
    }

    void endButtons()
    {
        QTest::mouseClick(w->findChild<QToolButton*>(u"DownCmd"_s), Qt::LeftButton);
        QVERIFY(w->DBGrid1->hasFocus());
        QCOMPARE(w->DBGrid1->verticalScrollBar()->value(),
                 w->DBGrid1->verticalScrollBar()->maximum());
        QCOMPARE(w->DBGrid1->horizontalScrollBar()->value(), 0);
        QTest::mouseClick(w->findChild<QToolButton*>(u"UpCmd"_s), Qt::LeftButton);
        QCOMPARE(w->DBGrid1->verticalScrollBar()->value(), 0);
        QVERIFY(w->DBGrid1->hasFocus());
    }

    void wheelSendsOneKeyToTheFocusedControl()
    {
        w->DBGrid1->setFocus();
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
        const int before = w->DBGrid1->verticalScrollBar()->value();
        wheel(w->DBGrid1, -120);
        QCOMPARE(gridRow(), 10);
        QVERIFY(w->DBGrid1->verticalScrollBar()->value() > before); // the grid scrolls by itself
    }
};

QTEST_MAIN(TestWindowKeys)
#include "tst_window_keys.moc"
