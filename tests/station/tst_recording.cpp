#include "core/settings_store.h"
#include "message_boxes.h"
#include "station_fixture.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

using namespace Qt::StringLiterals;

namespace {
QString month()
{
    return u"%1"_s.arg(QDate::currentDate().month(), 2, 10, QChar(u'0'));
}
} // namespace

// The road of a roll from the panel into the orders table, through the real window.
class TestRecording : public QObject
{
    Q_OBJECT
    std::unique_ptr<StationFixture> s;

private Q_SLOTS:
    void init() { s = std::make_unique<StationFixture>(); }
    void cleanup() { s.reset(); }

    void newOrderThenSaveIntoTheSameRow()
    {
        s->addRow(u"1046"_s, u"1046S03213"_s, 100);
        s->open();
        Form1& f = *s->form;
        QCOMPARE(f.Text1[0]->text(), u"1046"_s); // the first row came into the panel
        QCOMPARE(settings::GetSetting(u"Properties"_s, u"BarNo"_s), u"0"_s);
        f.Text1[0]->setText(u"1047"_s);
        f.Text1[3]->setText(u"LOT"_s);
        f.Text1[6]->setText(u"120,5"_s);
        f.Combo4->setCurrentIndex(2);
        QTest::mouseClick(f.Command2, Qt::LeftButton);
        const QString barNo = u"1047S%1%2"_s.arg(month()).arg(1);
        QCOMPARE(f.CurrentBarNo, barNo);
        QCOMPARE(s->rowCount(), 2);
        QCOMPARE(s->column(barNo, u"Firma"_s).toString(), u"ÖZTÜRK TEKSTİL"_s);
        QCOMPARE(s->column(barNo, u"TopKg"_s).toDouble(), 120.5);
        QCOMPARE(s->column(barNo, u"Operator"_s).toString(), f.Combo4->itemText(2));
        QVERIFY(s->column(barNo, u"Lot"_s).isNull()); // the placeholder is not written
        QCOMPARE(s->column(barNo, u"Tarih"_s).toString(),
                 f.DTPicker1->date().toString(Qt::ISODate));
        QCOMPARE(f.Label1[6]->text(), u"379,5"_s); // 500 ordered less 120,5
        QCOMPARE(settings::GetSetting(u"Properties"_s, u"BarNo"_s), u"1"_s);
        QVERIFY(f.ready() && f.Command2->isEnabled());
        // The grid stands on the new row now: the same click saves into it.
        QCOMPARE(s->current(u"BarNo"), barNo);
        f.Text1[6]->setText(u"118,4"_s);
        QTest::mouseClick(f.Command2, Qt::LeftButton);
        QCOMPARE(s->rowCount(), 2);
        QCOMPARE(s->column(barNo, u"TopKg"_s).toDouble(), 118.4);
        QCOMPARE(settings::GetSetting(u"Properties"_s, u"BarNo"_s), u"1"_s);
    }

    void savingIntoTheCurrentRowKeepsItsKeys()
    {
        s->addRow(u"1046"_s, u"1046S03213"_s, 100);
        s->open();
        Form1& f = *s->form;
        f.Text1[1]->setText(u"BAŞKA FİRMA"_s);
        f.Text1[2]->setText(u"40/1 PENYE RİBANA"_s);
        f.Text1[6]->setText(u"99"_s);
        f.DTPicker1->setDate(QDate(2026, 1, 15));
        QTest::mouseClick(f.Command2, Qt::LeftButton);
        QCOMPARE(s->rowCount(), 1);
        QCOMPARE(s->column(u"1046S03213"_s, u"SipNo"_s).toString(), u"1046"_s);
        QCOMPARE(s->column(u"1046S03213"_s, u"Firma"_s).toString(), u"ÖZTÜRK TEKSTİL"_s);
        QCOMPARE(s->column(u"1046S03213"_s, u"Tarih"_s).toString(), u"2026-03-02"_s);
        QCOMPARE(s->column(u"1046S03213"_s, u"Kumas"_s).toString(), u"40/1 PENYE RİBANA"_s);
        QCOMPARE(s->column(u"1046S03213"_s, u"TopKg"_s).toDouble(), 99.0);
        QCOMPARE(f.CurrentBarNo, u"1046S03213"_s);
    }

    void preconditionOfTheNewOrderButton()
    {
        s->addRow(u"1046"_s, u"1046S03213"_s, 100);
        s->open();
        Form1& f = *s->form;
        f.Text1[0]->setText(u"1047"_s);
        f.Text1[1]->setText(u"   "_s);
        QTest::mouseClick(f.Command2, Qt::LeftButton);
        f.Text1[0]->setText(u"A12"_s);
        f.Text1[1]->setText(u"Firma"_s);
        QTest::mouseClick(f.Command2, Qt::LeftButton);
        QCOMPARE(s->rowCount(), 1);
        // The reset text "Firma" passes and is stored as the customer.
        f.Text1[0]->setText(u"1048"_s);
        QTest::mouseClick(f.Command2, Qt::LeftButton);
        QCOMPARE(s->rowCount(), 2);
        QCOMPARE(s->column(f.CurrentBarNo, u"Firma"_s).toString(), u"Firma"_s);
    }

    void addRollTwiceGivesConsecutiveNumbersAndNumbersSum()
    {
        s->addRow(u"1046"_s, u"1046S03213"_s, 100);
        s->open();
        Form1& f = *s->form;
        QVERIFY(!f.Command3->isEnabled() || f.Text1[6]->text() != u"0"_s);
        f.Text1[6]->setFocus();
        f.Text1[6]->selectAll();
        QTest::keyClicks(f.Text1[6], u"12.5"_s);
        QCOMPARE(f.Text1[6]->text(), u"12,5"_s);
        QVERIFY(f.Command3->isEnabled());
        QTest::mouseClick(f.Command3, Qt::LeftButton);
        QTest::mouseClick(f.Command3, Qt::LeftButton);
        const QString first = u"1046S%1%2"_s.arg(month()).arg(1);
        const QString second = u"1046S%1%2"_s.arg(month()).arg(2);
        QCOMPARE(f.CurrentBarNo, second);
        QCOMPARE(s->column(first, u"TopKg"_s).toDouble(), 12.5);
        QCOMPARE(s->column(second, u"SipNo"_s).toString(), u"1046"_s);
        QVERIFY(f.Command2->isEnabled() && f.Command3->isEnabled() && f.ready());
        QSqlQuery q(s->db());
        q.exec(u"SELECT SUM(TopKg) FROM Siparis WHERE SipNo = '1046'"_s);
        q.next();
        QCOMPARE(q.value(0).toDouble(), 125.0);
        // Every row of the order now shows what is left of 500 kg.
        QVERIFY(s->goToBarNo(u"1046S03213"_s));
        QCOMPARE(f.Label1[6]->text(), u"375"_s);
    }

    void remainingKilogramsAndTheLabelButton()
    {
        s->addRow(u"1050"_s, u"A1"_s, 100, 500);
        s->addRow(u"1050"_s, u"A2"_s, 120, 500);
        s->addRow(u"1050"_s, u"A3"_s, 80, 500);
        s->addRow(u"1051"_s, u"B1"_s, 100, 250);
        s->addRow(u"1051"_s, u"B2"_s, 120, 250);
        s->addRow(u"1051"_s, u"B3"_s, 80, 250);
        s->addRow(u"1052"_s, u"C1"_s, 0.4, 10);
        s->addRow(u"1053"_s, u"D1"_s, 0.6, 10);
        s->open();
        Form1& f = *s->form;
        QVERIFY(s->goToBarNo(u"A2"_s));
        QCOMPARE(f.Label1[6]->text(), u"200"_s);
        QCOMPARE(f.CurrentBarNo, u"A2"_s);
        QVERIFY(s->goToBarNo(u"B3"_s));
        QCOMPARE(f.Label1[6]->text(), u"-50"_s);
        QVERIFY(s->goToBarNo(u"C1"_s));
        QCOMPARE(f.Text1[6]->text(), u"0,4"_s);
        QVERIFY(!f.Command1->isEnabled());
        QVERIFY(s->goToBarNo(u"D1"_s));
        QVERIFY(f.Command1->isEnabled());
        // A row without a lot shows an empty lot, not the previous row's.
        f.Text1[3]->setText(u"L-9"_s);
        QVERIFY(s->goToBarNo(u"C1"_s));
        QCOMPARE(f.Text1[3]->text(), QString());
    }

    void aRefusedValueWritesNothingAndSaysWhich()
    {
        s->addRow(u"1046"_s, u"1046S03213"_s, 100);
        s->open();
        Form1& f = *s->form;
        f.CurrentBarNo = u"1046S03213"_s;
        f.Text1[5]->setText(QString()); // ordered quantity left empty
        f.Text1[6]->setText(u"12"_s);
        MessageBoxCatcher box;
        QTest::mouseClick(f.Command3, Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return box.seen(); }, 2000));
        QCOMPARE(box.title(), u"Topkar"_s);
        QVERIFY2(box.text().contains(u"SipKg"), qPrintable(box.text()));
        QCOMPARE(s->rowCount(), 1);
        QCOMPARE(f.CurrentBarNo, u"1046S03213"_s);
        QVERIFY(f.Command2->isEnabled() && f.Command3->isEnabled() && f.ready());
        // A gap in the numbering is allowed; the next roll takes the next number.
        f.Text1[5]->setText(u"500"_s);
        QTest::mouseClick(f.Command3, Qt::LeftButton);
        QCOMPARE(f.CurrentBarNo, u"1046S%1%2"_s.arg(month()).arg(2));
    }

    void barcodeNumbersAlreadyInUseAreSkipped()
    {
        // A counter that was reset (first run on another account) meets old rolls.
        s->addRow(u"1046"_s, u"1046S%1%2"_s.arg(month()).arg(1), 10);
        s->addRow(u"1046"_s, u"1046s%1%2"_s.arg(month()).arg(2), 10);
        s->open();
        Form1& f = *s->form;
        f.Text1[6]->setText(u"7"_s);
        QTest::mouseClick(f.Command3, Qt::LeftButton);
        QCOMPARE(f.CurrentBarNo, u"1046S%1%2"_s.arg(month()).arg(3));
        QCOMPARE(settings::GetSetting(u"Properties"_s, u"BarNo"_s), u"3"_s);
        QCOMPARE(s->rowCount(), 3);
    }

    void rowDelete()
    {
        for (int i = 1; i <= 4; ++i)
            s->addRow(u"10%1"_s.arg(i), u"R%1"_s.arg(i), i);
        s->open();
        Form1& f = *s->form;
        // Order 104 first (descending); delete 103 in the middle: 102 follows.
        QVERIFY(s->goToBarNo(u"R3"_s));
        f.SatSil->trigger();
        QCOMPARE(s->current(u"BarNo"), u"R2"_s);
        QCOMPARE(f.Text1[0]->text(), u"102"_s);
        // The last row: the new last row becomes current.
        s->rs()->moveLast();
        QCOMPARE(s->current(u"BarNo"), u"R1"_s);
        QTest::keyClick(f.DBGrid1, Qt::Key_Delete);
        QCOMPARE(s->current(u"BarNo"), u"R2"_s);
        QCOMPARE(s->rowCount(), 2);
        f.SatSil->trigger();
        f.SatSil->trigger();
        QCOMPARE(s->rowCount(), 0);
        QVERIFY(s->rs()->eof() && s->rs()->bof());
        f.SatSil->trigger(); // an empty table: nothing happens
        QVERIFY(f.Command2->isEnabled());
        QCOMPARE(settings::GetSetting(u"Properties"_s, u"BarNo"_s), u"0"_s);
    }

    void nextOrderNumberReadsNumbers_data()
    {
        QTest::addColumn<QStringList>("orders");
        QTest::addColumn<QString>("proposed");
        QTest::newRow("9 and 10") << QStringList{u"9"_s, u"10"_s} << u"11"_s;
        QTest::newRow("999 and 1000") << QStringList{u"1000"_s, u"999"_s} << u"1001"_s;
        QTest::newRow("1045 and 1046") << QStringList{u"1045"_s, u"1046"_s} << u"1047"_s;
        QTest::newRow("text order last") << QStringList{u"12"_s, u"ZZ-7"_s} << u"13"_s;
        QTest::newRow("no number at all") << QStringList{u"X"_s} << u"1"_s;
    }
    void nextOrderNumberReadsNumbers()
    {
        QFETCH(QStringList, orders);
        QFETCH(QString, proposed);
        for (const QString& o : orders)
            s->addRow(o, u"B"_s + o, 1);
        s->open();
        Form1& f = *s->form;
        f.Text1[3]->setText(u"L-1"_s);
        f.Combo1->setCurrentIndex(3);
        QTest::mouseDClick(f.Text1[0], Qt::LeftButton);
        QCOMPARE(f.Text1[0]->text(), proposed);
        QCOMPARE(f.Text1[0]->selectedText(), proposed);
        QCOMPARE(f.Data1->recordSource(), u"Select * From Siparis Order By SipNo Asc"_s);
        QCOMPARE(f.Text1[1]->text(), u"Firma"_s);
        QCOMPARE(f.Text1[3]->text(), u"LOT"_s);
        QCOMPARE(f.Text1[6]->text(), u"0"_s);
        QCOMPARE(f.Text1[8]->text(), u"1"_s);
        QCOMPARE(f.Combo1->currentIndex(), 0);
        QVERIFY(f.Command2->isEnabled());
    }

    void doubleClickOnAnEmptyTableChangesNothing()
    {
        s->open();
        Form1& f = *s->form;
        f.Text1[3]->setText(u"L-1"_s);
        QTest::mouseDClick(f.Text1[0], Qt::LeftButton);
        QCOMPARE(f.Text1[0]->text(), QString());
        QCOMPARE(f.Text1[3]->text(), u"L-1"_s);
    }
};

QTEST_MAIN(TestRecording)
#include "tst_recording.moc"
