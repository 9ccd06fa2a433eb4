#include "core/data_control.h"
#include "orders/demo_company.h"
#include "station/station_parts.h"
#include "station_window.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
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
        QVERIFY(w->open());
        QCOMPARE(w->field(F::OrderNo)->text(), u"3000"_s);
        snapshot(u"start"_s);

        // A new order: the next number and a clean panel.
        QTest::mouseDClick(w->field(F::OrderNo), Qt::LeftButton);
        QCOMPARE(w->field(F::OrderNo)->text(), u"3001"_s);
        type(F::Customer, u"işlem tekstil a.ş."_s);
        QCOMPARE(w->field(F::Customer)->text(), u"İşlem Tekstil A.Ş."_s);
        type(F::Fabric, u"30/1 PENYE SÜPREM"_s);
        type(F::Lot, u"L-2207"_s);
        f.Combo1->setCurrentIndex(4);
        f.Combo2->setCurrentIndex(2);
        f.Combo4->setCurrentIndex(1);
        type(F::OrderedKg, u"250"_s);
        type(F::Price, u"135.5"_s);
        type(F::Weight, u"24.35"_s);
        snapshot(u"new-order-filled"_s);
        QTest::mouseClick(f.Command2, Qt::LeftButton);
        QCOMPARE(rollsOf(u"3001"_s), 1);
        QCOMPARE(f.remainingKg()->text(), u"225,65"_s);
        const QString firstRoll = f.CurrentBarNo;
        QVERIFY(firstRoll.startsWith(u"3001S"_s));
        snapshot(u"first-roll-recorded"_s);

        // Three more rolls, weighed one after the other.
        for (const QString& kg : {u"25.1"_s, u"23.85"_s, u"26"_s}) {
            type(F::Weight, kg);
            QVERIFY(f.Command3->isEnabled());
            QTest::mouseClick(f.Command3, Qt::LeftButton);
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
