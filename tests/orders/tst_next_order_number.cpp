#include "core/database_files.h"
#include "orders/next_order_number.h"
#include "sql_helpers.h"
#include "test_home.h"

#include <QtTest>

using namespace Qt::StringLiterals;

// The order number proposed for a new order, from the orders already in the table.
class TestNextOrderNumber : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void readsOrderNumbersAsNumbers_data()
    {
        QTest::addColumn<QStringList>("orders");
        QTest::addColumn<qint64>("proposed"); // -1: nothing
        QTest::newRow("empty table") << QStringList{} << qint64(-1);
        QTest::newRow("9 and 10") << QStringList{u"9"_s, u"10"_s} << qint64(11);
        QTest::newRow("999 and 1000") << QStringList{u"1000"_s, u"999"_s} << qint64(1001);
        QTest::newRow("blanks around") << QStringList{u" 1046 "_s, u"12"_s} << qint64(1047);
        QTest::newRow("text order last") << QStringList{u"12"_s, u"ZZ-7"_s} << qint64(13);
        QTest::newRow("no number at all") << QStringList{u"X"_s, u""_s} << qint64(1);
        QTest::newRow("too long to be a number")
            << QStringList{u"5"_s, u"1234567890123456789"_s} << qint64(6);
    }
    void readsOrderNumbersAsNumbers()
    {
        QFETCH(QStringList, orders);
        QFETCH(qint64, proposed);
        TestHome home;
        const QString path = home.dataFolder() + u"/Kumas.Mdb"_s;
        QVERIFY(dbfiles::ensureDatabase(path, {u"Siparis"_s}));
        const QSqlDatabase db = dbfiles::connection(path);
        for (int i = 0; i < orders.size(); ++i)
            runSql(db, u"INSERT INTO Siparis (SipNo, BarNo) VALUES (?, ?)"_s,
                   {orders[i], u"B%1"_s.arg(i)});
        QCOMPARE(nextOrderNumber(db).value_or(-1), proposed);
    }

    void unreadableTableGivesNothing()
    {
        TestHome home;
        const QString path = home.file(u"Bos.Mdb"_s);
        QVERIFY(dbfiles::ensureDatabase(path, {}));
        QVERIFY(!nextOrderNumber(dbfiles::connection(path)));
    }
};

QTEST_GUILESS_MAIN(TestNextOrderNumber)
#include "tst_next_order_number.moc"
