#include "core/data_control.h"
#include "core/settings_store.h"
#include "message_boxes.h"
#include "station/attach_entry.h"
#include "station_window.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

using namespace Qt::StringLiterals;
using F = EntryField;

namespace {
QString barNo(const QString& sipNo, int counter)
{
    return u"%1S%2%3"_s.arg(sipNo)
        .arg(QDate::currentDate().month(), 2, 10, QChar(u'0'))
        .arg(counter);
}
} // namespace

// The record buttons, the row delete and the new-order double click, through the real
// window: what the panel hands to the roll recorder and what the window shows after.
class TestRecording : public QObject
{
    Q_OBJECT
    std::unique_ptr<StationWindow> w;

private Q_SLOTS:
    void init()
    {
        w = std::make_unique<StationWindow>();
        attachEntry(w->form());
    }
    void cleanup() { w.reset(); }

    void newOrderThenSaveIntoTheSameRow()
    {
        w->addRoll(u"1046"_s, u"1046S03213"_s, 100);
        QVERIFY(w->open());
        Form1& f = w->form();
        QCOMPARE(w->field(F::OrderNo)->text(), u"1046"_s); // the first row came into the panel
        w->field(F::OrderNo)->setText(u"1047"_s);
        w->field(F::Weight)->setText(u"120,5"_s);
        QTest::mouseClick(f.Command2, Qt::LeftButton);
        const QString roll = barNo(u"1047"_s, 1);
        QCOMPARE(f.CurrentBarNo, roll);
        QCOMPARE(w->rollCount(), 2);
        QCOMPARE(w->column(roll, u"Tarih"_s).toString(), f.DTPicker1->date().toString(Qt::ISODate));
        QCOMPARE(f.remainingKg()->text(), u"379,5"_s); // 500 ordered less 120,5
        QVERIFY(f.ready() && f.Command2->isEnabled());
        // The grid stands on the new row now: the same click saves into it.
        QCOMPARE(w->current(u"BarNo"_s), roll);
        w->field(F::Weight)->setText(u"118,4"_s);
        QTest::mouseClick(f.Command2, Qt::LeftButton);
        QCOMPARE(w->rollCount(), 2);
        QCOMPARE(w->column(roll, u"TopKg"_s).toDouble(), 118.4);
        QCOMPARE(settings::GetSetting(u"Properties"_s, u"BarNo"_s), u"1"_s);
    }

    // A new order needs a numeric order number and a customer; the reset text "Firma"
    // passes as a customer.
    void newOrderPrecondition()
    {
        w->addRoll(u"1046"_s, u"1046S03213"_s, 100);
        QVERIFY(w->open());
        for (const auto& [sipNo, customer] : {std::pair{u"1047"_s, u"   "_s}, {u"A12"_s, u"X"_s}}) {
            w->field(F::OrderNo)->setText(sipNo);
            w->field(F::Customer)->setText(customer);
            QTest::mouseClick(w->form().Command2, Qt::LeftButton);
            QCOMPARE(w->rollCount(), 1);
        }
        w->field(F::OrderNo)->setText(u"1048"_s);
        w->field(F::Customer)->setText(u"Firma"_s);
        QTest::mouseClick(w->form().Command2, Qt::LeftButton);
        QCOMPARE(w->column(w->form().CurrentBarNo, u"Firma"_s).toString(), u"Firma"_s);
    }

    // What a row brings into the panel: the order's remaining kilograms, the label
    // button for half a kilogram or more, its own (possibly empty) lot.
    void rowIntoThePanel()
    {
        for (const char* b : {"A1", "A2", "A3"})
            w->addRoll(u"1050"_s, QString::fromLatin1(b), 100, 500);
        w->addRoll(u"1051"_s, u"B1"_s, 300, 250);
        w->addRoll(u"1052"_s, u"C1"_s, 0.4, 10);
        w->addRoll(u"1053"_s, u"D1"_s, 0.6, 10);
        QVERIFY(w->open());
        Form1& f = w->form();
        QVERIFY(w->goToBarNo(u"A2"_s));
        QCOMPARE(f.remainingKg()->text(), u"200"_s);
        QCOMPARE(f.CurrentBarNo, u"A2"_s);
        QVERIFY(w->goToBarNo(u"B1"_s));
        QCOMPARE(f.remainingKg()->text(), u"-50"_s);
        QVERIFY(w->goToBarNo(u"C1"_s));
        QCOMPARE(w->field(F::Weight)->text(), u"0,4"_s);
        QVERIFY(!f.Command1->isEnabled());
        QVERIFY(w->goToBarNo(u"D1"_s));
        QVERIFY(f.Command1->isEnabled());
        w->field(F::Lot)->setText(u"L-9"_s);
        QVERIFY(w->goToBarNo(u"C1"_s));
        QCOMPARE(w->field(F::Lot)->text(), QString());
    }

    void refusedRollIsToldAndTheWindowGoesOn()
    {
        w->addRoll(u"1046"_s, u"1046S03213"_s, 100);
        QVERIFY(w->open());
        Form1& f = w->form();
        w->field(F::OrderedKg)->setText(u"250 kg"_s); // no number: the table refuses it
        w->field(F::Weight)->setText(u"12"_s);
        ModalAnswerer answerer;
        QTest::mouseClick(f.Command3, Qt::LeftButton);
        QCOMPARE(answerer.titles, QStringList{u"Topkar"_s});
        QVERIFY2(answerer.messages.first().contains(u"SipKg"),
                 qPrintable(answerer.messages.first()));
        QCOMPARE(w->rollCount(), 1);
        QCOMPARE(f.CurrentBarNo, u"1046S03213"_s);
        QVERIFY(f.Command2->isEnabled() && f.Command3->isEnabled() && f.ready());
    }

    void rowDelete()
    {
        for (int i = 1; i <= 4; ++i)
            w->addRoll(u"10%1"_s.arg(i), u"R%1"_s.arg(i), i);
        QVERIFY(w->open());
        Form1& f = w->form();
        // Order 104 first (descending); delete 103 in the middle: 102 follows.
        QVERIFY(w->goToBarNo(u"R3"_s));
        f.SatSil->trigger();
        QCOMPARE(w->current(u"BarNo"_s), u"R2"_s);
        QCOMPARE(w->field(F::OrderNo)->text(), u"102"_s);
        // The last row: the new last row becomes current.
        w->rs()->moveLast();
        QTest::keyClick(f.DBGrid1, Qt::Key_Delete);
        QCOMPARE(w->current(u"BarNo"_s), u"R2"_s);
        f.SatSil->trigger();
        f.SatSil->trigger();
        QCOMPARE(w->rollCount(), 0);
        QVERIFY(w->rs()->eof() && w->rs()->bof());
        f.SatSil->trigger(); // an empty table: nothing happens
        QVERIFY(f.Command2->isEnabled());
    }

    // The double click on the order number: on an empty table nothing; otherwise the
    // next number, a reset panel and the grid in ascending order.
    void doubleClickBeginsANewOrder()
    {
        QVERIFY(w->open());
        Form1& f = w->form();
        w->field(F::Lot)->setText(u"L-1"_s);
        QTest::mouseDClick(w->field(F::OrderNo), Qt::LeftButton);
        QCOMPARE(w->field(F::OrderNo)->text(), QString());
        QCOMPARE(w->field(F::Lot)->text(), u"L-1"_s);

        w->addRoll(u"9"_s, u"B9"_s, 1);
        w->addRoll(u"10"_s, u"B10"_s, 1);
        f.Combo1->setCurrentIndex(3);
        QTest::mouseDClick(w->field(F::OrderNo), Qt::LeftButton);
        QCOMPARE(w->field(F::OrderNo)->selectedText(), u"11"_s);
        QCOMPARE(f.Data1->recordSource(), u"Select * From Siparis Order By SipNo Asc"_s);
        const QStringList reset{u"Firma"_s, u"KUMAŞ CİNSİ"_s, u"LOT"_s,      u"0"_s,
                                u"0"_s,     u"0"_s,           u"Açıklama"_s, u"1"_s};
        for (int i = 1; i < kEntryFieldCount; ++i)
            QCOMPARE(w->field(EntryField(i))->text(), reset[i - 1]);
        QCOMPARE(f.Combo1->currentIndex(), 0);
        QVERIFY(f.Command2->isEnabled());
    }
};

QTEST_MAIN(TestRecording)
#include "tst_recording.moc"
