#include "core/database_files.h"
#include "core/jet_sql.h"
#include "core/record_set.h"
#include "test_home.h"

#include <QSqlQuery>
#include <QtTest>

using namespace Qt::StringLiterals;

// What the exchange added to the record sets, on the station's own files: the search
// from the current row, filters that keep the set's own rows, held additions, long
// sets read in key order, and files of older stations brought up to date.
class TestRecordSetBatches : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestHome> home;
    QString path;

    std::unique_ptr<RecordSet> open(const QString& source)
    {
        QString error;
        auto rs = RecordSet::open(dbfiles::connection(path), source, &error);
        if (!rs)
            qWarning("%s", qPrintable(error));
        return rs;
    }
    void add(RecordSet& rs, const QString& code, double borc)
    {
        rs.addNew();
        QVERIFY(rs.setValue(u"CariHarKod", code) && rs.setValue(u"Borc", borc) && rs.update());
    }

private Q_SLOTS:
    void init()
    {
        home = std::make_unique<TestHome>();
        path = home->file(u"02Cari.Mdb"_s);
        QVERIFY(dbfiles::ensureDatabase(path, {u"CariHareket"_s}));
    }
    void cleanup() { home.reset(); }

    void searchFromCurrentRow()
    {
        auto rs = open(u"CariHareket"_s);
        for (const char* code : {"A", "B", "A", "C"})
            add(*rs, QString::fromLatin1(code), 1);
        rs->moveFirst();
        QVERIFY(rs->findFromCurrent(u"CariHarKod='a'"_s)); // the current row counts
        QCOMPARE(rs->absolutePosition(), 0);
        rs->moveNext();
        QVERIFY(rs->findFromCurrent(u"CariHarKod='A'"_s));
        QCOMPARE(rs->absolutePosition(), 2);
        QVERIFY(rs->findFromCurrent(u"CariHarKod='B'"_s)); // none further: end-of-file
        QVERIFY(rs->eof() && rs->noMatch());
    }

    // A filter shows the set's own added rows that meet it; clearing shows them all.
    void filterKeepsOwnRows()
    {
        add(*open(u"CariHareket"_s), u"A"_s, 1);
        auto rs = open(u"CariHareket"_s);
        add(*rs, u"B"_s, 2);
        add(*rs, u"A"_s, 3);
        QVERIFY(rs->setFilter(u"CariHarKod='A'"_s));
        QCOMPARE(rs->exactCount(), 2);
        QVERIFY(rs->setFilter(u"CariHarKod='B'"_s));
        QCOMPARE(rs->exactCount(), 1);
        QVERIFY(rs->setFilter(QString()));
        QCOMPARE(rs->exactCount(), 3);
    }

    // Held additions are written together and are seen by the set's own searches.
    void heldAdditions()
    {
        auto rs = open(u"CariHareket"_s);
        rs->setBatchUpdates(true);
        QSqlDatabase db = dbfiles::connection(path);
        db.transaction();
        for (int i = 0; i < 1500; ++i)
            add(*rs, u"K%1"_s.arg(i), i);
        QCOMPARE(rs->heldRows(), 1500);
        QVERIFY(rs->findFirstWritten(u"CariHarKod='K7'"_s));
        QVERIFY(rs->noMatch()); // held rows are not written by this search
        QVERIFY(rs->findFirst(u"CariHarKod='K7'"_s));
        QCOMPARE(rs->heldRows(), 0);
        QCOMPARE(rs->value(u"Borc").toDouble(), 7.0);
        db.commit();
        QCOMPARE(open(u"CariHareket"_s)->exactCount(), 1500);
    }

    // A long set walked front to back while its rows are changed: every row once.
    void longSetInKeyOrder()
    {
        {
            QSqlDatabase db = dbfiles::connection(path);
            db.transaction();
            QSqlQuery q(db);
            q.prepare(u"INSERT INTO CariHareket (CariHarKod, Yeni, Sube) VALUES (?, 1, '02')"_s);
            for (int i = 0; i < 3000; ++i) {
                q.addBindValue(u"K%1"_s.arg(i));
                q.exec();
            }
            db.commit();
        }
        auto rs = open(u"Select * From CariHareket Where Yeni>0 And Sube='02'"_s);
        QSqlDatabase db = dbfiles::connection(path);
        db.transaction();
        rs->moveLast();
        QCOMPARE(rs->recordCount(), 3000);
        int seen = 0;
        for (rs->moveFirst(); !rs->eof(); rs->moveNext()) {
            QCOMPARE(rs->value(u"CariHarKod").toString(), u"K%1"_s.arg(seen));
            // Yeni 0 leaves the condition as it goes.
            QVERIFY(rs->edit() && rs->setValue(u"Yeni", 0) && rs->update());
            ++seen;
        }
        QCOMPARE(seen, 3000);
        db.commit();
    }

    // A table made by an older station gets the newer columns, keeping its rows.
    void olderFilesGetNewColumns()
    {
        const QString old = home->file(u"01Cari.Mdb"_s);
        {
            QVERIFY(dbfiles::ensureDatabase(old, {}));
            QSqlQuery q(dbfiles::connection(old));
            QVERIFY(
                q.exec(u"CREATE TABLE CariKartlar (CariKod TEXT, Unvan TEXT, HesKullan BIT)"_s));
            QVERIFY(q.exec(u"INSERT INTO CariKartlar VALUES ('C1', 'Eski', 0)"_s));
        }
        QVERIFY(dbfiles::ensureDatabase(old, {u"CariKartlar"_s, u"Gurup"_s}));
        QSqlQuery q(dbfiles::connection(old));
        QVERIFY(q.exec(u"SELECT Unvan, DigerId, Hesap, Yeni FROM CariKartlar"_s) && q.next());
        QCOMPARE(q.value(0).toString(), u"Eski"_s);
        QVERIFY(q.value(1).isNull());
        QCOMPARE(q.value(2).toString(), u"Borç"_s);
        QCOMPARE(q.value(3).toInt(), 0);
    }

    // A value built into a criterion finds itself and nothing else.
    void textLiterals()
    {
        auto rs = open(u"CariHareket"_s);
        add(*rs, u"O'Neil"_s, 1);
        add(*rs, u"x' Or 'a'='a"_s, 2);
        add(*rs, u"Z"_s, 3);
        for (const QString& code : {u"O'Neil"_s, u"x' Or 'a'='a"_s}) {
            auto found =
                open(u"Select * From CariHareket Where CariHarKod="_s + jetsql::quoteText(code));
            QVERIFY(found);
            QCOMPARE(found->exactCount(), 1);
            QCOMPARE(found->value(u"CariHarKod").toString(), code);
        }
    }
};

QTEST_GUILESS_MAIN(TestRecordSetBatches)
#include "tst_record_set_batches.moc"
