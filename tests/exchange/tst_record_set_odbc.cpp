#include "central_server.h"
#include "core/jet_sql.h"
#include "core/record_set.h"
#include "exchange/central_database.h"
#include "test_home.h"

#include <QtTest>

using namespace Qt::StringLiterals;

// The record-set operations the exchange uses on the central database, over a real
// PostgreSQL server through the ODBC data source.
class TestRecordSetOdbc : public QObject
{
    Q_OBJECT

    TestHome home;
    std::unique_ptr<CentralServer> server;
    CentralDatabase central;

    std::unique_ptr<RecordSet> open(const QString& source)
    {
        QString error;
        auto rs = RecordSet::open(central.database(), source, &error);
        if (!rs)
            qWarning("%s", qPrintable(error));
        return rs;
    }

    void add(RecordSet& rs, const QString& code, double borc, const QString& id)
    {
        rs.addNew();
        QVERIFY(rs.setValue(u"CariHarKod", code));
        QVERIFY(rs.setValue(u"Borc", borc));
        QVERIFY(rs.setValue(u"DigerId", id));
        QVERIFY2(rs.update(), qPrintable(rs.lastError()));
    }

private Q_SLOTS:
    void initTestCase()
    {
        server = std::make_unique<CentralServer>(55611);
        QVERIFY2(server->ready(), qPrintable(server->error()));
        QString error;
        QVERIFY2(central.open(u"ParvekWeb"_s, &error), qPrintable(error));
    }
    void init() { server->clear(); }
    void cleanupTestCase()
    {
        central.close();
        server.reset();
    }

    // The search of the ODBC sets starts at the current row and ends at end-of-file;
    // a filter shows a part of the set, clearing it shows all again, and rows added
    // through the set stay in it.
    void searchFromCurrentAndFilter()
    {
        {
            auto rs = open(u"Select * From CariHareket"_s);
            QVERIFY(rs);
            add(*rs, u"K1"_s, 10, u"a"_s);
            add(*rs, u"K1"_s, 0, u"b"_s);
            add(*rs, u"K2"_s, 5, u"c"_s);
        }
        auto rs = open(u"Select * From CariHareket"_s);
        QVERIFY(rs);
        rs->moveFirst();
        QVERIFY(rs->findFromCurrent(u"CariHarKod='K1'"_s)); // the current row itself
        QCOMPARE(rs->value(u"DigerId").toString(), u"a"_s);
        rs->moveNext();
        QVERIFY(rs->findFromCurrent(u"CariHarKod='K2'"_s));
        QCOMPARE(rs->value(u"DigerId").toString(), u"c"_s);
        QVERIFY(rs->findFromCurrent(u"CariHarKod='K1'"_s)); // nothing after: end-of-file
        QVERIFY(rs->eof());
        QVERIFY(rs->noMatch());

        QVERIFY(rs->setFilter(u"CariHarKod='K1' And Borc<>0"_s));
        QCOMPARE(rs->exactCount(), 1);
        add(*rs, u"K1"_s, 7.5, u"d"_s);
        QCOMPARE(rs->exactCount(), 2);
        QVERIFY(rs->findFromCurrent(u"DigerId='d'"_s));
        QVERIFY(!rs->eof());
        QVERIFY(rs->setFilter(u"CariHarKod='K2'"_s));
        QCOMPARE(rs->exactCount(), 1);
        QVERIFY(rs->setFilter({}));
        QCOMPARE(rs->exactCount(), 4);
        rs->moveLast();
        QCOMPARE(rs->value(u"DigerId").toString(), u"d"_s); // added rows stay at the end
    }

    // Held additions are written together, are found by searches before they are
    // written, and vanish with a rolled back transaction.
    void batchedAdditions()
    {
        auto rs = open(u"Select * From CariHareket"_s);
        QVERIFY(rs);
        rs->setBatchUpdates(true);
        QVERIFY(central.begin());
        for (int i = 0; i < 1234; ++i) {
            rs->addNew();
            QVERIFY(rs->setValue(u"CariHarKod", u"K%1"_s.arg(i % 7)));
            if (i % 3 == 0) // rows that give values to other columns
                QVERIFY(rs->setValue(u"Aciklama", u"Satış %1"_s.arg(i)));
            QVERIFY(rs->setValue(u"Borc", i * 0.25) &&
                    rs->setValue(u"DigerId", QString::number(i)) && rs->update());
        }
        QCOMPARE(rs->heldRows(), 1234);
        QCOMPARE(server->value(u"SELECT COUNT(*) FROM \"CariHareket\""_s).toInt(), 0);
        rs->moveFirst();
        QVERIFY(rs->findFromCurrent(u"DigerId='1000'"_s));
        QCOMPARE(rs->heldRows(), 0);
        QCOMPARE(rs->value(u"Borc").toDouble(), 250.0);
        QCOMPARE(rs->exactCount(), 1234);
        central.rollback();
        QCOMPARE(server->value(u"SELECT COUNT(*) FROM \"CariHareket\""_s).toInt(), 0);

        QVERIFY(central.begin());
        for (int i = 0; i < 3; ++i) {
            rs->addNew();
            QVERIFY(rs->setValue(u"DigerId", u"x%1"_s.arg(i)) && rs->update());
        }
        QVERIFY(rs->updateBatch());
        QVERIFY(central.commit());
        QCOMPARE(
            server->value(u"SELECT COUNT(*) FROM \"CariHareket\" WHERE \"DigerId\" LIKE 'x%'"_s)
                .toInt(),
            3);
    }

    // Turkish texts, apostrophes, decimals and dates reach the server and come back
    // unchanged; criteria built with quoteText() find exactly their value.
    void valuesRoundTrip()
    {
        const QString name = u"Çağlar'ın İğne Şişi – ÖÜĞIİ ıi"_s;
        const QList<double> amounts = {
            1234.56, 0.1, -7.125, 1e-6, 98765432.123456, 0.30000000000000004};
        {
            auto rs = open(u"Select * From CariHareket"_s);
            QVERIFY(rs);
            for (int i = 0; i < amounts.size(); ++i) {
                rs->addNew();
                QVERIFY(rs->setValue(u"CariHarKod", name) &&
                        rs->setValue(u"Aciklama", u"Ödeme '%1'"_s.arg(i)) &&
                        rs->setValue(u"Borc", amounts[i]) &&
                        rs->setValue(u"Tarih", QDateTime(QDate(2026, 2, 28), QTime(13, 45, 10))) &&
                        rs->setValue(u"DigerId", QString::number(i)));
                QVERIFY2(rs->update(), qPrintable(rs->lastError()));
            }
        }
        auto rs = open(u"Select * From CariHareket Where CariHarKod="_s + jetsql::quoteText(name));
        QVERIFY(rs);
        QCOMPARE(rs->exactCount(), amounts.size());
        for (rs->moveFirst(); !rs->eof(); rs->moveNext()) {
            const int i = rs->value(u"DigerId").toInt();
            QCOMPARE(rs->value(u"CariHarKod").toString(), name);
            QCOMPARE(rs->value(u"Aciklama").toString(), u"Ödeme '%1'"_s.arg(i));
            QCOMPARE(rs->value(u"Borc").toDouble(), amounts[i]); // exactly
            QCOMPARE(rs->value(u"Tarih").toDateTime(),
                     QDateTime(QDate(2026, 2, 28), QTime(13, 45, 10)));
        }
        QCOMPARE(
            server->value(u"SELECT \"Aciklama\" FROM \"CariHareket\" WHERE \"DigerId\" = '2'"_s)
                .toString(),
            u"Ödeme '2'"_s);
        // An apostrophe in a criterion value cannot widen the search.
        auto none = open(u"Select * From CariHareket Where CariHarKod="_s +
                         jetsql::quoteText(u"x' Or '1'='1"_s));
        QVERIFY(none);
        QCOMPARE(none->exactCount(), 0);
    }
};

QTEST_GUILESS_MAIN(TestRecordSetOdbc)
#include "tst_record_set_odbc.moc"
