#include "core/data_control.h"
#include "core/database_files.h"
#include "orders/demo_company.h"
#include "station/form1.h"
#include "station/station_parts.h"
#include "test_home.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QTableView>
#include <QtTest>

using namespace Qt::StringLiterals;

// An operator's day on the demo company, through the whole window: a new order, its
// rolls weighed one by one, a wrong roll deleted. With TOPKAR_SCREENSHOTS set to a
// folder, the window is saved there at each step.
class TestOperatorRoad : public QObject
{
    Q_OBJECT
    std::unique_ptr<TestHome> home;
    std::unique_ptr<Form1> w;
    int shot = 0;

    void snapshot(const QString& name)
    {
        const QString dir = qEnvironmentVariable("TOPKAR_SCREENSHOTS");
        if (dir.isEmpty())
            return;
        QDir().mkpath(dir);
        QCoreApplication::processEvents();
        w->grab().save(u"%1/%2-%3.png"_s.arg(dir).arg(++shot, 2, 10, QChar(u'0')).arg(name));
    }
    static void type(QLineEdit* edit, const QString& text)
    {
        edit->setFocus(Qt::TabFocusReason);
        edit->selectAll();
        for (QChar c : text)
            QTest::sendKeyEvent(QTest::Click, edit,
                                c.unicode() < 0x80 ? Qt::Key(c.toUpper().unicode())
                                                   : Qt::Key_unknown,
                                QString(c), Qt::NoModifier);
    }
    int rowsOf(const QString& sipNo)
    {
        QSqlQuery q(dbfiles::connection(home->dataFolder() + u"/Kumas.Mdb"_s));
        q.prepare(u"SELECT COUNT(*) FROM Siparis WHERE SipNo = ?"_s);
        q.addBindValue(sipNo);
        q.exec();
        q.next();
        return q.value(0).toInt();
    }

private Q_SLOTS:
    void aNewOrderFromDoubleClickToDeletedRoll()
    {
        home = std::make_unique<TestHome>();
        QVERIFY(fillDemoCompany(home->dataFolder()));
        w = std::make_unique<Form1>();
        installStationParts(*w);
        w->start();
        w->show();
        QVERIFY(QTest::qWaitFor([this] { return w->ready(); }, 3000));
        QCOMPARE(w->Text1[0]->text(), u"3000"_s);
        snapshot(u"start"_s);

        // A new order: the next number and a clean panel.
        QTest::mouseDClick(w->Text1[0], Qt::LeftButton);
        QCOMPARE(w->Text1[0]->text(), u"3001"_s);
        type(w->Text1[1], u"işlem tekstil a.ş."_s);
        QCOMPARE(w->Text1[1]->text(), u"İşlem Tekstil A.Ş."_s);
        type(w->Text1[2], u"30/1 PENYE SÜPREM"_s);
        type(w->Text1[3], u"L-2207"_s);
        w->Combo1->setCurrentIndex(4);
        w->Combo2->setCurrentIndex(2);
        w->Combo4->setCurrentIndex(1);
        type(w->Text1[5], u"250"_s);
        type(w->Text1[4], u"135.5"_s);
        type(w->Text1[6], u"24.35"_s);
        snapshot(u"new-order-filled"_s);
        QTest::mouseClick(w->Command2, Qt::LeftButton);
        QCOMPARE(rowsOf(u"3001"_s), 1);
        QCOMPARE(w->Label1[6]->text(), u"225,65"_s);
        const QString firstRoll = w->CurrentBarNo;
        QVERIFY(firstRoll.startsWith(u"3001S"_s));
        snapshot(u"first-roll-recorded"_s);

        // Three more rolls, weighed one after the other.
        for (const QString& kg : {u"25.1"_s, u"23.85"_s, u"26"_s}) {
            type(w->Text1[6], kg);
            QVERIFY(w->Command3->isEnabled());
            QTest::mouseClick(w->Command3, Qt::LeftButton);
        }
        QCOMPARE(rowsOf(u"3001"_s), 4);
        QVERIFY(w->CurrentBarNo != firstRoll);
        // The grid stands on the last roll; its panel shows what is left of 250 kg.
        w->Data1->recordset()->moveFirst();
        w->Data1->recordset()->moveLast();
        QCOMPARE(w->Text1[0]->text(), u"3001"_s);
        QCOMPARE(w->Label1[6]->text(), u"150,7"_s);
        snapshot(u"rolls-added"_s);

        // The 23,85 kg roll was wrong: delete it from the grid's menu.
        QVERIFY(w->Data1->recordset()->findFirst(u"SipNo='3001' And TopKg=23.85"_s));
        w->SatSil->trigger();
        QCOMPARE(rowsOf(u"3001"_s), 3);
        QCOMPARE(w->Text1[0]->text(), u"3001"_s);
        QCOMPARE(w->Label1[6]->text(), u"174,55"_s);
        snapshot(u"roll-deleted"_s);
        w->close();
        w.reset();
    }
};

QTEST_MAIN(TestOperatorRoad)
#include "tst_operator_road.moc"
