#include "case_table.h"
#include "core/database_files.h"
#include "core/record_set.h"
#include "core/settings_store.h"
#include "orders/next_order_number.h"
#include "orders/roll_recorder.h"
#include "sql_helpers.h"
#include "test_home.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {
// The order numbers in the table, and the one proposed next (-1: nothing).
const std::tuple<const char*, QStringList, qint64> kOrderNumbers[] = {
    {"empty table", {}, -1},
    {"9 and 10", {u"9"_s, u"10"_s}, 11},
    {"999 and 1000", {u"1000"_s, u"999"_s}, 1001},
    {"blanks around", {u" 1046 "_s, u"12"_s}, 1047},
    {"text order last", {u"12"_s, u"ZZ-7"_s}, 13},
    {"no number at all", {u"X"_s, u""_s}, 1},
    {"too long to be a number", {u"5"_s, u"1234567890123456789"_s}, 6},
};
// The stored counter (null: none), the barcode numbers already in the table, and the
// first roll's barcode number (its counter stored after it).
const std::tuple<const char*, QString, QStringList, QString> kCounters[] = {
    {"none", {}, {}, u"1047S031"_s},
    {"not a number", u"abc"_s, {}, u"1047S031"_s},
    {"negative", u"-5"_s, {}, u"1047S031"_s},
    {"blanks around", u" 41 "_s, {}, u"1047S0342"_s},
    // A counter that was reset (first run on another account) meets older rolls; a
    // number in other letters is the same number to the unique index.
    {"numbers in use skipped", {}, {u"1047S031"_s, u"1047s032"_s}, u"1047S033"_s},
};
} // namespace

// Rolls written into an orders table through a record set, as both record buttons do,
// also by a station killed at any moment (tests/orders/roll_writer.cpp), and the order
// number proposed for a new order from the orders already there.
class TestOrdersTable : public QObject
{
    Q_OBJECT
    std::unique_ptr<TestHome> home;
    QSqlDatabase db;
    std::unique_ptr<RecordSet> rs;

    static RollValues panel()
    {
        return {u"1047"_s,     u"O'BRİEN TEKSTİL"_s, u"30/1 SÜPREM"_s, u"L-7"_s,
                u"Makina 3"_s, u"30\"28 E"_s,        u"Ayşe Kılıç"_s,  u"120,5"_s,
                u"500"_s,      u"18.75"_s,           u"Üretimde"_s,    u"2"_s,
                u"Acil"_s,     QDate(2026, 3, 4)};
    }
    static QString counter() { return settings::GetSetting(u"Properties"_s, u"BarNo"_s); }
    // Columns of the row with this barcode number, as text (empty for null).
    QStringList row(const QString& barNo, const QString& columns) const
    {
        QStringList values;
        for (const QVariant& v :
             file().row(u"SELECT %1 FROM Siparis WHERE BarNo = ?"_s.arg(columns), {barNo}))
            values.append(v.toString());
        return values;
    }
    TestDatabase file() const { return TestDatabase(db.databaseName()); }
    int rows() const { return file().count(u"Siparis"_s); }
    void addRow(const QString& barNo)
    {
        QVERIFY(file().insert(u"Siparis"_s, u"SipNo, BarNo, Tarih, Firma, TopKg"_s,
                              {{u"1046"_s, barNo, u"2026-01-02"_s, u"ESKİ FİRMA"_s, 10}}));
    }
    void reopen()
    {
        rs = RecordSet::open(db, u"Select * From Siparis Order By SipNo DESC"_s);
        QVERIFY(rs);
    }

private Q_SLOTS:
    void init()
    {
        home = std::make_unique<TestHome>();
        const QString path = home->dataFolder() + u"/Kumas.Mdb"_s;
        QVERIFY(dbfiles::ensureDatabase(path, {u"Siparis"_s}));
        db = dbfiles::connection(path);
        reopen();
    }
    void cleanup()
    {
        rs.reset();
        db = {};
        home.reset();
    }

    void nextOrderNumberReadsNumbers_data() { addCases(kOrderNumbers); }
    void nextOrderNumberReadsNumbers()
    {
        const auto& [name, orders, proposed] = currentCase(kOrderNumbers);
        for (int i = 0; i < orders.size(); ++i)
            QVERIFY(file().insert(u"Siparis"_s, u"SipNo, BarNo"_s, {{orders[i], u"B%1"_s.arg(i)}}));
        QCOMPARE(nextOrderNumber(db).value_or(-1), proposed);
        // A file without the orders table proposes nothing.
        QVERIFY(dbfiles::ensureDatabase(home->file(u"Bos.Mdb"_s), {}));
        QVERIFY(!nextOrderNumber(dbfiles::connection(home->file(u"Bos.Mdb"_s))));
    }

    void addRollWritesTheWholeRow()
    {
        settings::SaveSetting(u"Properties"_s, u"BarNo"_s, u"214"_s);
        const RecordResult r = RollRecorder().addRoll(*rs, panel(), QDate(2026, 3, 9));
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(r.barNo, u"1047S03215"_s); // order, "S", today's month, counter
        // Numbers typed either way are stored as numbers.
        QCOMPARE(
            row(r.barNo, u"SipNo, Firma, Kumas, Lot, Makina, MakCinsi, Operator, Durum, "
                         u"Aciklama, TopKg, Fiyat, SipKg, Top, Tarih"_s),
            (QStringList{u"1047"_s, u"O'BRİEN TEKSTİL"_s, u"30/1 SÜPREM"_s, u"L-7"_s, u"Makina 3"_s,
                         u"30\"28 E"_s, u"Ayşe Kılıç"_s, u"Üretimde"_s, u"Acil"_s, u"18.75"_s,
                         u"120.5"_s, u"500"_s, u"2"_s, u"2026-03-04"_s}));

        // A field still showing its placeholder, and a number field left empty, leave
        // their columns empty.
        RollValues empty = panel();
        empty.kumas = u"KUMAŞ CİNSİ"_s;
        empty.lot = u" LOT "_s;
        empty.aciklama = u"Açıklama"_s;
        empty.sipKg.clear();
        empty.fiyat = u"  "_s;
        const RecordResult second = RollRecorder().addRoll(*rs, empty, QDate(2026, 3, 9));
        QVERIFY2(second.ok, qPrintable(second.error));
        QCOMPARE(row(second.barNo, u"Kumas, Lot, Aciklama, SipKg, Fiyat"_s), QStringList(5));
    }

    void counterStartsFromItsStoredValue_data() { addCases(kCounters); }
    void counterStartsFromItsStoredValue()
    {
        const auto& [name, stored, inUse, barNo] = currentCase(kCounters);
        if (!stored.isNull())
            settings::SaveSetting(u"Properties"_s, u"BarNo"_s, stored);
        for (const QString& number : inUse)
            addRow(number);
        reopen();
        QCOMPARE(RollRecorder().addRoll(*rs, panel(), QDate(2026, 3, 1)).barNo, barNo);
        QCOMPARE(counter(), barNo.mid(7));
        QCOMPARE(rows(), inUse.size() + 1);
    }

    // A text that is no number writes nothing, says which column refused it and uses
    // no counter value.
    void refusedValueWritesNothing()
    {
        RollValues v = panel();
        v.sipKg = u"500 kg"_s;
        const RecordResult r = RollRecorder().addRoll(*rs, v, QDate(2026, 3, 1));
        QVERIFY2(!r.ok && r.error.contains(u"SipKg"), qPrintable(r.error));
        QCOMPARE(rows(), 0);
        QCOMPARE(rs->editMode(), RecordSet::EditMode::None);
        QCOMPARE(RollRecorder().addRoll(*rs, panel(), QDate(2026, 3, 1)).barNo, u"1047S031"_s);
    }

    // The counter reaches the disk before the row: a store that cannot be written
    // stops the roll.
    void unwritableCounterWritesNothing()
    {
        QFile::remove(settings::appStorePath());
        QVERIFY(QDir().mkpath(settings::appStorePath()));
        const RecordResult r = RollRecorder().addRoll(*rs, panel(), QDate(2026, 3, 1));
        QVERIFY2(!r.ok && r.error.contains(u"sayacı"), qPrintable(r.error));
        QCOMPARE(rows(), 0);
    }

    // Another station holds the file's write lock longer than the wait: the operator is
    // told that, and nothing is written.
    void fileBusyAtAnotherStationIsSaidSo()
    {
        QSqlDatabase other = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"other-station"_s);
        other.setDatabaseName(db.databaseName());
        QVERIFY(other.open());
        QVERIFY(runSql(other, u"BEGIN EXCLUSIVE"_s).isActive());
        QVERIFY(runSql(db, u"PRAGMA busy_timeout = 50"_s).isActive());
        const RecordResult r = RollRecorder().addRoll(*rs, panel(), QDate(2026, 3, 1));
        QVERIFY2(!r.ok && r.error.contains(u"başka bir istasyonda"), qPrintable(r.error));
        runSql(other, u"ROLLBACK"_s);
        other.close();
        other = {};
        QSqlDatabase::removeDatabase(u"other-station"_s);
        QCOMPARE(rows(), 0);
    }

    void saveIntoCurrentKeepsTheRowsKeys()
    {
        addRow(u"1046S01213"_s);
        reopen();
        QVERIFY(RollRecorder().saveIntoCurrent(*rs, panel()).ok);
        QCOMPARE(rows(), 1);
        const QString columns = u"SipNo, Firma, Tarih, Kumas, TopKg"_s;
        const QStringList saved{u"1046"_s, u"ESKİ FİRMA"_s, u"2026-01-02"_s, u"30/1 SÜPREM"_s,
                                u"18.75"_s};
        QCOMPARE(row(u"1046S01213"_s, columns), saved);
        QVERIFY(counter().isEmpty()); // no new number

        RollValues bad = panel();
        bad.topKg = u"12 kg"_s;
        const RecordResult r = RollRecorder().saveIntoCurrent(*rs, bad);
        QVERIFY(!r.ok && r.error.contains(u"TopKg"));
        QCOMPARE(row(u"1046S01213"_s, columns), saved);
        QCOMPARE(rs->editMode(), RecordSet::EditMode::None);
    }

    // A power cut or a killed station at any moment: afterwards no barcode number is in
    // two rows, every row is whole, and the counter is past every number given.
    void killedWritersLeaveWholeUniqueRows()
    {
        const int rounds = countFromEnvironment("TOPKAR_CRASH_ROUNDS", 200);
        QRandomGenerator rnd(20261207);
        int printed = 0;
        for (int i = 0; i < rounds; ++i) {
            QProcess writer;
            writer.start(QStringLiteral(ROLL_WRITER), {});
            QVERIFY(writer.waitForStarted());
            // Mostly kill it in the middle of its loop, sometimes while it opens.
            if (i % 5 != 0)
                writer.waitForReadyRead(5000);
            QTest::qWait(static_cast<int>(rnd.bounded(0, 40)));
            writer.kill(); // SIGKILL: no chance to finish anything
            QVERIFY(writer.waitForFinished());
            QVERIFY2(writer.exitStatus() == QProcess::CrashExit || writer.exitCode() == 0,
                     writer.readAllStandardError().constData());
            printed += static_cast<int>(writer.readAllStandardOutput().count('\n'));
        }

        QCOMPARE(file().value(u"PRAGMA integrity_check"_s).toString(), u"ok"_s);
        QVERIFY(rows() >= printed); // a row is committed before it is reported
        QVERIFY(rows() > 0);
        QCOMPARE(file()
                     .value(u"SELECT COUNT(*) FROM (SELECT BarNo FROM Siparis GROUP BY BarNo "
                            "COLLATE TRNOCASE HAVING COUNT(*) > 1)"_s)
                     .toInt(),
                 0);
        const QStringList columns = u"SipNo BarNo Tarih Firma Makina MakCinsi Kumas Lot SipKg "
                                    u"TopKg Top Operator Fiyat Aciklama Durum"_s.split(u' ');
        QCOMPARE(file().count(u"Siparis"_s,
                              columns.join(u" IS NULL OR "_s) + u" IS NULL OR TopKg <> 18.75"_s),
                 0);
        // Every barcode number is the writer's (order, "S", month, counter), and the stored
        // counter is past the counter of every one in the table.
        QCOMPARE(
            file().count(
                u"Siparis"_s,
                u"BarNo NOT GLOB '1047S[0-9][0-9][0-9]*' OR substr(BarNo, 6) GLOB '*[^0-9]*'"_s),
            0);
        const qint64 highest =
            file()
                .value(u"SELECT MAX(CAST(substr(BarNo, 8) AS INTEGER)) FROM Siparis"_s)
                .toLongLong();
        QVERIFY(highest > 0 && highest <= counter().toLongLong());
    }
};

QTEST_GUILESS_MAIN(TestOrdersTable)
#include "tst_orders_table.moc"
