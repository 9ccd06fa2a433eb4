#include "core/data_control.h"
#include "message_boxes.h"
#include "orders/demo_company.h"
#include "station/attach_entry.h"
#include "station/label_designer.h"
#include "station/station_parts.h"
#include "station_window.h"

#include <QtTest>

using namespace Qt::StringLiterals;
using F = EntryField;

// The record buttons, the row delete and the new-order double click, through the real
// window: what the panel hands to the roll recorder and what the window shows after; and
// an operator's whole road through them.
class TestRecording : public QObject
{
    Q_OBJECT
    std::unique_ptr<StationWindow> w;

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
        return w->orders().count(u"Siparis"_s, u"SipNo = '%1'"_s.arg(sipNo));
    }

private Q_SLOTS:
    void init()
    {
        w = std::make_unique<StationWindow>();
        attachEntry(w->form());
    }
    void cleanup() { w.reset(); }

    // A new order needs a numeric order number and a customer (the reset text "Firma"
    // passes); its roll is recorded with the panel's date, the grid moves onto it and the
    // same click then saves into it. A value the table refuses is told; the window goes on.
    void newOrderThenSaveIntoTheSameRow()
    {
        w->addRoll(u"1046"_s, u"1046S03213"_s, 100);
        QVERIFY(w->open());
        Form1& f = w->form();
        QCOMPARE(w->field(F::OrderNo)->text(), u"1046"_s); // the first row came into the panel
        w->field(F::OrderedKg)->setText(u"250 kg"_s);      // no number: the table refuses it
        w->field(F::Weight)->setText(u"120,5"_s);
        {
            ModalAnswerer answerer;
            QTest::mouseClick(f.Command3, Qt::LeftButton);
            QVERIFY2(answerer.messages.first().contains(u"SipKg"),
                     qPrintable(answerer.messages.first()));
        }
        QCOMPARE(w->rollCount(), 1);
        QCOMPARE(f.CurrentBarNo, u"1046S03213"_s);
        QVERIFY(f.Command2->isEnabled() && f.Command3->isEnabled() && f.ready());

        w->field(F::OrderedKg)->setText(u"500"_s);
        for (const auto& [sipNo, customer] : {std::pair{u"1047"_s, u"   "_s}, {u"A12"_s, u"X"_s}}) {
            w->field(F::OrderNo)->setText(sipNo);
            w->field(F::Customer)->setText(customer);
            QTest::mouseClick(f.Command2, Qt::LeftButton);
            QCOMPARE(w->rollCount(), 1);
        }
        w->field(F::OrderNo)->setText(u"1047"_s);
        w->field(F::Customer)->setText(u"Firma"_s);
        QTest::mouseClick(f.Command2, Qt::LeftButton);
        const QString roll = f.CurrentBarNo; // its number: tst_orders_table
        QCOMPARE(w->column(roll, u"SipNo"_s).toString(), u"1047"_s);
        QCOMPARE(w->rollCount(), 2);
        QCOMPARE(w->column(roll, u"Tarih"_s).toString(), f.DTPicker1->date().toString(Qt::ISODate));
        QCOMPARE(w->column(roll, u"Firma"_s).toString(), u"Firma"_s);
        QCOMPARE(f.remainingKg()->text(), u"379,5"_s); // 500 ordered less 120,5
        QVERIFY(f.ready() && f.Command2->isEnabled());
        QCOMPARE(w->current(u"BarNo"_s), roll);
        w->field(F::Weight)->setText(u"118,4"_s);
        QTest::mouseClick(f.Command2, Qt::LeftButton);
        QCOMPARE(w->rollCount(), 2);
        QCOMPARE(w->column(roll, u"TopKg"_s).toDouble(), 118.4);
    }

    // What a row brings into the panel: the order's remaining kilograms, the label
    // button for half a kilogram or more, its own (possibly empty) lot.
    void rowIntoThePanel()
    {
        for (const char* b : {"A1", "A2", "A3"})
            w->addRoll(u"1050"_s, QString::fromLatin1(b), 100, 500);
        w->addRoll(u"1052"_s, u"C1"_s, 0.4, 10);
        w->addRoll(u"1053"_s, u"D1"_s, 0.6, 10);
        QVERIFY(w->open());
        Form1& f = w->form();
        QVERIFY(w->goToBarNo(u"A2"_s));
        QCOMPARE(f.remainingKg()->text(), u"200"_s);
        QCOMPARE(f.CurrentBarNo, u"A2"_s);
        QVERIFY(w->goToBarNo(u"C1"_s));
        QCOMPARE(w->field(F::Weight)->text(), u"0,4"_s);
        QVERIFY(!f.Command1->isEnabled());
        QVERIFY(w->goToBarNo(u"D1"_s));
        QVERIFY(f.Command1->isEnabled());
        w->field(F::Lot)->setText(u"L-9"_s);
        QVERIFY(w->goToBarNo(u"C1"_s));
        QCOMPARE(w->field(F::Lot)->text(), QString());
    }

    // The grid's Delete key and "Satır Sil" delete through the record set (its own
    // positions after a delete: tst_record_set); the window then stands on the next row,
    // or on the new last row. On an empty table neither they nor the new-order double
    // click do anything.
    void rowDeleteAndAnEmptyTable()
    {
        for (int i = 1; i <= 3; ++i)
            w->addRoll(u"10%1"_s.arg(i), u"R%1"_s.arg(i), i);
        QVERIFY(w->open());
        Form1& f = w->form();
        QVERIFY(w->goToBarNo(u"R2"_s)); // 103 first (descending)
        QTest::keyClick(f.DBGrid1, Qt::Key_Delete);
        QCOMPARE(w->field(F::OrderNo)->text(), u"101"_s);
        f.SatSil->trigger();
        QCOMPARE(w->current(u"BarNo"_s), u"R3"_s);
        f.SatSil->trigger();
        QCOMPARE(w->rollCount(), 0);
        f.SatSil->trigger();
        w->field(F::Lot)->setText(u"L-1"_s);
        QTest::mouseDClick(w->field(F::OrderNo), Qt::LeftButton);
        QCOMPARE(w->field(F::Lot)->text(), u"L-1"_s);
        QVERIFY(f.Command2->isEnabled());
    }

    // An operator's day on the demo company, through the whole window with every part:
    // the double click begins a new order (its number: tst_orders_table), the keyboard
    // alone fills and records it, one more roll is weighed (a roll deleted:
    // rowDeleteAndAnEmptyTable).
    void aNewOrderFromDoubleClickToItsSecondRoll()
    {
        w.reset(); // this road takes every part of the window
        w = std::make_unique<StationWindow>();
        QVERIFY(fillDemoCompany(w->home().dataFolder()));
        Form1& f = w->form();
        installStationParts(f);
        auto* labels = f.findChild<LabelDesigner*>();
        QVERIFY(w->open());
        QCOMPARE(w->field(F::OrderNo)->text(), u"3000"_s);

        // A new order: the next number selected, a reset panel, the grid ascending. From
        // here the operator uses only the keyboard: Enter moves on, looks the customer
        // and fabric up, and clicks the button that has the focus.
        f.Combo1->setCurrentIndex(3);
        QTest::mouseDClick(w->field(F::OrderNo), Qt::LeftButton);
        QCOMPARE(w->field(F::OrderNo)->selectedText(), u"3001"_s);
        QVERIFY(w->field(F::Lot)->text() == u"LOT" && f.Combo1->currentIndex() == 0);
        QCOMPARE(f.Data1->recordSource(), u"Select * From Siparis Order By SipNo Asc"_s);
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

        // One more roll, weighed.
        w->field(F::Weight)->setFocus(Qt::TabFocusReason);
        w->field(F::Weight)->selectAll();
        typeText(w->field(F::Weight), u"23.85"_s);
        QTest::mouseClick(f.Command3, Qt::LeftButton);
        QCOMPARE(rollsOf(u"3001"_s), 2);
        QVERIFY(f.CurrentBarNo != firstRoll);
        QCOMPARE(labels->barcode().data(), f.CurrentBarNo);

        f.close();
        w.reset();
    }
};

QTEST_MAIN(TestRecording)
#include "tst_recording.moc"
