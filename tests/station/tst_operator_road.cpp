#include "core/data_control.h"
#include "orders/demo_company.h"
#include "station/label_designer.h"
#include "station/station_parts.h"
#include "station_window.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSqlQuery>
#include <QtTest>

using namespace Qt::StringLiterals;
using F = EntryField;

// An operator's day on the demo company, through the whole window with every part: a
// new order, its rolls weighed one by one, a wrong roll deleted. With TOPKAR_SCREENSHOTS
// set to a folder, the window is saved there at each step.
class TestOperatorRoad : public QObject
{
    Q_OBJECT
    std::unique_ptr<StationWindow> w;
    int shot = 0;
    LabelDesigner* labels = nullptr;

    void snapshot(const QString& name)
    {
        const QString dir = qEnvironmentVariable("TOPKAR_SCREENSHOTS");
        if (dir.isEmpty())
            return;
        QDir().mkpath(dir);
        QCoreApplication::processEvents();
        w->form().grab().save(u"%1/%2-%3.png"_s.arg(dir).arg(++shot, 2, 10, QChar(u'0')).arg(name));
    }
    void type(F field, const QString& text)
    {
        QLineEdit* edit = w->field(field);
        edit->setFocus(Qt::TabFocusReason);
        edit->selectAll();
        typeText(edit, text);
    }
    // A key as the operator presses it, to whatever has the focus; then the window
    // catches up (the queued move on, a list dropping down).
    static void press(Qt::Key key, int times = 1)
    {
        for (int i = 0; i < times; ++i) {
            QTest::keyClick(QApplication::focusWidget(), key);
            QTest::qWait(20);
        }
    }
    int rollsOf(const QString& sipNo)
    {
        QSqlQuery q(w->orders());
        q.prepare(u"SELECT COUNT(*) FROM Siparis WHERE SipNo = ?"_s);
        q.addBindValue(sipNo);
        return q.exec() && q.next() ? q.value(0).toInt() : -1;
    }

private Q_SLOTS:
    void aNewOrderFromDoubleClickToDeletedRoll()
    {
        w = std::make_unique<StationWindow>();
        QVERIFY(fillDemoCompany(w->home().dataFolder()));
        Form1& f = w->form();
        installStationParts(f);
        labels = f.findChild<LabelDesigner*>();
        QVERIFY(w->open());
        QCOMPARE(w->field(F::OrderNo)->text(), u"3000"_s);
        snapshot(u"start"_s);

        // A new order: the next number and a clean panel. From here the operator uses
        // only the keyboard: Enter moves on, looks the customer and fabric up, and clicks
        // the button that has the focus.
        QTest::mouseDClick(w->field(F::OrderNo), Qt::LeftButton);
        QCOMPARE(w->field(F::OrderNo)->text(), u"3001"_s);
        for (const auto& [keys, downs] : QList<std::pair<QString, int>>{
                 {{}, 0},                     // order number → customer
                 {u"120.01.007"_s, 0},        // a customer code, looked up → fabric
                 {u"30/1 PENYE SÜPREM"_s, 0}, // looked up → lot
                 {u"L-2207"_s, 0},            // → machine list
                 {{}, 4},                     // Makina 4 → machine kind
                 {{}, 2},                     // 32"28 E → operator
                 {{}, 1},                     // the first operator → ordered kg
                 {u"250"_s, 0},               // → weight
                 {u"24.35"_s, 0},             // → price
                 {u"135.5"_s, 0},             // → rolls
                 {{}, 0},                     // → note
                 {{}, 0}}) {                  // → "Yeni Sipariş  Kg Ekle"
            typeText(QApplication::focusWidget(), keys);
            press(Qt::Key_Down, downs);
            press(Qt::Key_Return);
        }
        const QString customer = w->field(F::Customer)->text(); // the card's title
        QVERIFY(!customer.startsWith(u"120."_s));
        QVERIFY(f.dbListe1->isHidden() && f.DBListe2->isHidden()); // the panel is in sight
        QCOMPARE(QApplication::focusWidget(), f.Command2);
        snapshot(u"new-order-filled"_s);
        press(Qt::Key_Enter); // the keypad's Enter clicks it too
        QCOMPARE(rollsOf(u"3001"_s), 1);
        const QString firstRoll = f.CurrentBarNo;
        QVERIFY(firstRoll.startsWith(u"3001S"_s));
        QStringList written;
        for (const char* column :
             {"Firma", "Kumas", "Lot", "Makina", "MakCinsi", "Operator", "SipKg", "TopKg", "Fiyat"})
            written.append(w->column(firstRoll, QString::fromLatin1(column)).toString());
        QCOMPARE(written, (QStringList{customer, u"30/1 PENYE SÜPREM"_s, u"L-2207"_s, u"Makina 4"_s,
                                       u"32\"28 E"_s, f.Combo4->itemText(1), u"250"_s, u"24.35"_s,
                                       u"135.5"_s}));
        QCOMPARE(f.remainingKg()->text(), u"225,65"_s);
        // The label shows the barcode that "Barkod Bas" prints: the new roll's.
        QCOMPARE(labels->barcode().data(), firstRoll);
        snapshot(u"first-roll-recorded"_s);

        // Three more rolls, weighed one after the other.
        for (const QString& kg : {u"25.1"_s, u"23.85"_s, u"26"_s}) {
            type(F::Weight, kg);
            QVERIFY(f.Command3->isEnabled());
            QTest::mouseClick(f.Command3, Qt::LeftButton);
            QCOMPARE(labels->barcode().data(), f.CurrentBarNo);
        }
        QCOMPARE(rollsOf(u"3001"_s), 4);
        QVERIFY(f.CurrentBarNo != firstRoll);
        // The grid stands on the last roll; its panel shows what is left of 250 kg.
        w->rs()->moveFirst();
        w->rs()->moveLast();
        QCOMPARE(w->field(F::OrderNo)->text(), u"3001"_s);
        QCOMPARE(f.remainingKg()->text(), u"150,7"_s);
        snapshot(u"rolls-added"_s);

        // The 23,85 kg roll was wrong: delete it from the grid's menu.
        QVERIFY(w->rs()->findFirst(u"SipNo='3001' And TopKg=23.85"_s));
        f.SatSil->trigger();
        QCOMPARE(rollsOf(u"3001"_s), 3);
        QCOMPARE(w->field(F::OrderNo)->text(), u"3001"_s);
        QCOMPARE(f.remainingKg()->text(), u"174,55"_s);
        snapshot(u"roll-deleted"_s);
        f.close();
        w.reset();
    }
};

QTEST_MAIN(TestOperatorRoad)
#include "tst_operator_road.moc"
