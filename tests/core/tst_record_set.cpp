#include "core/data_control.h"
#include "core/database_files.h"
#include "core/record_set.h"
#include "core/shared_routines.h"
#include "test_home.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>

using namespace Qt::StringLiterals;

// The record-set contract the station and the exchange rely on, over real files.
class TestRecordSet : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestHome> home;
    QString orders, accounts;

    QSqlDatabase ordersDb() { return dbfiles::connection(orders); }

    void addOrder(const QString& sipNo, const QString& barNo, double topKg,
                  const QVariant& lot = {})
    {
        QSqlQuery q(ordersDb());
        q.prepare(
            u"INSERT INTO Siparis (SipNo, BarNo, TopKg, SipKg, Lot) VALUES (?, ?, ?, 500, ?)"_s);
        q.addBindValue(sipNo);
        q.addBindValue(barNo);
        q.addBindValue(topKg);
        q.addBindValue(lot);
        QVERIFY2(q.exec(), qPrintable(q.lastError().text()));
    }

    std::unique_ptr<RecordSet> open(const QString& source)
    {
        QString error;
        auto rs = RecordSet::open(ordersDb(), source, &error);
        if (!rs)
            qWarning() << error;
        return rs;
    }

    QStringList walk(RecordSet& rs, const QString& field = u"BarNo"_s)
    {
        QStringList seen;
        for (rs.moveFirst(); !rs.eof(); rs.moveNext())
            seen.append(rs.value(field).toString());
        return seen;
    }

    int rowCount()
    {
        QSqlQuery q(ordersDb());
        q.exec(u"SELECT COUNT(*) FROM Siparis"_s);
        q.next();
        return q.value(0).toInt();
    }

private Q_SLOTS:
    void init()
    {
        home = std::make_unique<TestHome>();
        orders = home->dataFolder() + u"/Kumas.Mdb"_s;
        accounts = home->dataFolder() + u"/01Cari.Mdb"_s;
        QString error;
        QVERIFY2(dbfiles::ensureDatabase(orders, {u"Siparis"_s}, &error), qPrintable(error));
        QVERIFY2(dbfiles::ensureDatabase(accounts, {u"CariKartlar"_s}, &error), qPrintable(error));
    }
    void cleanup() { home.reset(); }

    void emptySetHasBothMarks()
    {
        auto rs = open(u"Select * From Siparis Order By SipNo DESC"_s);
        QVERIFY(rs);
        QVERIFY(rs->bof() && rs->eof());
        QCOMPARE(rs->recordCount(), 0);
        rs->moveLast();
        QVERIFY(rs->bof() && rs->eof());
        QVERIFY(rs->value(u"SipNo").isNull());
        QVERIFY(!rs->lastError().isEmpty());
        QVERIFY(rs->findFirst(u"SipNo='1'"_s));
        QVERIFY(rs->noMatch());
    }

    void textOrderMovesAndCount()
    {
        addOrder(u"10"_s, u"10S01a"_s, 1);
        addOrder(u"9"_s, u"9S01b"_s, 2);
        addOrder(u"1047"_s, u"1047S01c"_s, 3);
        addOrder(u"10"_s, u"10S01d"_s, 4);
        auto rs = open(u"Select * From Siparis Order By SipNo DESC"_s);
        QVERIFY(rs);
        // Sorted as text: "9" > "1047" > "10"; rows with equal SipNo keep a fixed order.
        QCOMPARE(rs->value(u"sipno").toString(), u"9"_s);
        QCOMPARE(rs->recordCount(), 1); // only the first row visited so far
        rs->moveLast();
        QCOMPARE(rs->recordCount(), 4);
        QCOMPARE(rs->absolutePosition(), 3);
        QCOMPARE(walk(*rs), (QStringList{u"9S01b"_s, u"1047S01c"_s, u"10S01d"_s, u"10S01a"_s}));
        QVERIFY(rs->eof() && !rs->bof());
        rs->movePrevious();
        QCOMPARE(rs->value(u"BarNo").toString(), u"10S01a"_s);
        rs->moveFirst();
        rs->movePrevious();
        QVERIFY(rs->bof() && !rs->eof());
        QVERIFY(rs->setAbsolutePosition(2));
        QCOMPARE(rs->value(u"BarNo").toString(), u"10S01d"_s);
        QCOMPARE(rs->value(u"TopKg").toDouble(), 4.0);
        QVERIFY(rs->value(u"Lot").isNull());
        QVERIFY(!rs->setAbsolutePosition(4));

        // The Ascending source puts "9" last.
        auto asc = open(u"Select * From Siparis Order By SipNo Asc"_s);
        asc->moveLast();
        QCOMPARE(asc->value(u"SipNo").toString(), u"9"_s);
    }

    void manyRowsAcrossChunks()
    {
        QSqlDatabase db = ordersDb();
        db.transaction();
        for (int i = 0; i < 1000; ++i)
            addOrder(QString::number(1000 + i / 10), u"B%1"_s.arg(i, 4, 10, QChar(u'0')), i);
        db.commit();
        auto rs = open(u"Select * From Siparis Order By SipNo DESC"_s);
        rs->moveLast();
        QCOMPARE(rs->recordCount(), 1000);
        // Backwards from the end and forwards from the start meet in the same order.
        QStringList back;
        for (rs->moveLast(); !rs->bof(); rs->movePrevious())
            back.prepend(rs->value(u"BarNo").toString());
        QCOMPARE(walk(*rs), back);
        // Rolls of one order: the newest first, like the orders themselves.
        QCOMPARE(back.first(), u"B0999"_s);
        // Find works from anywhere and knows its place.
        QVERIFY(rs->findFirst(u"SipNo='1050'"_s));
        QVERIFY(!rs->noMatch());
        QCOMPARE(rs->value(u"BarNo").toString(), u"B0509"_s);
        QCOMPARE(rs->absolutePosition(), 490);
        QVERIFY(rs->findNext(u"SipNo='1050'"_s));
        QCOMPARE(rs->value(u"BarNo").toString(), u"B0508"_s);
        // A search that cannot be made says so, and is no match (not the last answer).
        QVERIFY(!rs->findNext(u"Yok='1'"_s));
        QVERIFY(rs->noMatch());
        QCOMPARE(rs->value(u"BarNo").toString(), u"B0508"_s);
        rs->moveNext();
        QCOMPARE(rs->absolutePosition(), 492);
        QVERIFY(rs->findPrevious(u"TopKg > 900"_s));
        QCOMPARE(rs->value(u"BarNo").toString(), u"B0901"_s);
        QCOMPARE(rs->absolutePosition(), 98);
        QVERIFY(rs->findLast(u"SipNo='1050'"_s));
        QCOMPARE(rs->value(u"BarNo").toString(), u"B0500"_s);
        QVERIFY(rs->findNext(u"SipNo='1050'"_s));
        QVERIFY(rs->noMatch());
        QCOMPARE(rs->value(u"BarNo").toString(), u"B0500"_s); // stays where it was
    }

    void walksAgreeWithTheOrderInBothDirections()
    {
        // Rows without an order number, and many rows of one order, across chunk edges.
        QSqlDatabase db = ordersDb();
        db.transaction();
        for (int i = 0; i < 700; ++i)
            addOrder(i % 7 == 0 ? QString() : QString::number(100 + i / 90), u"W%1"_s.arg(i), i);
        db.commit();
        QSqlQuery null(db);
        null.exec(u"UPDATE Siparis SET SipNo = NULL WHERE SipNo = ''"_s);
        for (const QString& direction : {u"DESC"_s, u"ASC"_s}) {
            QSqlQuery q(db);
            q.exec(u"SELECT BarNo FROM Siparis ORDER BY SipNo COLLATE TRNOCASE %1, rowid %1"_s.arg(
                direction));
            QStringList expected;
            while (q.next())
                expected.append(q.value(0).toString());
            auto rs = open(u"Select * From Siparis Order By SipNo "_s + direction);
            QCOMPARE(walk(*rs), expected);
            QStringList back;
            for (rs->moveLast(); !rs->bof(); rs->movePrevious())
                back.prepend(rs->value(u"BarNo").toString());
            QCOMPARE(back, expected);
            // From the middle outwards, as a grid scrolled to a far row does.
            auto mid = open(u"Select * From Siparis Order By SipNo "_s + direction);
            QVERIFY(mid->setAbsolutePosition(350));
            QStringList around;
            for (int i = 0; i < 120; ++i, mid->movePrevious())
                around.prepend(mid->value(u"BarNo").toString());
            QCOMPARE(around, expected.mid(231, 120));
        }
        // A table without a sort order runs in the order the rows were added.
        auto plain = open(u"Siparis"_s);
        const QStringList all = walk(*plain);
        QCOMPARE(all.size(), 700);
        QCOMPARE(all.first(), u"W0"_s);
        QCOMPARE(all.last(), u"W699"_s);
    }

    void criteriaInTurkishAndWithQuotes()
    {
        QSqlQuery q(dbfiles::connection(accounts));
        for (const auto& [code, title, hidden] :
             {std::tuple{u"C1"_s, u"İSTANBUL ÖRME"_s, 0}, std::tuple{u"C2"_s, u"IŞIK A.Ş."_s, 0},
              std::tuple{u"C3"_s, u"O'BRİEN TEKSTİL"_s, 0},
              std::tuple{u"C4"_s, u"istanbul gizli"_s, 1},
              std::tuple{u"C5"_s, u"ÇAĞLAR 100% PAMUK"_s, 0}}) {
            q.prepare(u"INSERT INTO CariKartlar (CariKod, Unvan, HesKullan) VALUES (?, ?, ?)"_s);
            q.addBindValue(code);
            q.addBindValue(title);
            q.addBindValue(hidden);
            QVERIFY(q.exec());
        }
        auto search = [&](const QString& source) {
            QString error;
            auto rs = RecordSet::open(dbfiles::connection(accounts), source, &error);
            if (!rs)
                return QStringList{error};
            return walk(*rs, u"CariKod"_s);
        };
        QCOMPARE(
            search(
                u"Select * From CariKartlar Where HesKullan=False And Unvan Like 'istanbul*' Order By Unvan Asc"_s),
            QStringList{u"C1"_s});
        QCOMPARE(search(u"Select * From CariKartlar Where Unvan Like 'ışık*'"_s),
                 QStringList{u"C2"_s});
        QCOMPARE(search(u"Select * From CariKartlar Where Unvan Like 'o''brien*'"_s),
                 QStringList{u"C3"_s});
        QCOMPARE(search(u"Select * From CariKartlar Where Unvan Like '*100%*'"_s),
                 QStringList{u"C5"_s});
        QCOMPARE(search(u"Select * From CariKartlar Where Unvan Like '?AĞLAR*'"_s),
                 QStringList{u"C5"_s});
        QCOMPARE(search(u"Select * From CariKartlar Where HesKullan=True"_s), QStringList{u"C4"_s});
        QCOMPARE(search(u"Select * From CariKartlar Where Unvan Like '100%*'"_s), QStringList{});
        // Turkish alphabetical order: Ç after C, I before İ.
        QCOMPARE(search(u"Select * From CariKartlar Where HesKullan=False Order By Unvan Asc"_s),
                 (QStringList{u"C5"_s, u"C2"_s, u"C1"_s, u"C3"_s}));
        // An apostrophe in a criterion is data, never SQL.
        QString error;
        auto rs = RecordSet::open(dbfiles::connection(accounts), u"CariKartlar"_s, &error);
        QVERIFY(rs->findFirst(u"Unvan='o''brien tekstil'"_s));
        QCOMPARE(rs->value(u"CariKod").toString(), u"C3"_s);
        QVERIFY(!rs->findFirst(u"Unvan='x' Or 1=1; DROP TABLE CariKartlar"_s));
        QVERIFY(!rs->findFirst(u"NoSuchField='1'"_s));
        QVERIFY(rs->lastError().contains(u"NoSuchField"));
        QVERIFY(
            !RecordSet::open(dbfiles::connection(accounts), u"Select * From Nothing"_s, &error));
    }

    void addEditCancelDelete()
    {
        addOrder(u"1046"_s, u"1046S03214"_s, 100);
        addOrder(u"1045"_s, u"1045S03213"_s, 120);
        auto rs = open(u"Select * From Siparis Order By SipNo DESC"_s);
        // A new row stays last, though its order number sorts first.
        rs->addNew();
        QVERIFY(rs->setValue(u"SipNo", u"9999"_s));
        QVERIFY(rs->setValue(u"BarNo", u"9999S03215"_s));
        QVERIFY(rs->setValue(u"TopKg", u"12,5"_s));
        QVERIFY(rs->setValue(u"Tarih", QDate(2026, 3, 4)));
        QVERIFY2(rs->update(), qPrintable(rs->lastError()));
        QCOMPARE(rs->value(u"BarNo").toString(), u"1046S03214"_s); // current row unchanged
        rs->moveLast();
        QCOMPARE(rs->value(u"SipNo").toString(), u"9999"_s);
        QCOMPARE(rs->value(u"TopKg").toDouble(), 12.5);
        QCOMPARE(rs->value(u"Tarih").toDateTime().date(), QDate(2026, 3, 4));
        QCOMPARE(rs->absolutePosition(), 2);
        QCOMPARE(rs->recordCount(), 3);
        QVERIFY(rs->findFirst(u"SipNo='9999'"_s));
        QCOMPARE(rs->absolutePosition(), 2);
        // Numbers written as Turkish text sum as numbers in the database.
        QSqlQuery sum(ordersDb());
        sum.exec(u"SELECT SUM(TopKg) FROM Siparis"_s);
        sum.next();
        QCOMPARE(sum.value(0).toDouble(), 232.5);
        // After a refresh it takes its place in the order.
        auto again = open(u"Select * From Siparis Order By SipNo DESC"_s);
        QCOMPARE(again->value(u"SipNo").toString(), u"9999"_s);

        // Edit and cancel leaves the row alone; edit and update changes it.
        rs->moveFirst();
        QVERIFY(rs->edit());
        QVERIFY(rs->setValue(u"Lot", u"L-7"_s));
        QCOMPARE(rs->value(u"Lot").toString(), u"L-7"_s);
        rs->cancelUpdate();
        QVERIFY(rs->value(u"Lot").isNull());
        QVERIFY(rs->edit() && rs->setValue(u"Lot", u"L-8"_s));
        QVERIFY(rs->update());
        QCOMPARE(rs->value(u"Lot").toString(), u"L-8"_s);
        QCOMPARE(open(u"Select * From Siparis Where SipNo='1046'"_s)->value(u"Lot").toString(),
                 u"L-8"_s);

        // Delete in the middle: the next row takes its place.
        QVERIFY(rs->setAbsolutePosition(1) && rs->deleteCurrent());
        QVERIFY(rs->value(u"SipNo").isNull());
        rs->moveNext();
        QCOMPARE(rs->value(u"SipNo").toString(), u"9999"_s);
        QCOMPARE(rs->absolutePosition(), 1);
        // Delete the last: the end mark, then back to the new last row.
        QVERIFY(rs->deleteCurrent());
        rs->moveNext();
        QVERIFY(rs->eof());
        rs->movePrevious();
        QCOMPARE(rs->value(u"SipNo").toString(), u"1046"_s);
        // Delete the only row.
        QVERIFY(rs->deleteCurrent());
        rs->moveNext();
        QVERIFY(rs->eof() && rs->bof());
        QCOMPARE(rowCount(), 0);
    }

    void refusedValuesLeaveTheTableAlone()
    {
        addOrder(u"1046"_s, u"1046S03214"_s, 100);
        auto rs = open(u"Siparis"_s);
        rs->addNew();
        QVERIFY(rs->setValue(u"SipNo", u"1047"_s));
        // A value the column cannot hold is refused when written, with the reason.
        QVERIFY(!rs->setValue(u"SipKg", u""_s));
        QVERIFY(rs->lastError().contains(u"SipKg"));
        QVERIFY(!rs->setValue(u"TopKg", u"12,5 kg"_s));
        QVERIFY(!rs->setValue(u"Tarih", u"yarın"_s));
        QVERIFY(!rs->setValue(u"Nothing", u"1"_s));
        // A value the database refuses (a barcode number used twice) fails the update.
        QVERIFY(rs->setValue(u"BarNo", u"1046s03214"_s));
        QVERIFY(!rs->update());
        QVERIFY(rs->lastError().contains(u"UNIQUE", Qt::CaseInsensitive));
        QCOMPARE(rowCount(), 1);
        QCOMPARE(rs->editMode(), RecordSet::EditMode::AddNew); // can be corrected
        QVERIFY(rs->setValue(u"BarNo", u"1047S03215"_s));
        QVERIFY(rs->update());
        QCOMPARE(rowCount(), 2);
        QVERIFY(!rs->update()); // nothing pending
    }

    void rowsAddedElsewhereWaitForRefresh()
    {
        addOrder(u"1"_s, u"1S01"_s, 1);
        DataControl data(u"Data1"_s);
        data.setDatabaseName(orders);
        data.setRecordSource(u"Select * From Siparis Order By SipNo DESC"_s);
        int repositions = 0;
        connect(&data, &DataControl::repositioned, [&] { ++repositions; });
        QVERIFY(RefreshToFirst(data));
        QVERIFY(repositions >= 1);
        addOrder(u"2"_s, u"2S01"_s, 1); // another station
        QCOMPARE(data.recordset()->exactCount(), 1);
        QVERIFY(RefreshToFirst(data));
        QCOMPARE(data.recordset()->recordCount(), 2);
        QCOMPARE(data.recordset()->value(u"SipNo").toString(), u"2"_s);
        // A missing file leaves the control without a record set and says where.
        data.setDatabaseName(home->file(u"nowhere/Kumas.Mdb"_s));
        QVERIFY(!data.refresh());
        QVERIFY(!data.recordset());
        QVERIFY(data.lastError().contains(u"nowhere"));
    }

    void filterNarrowsAndClears()
    {
        for (int i = 0; i < 5; ++i)
            addOrder(QString::number(i % 2), u"F%1"_s.arg(i), i);
        auto rs = open(u"Siparis"_s);
        QVERIFY(rs->setFilter(u"SipNo='1' And TopKg<>0"_s));
        QCOMPARE(walk(*rs), (QStringList{u"F1"_s, u"F3"_s}));
        QVERIFY(rs->setFilter({}));
        QCOMPARE(walk(*rs).size(), 5);
    }
};

QTEST_GUILESS_MAIN(TestRecordSet)
#include "tst_record_set.moc"
