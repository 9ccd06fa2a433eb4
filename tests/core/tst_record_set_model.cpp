#include "core/data_control.h"
#include "core/database_files.h"
#include "core/record_set.h"
#include "core/record_set_model.h"
#include "sql_helpers.h"
#include "test_home.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QtTest>

using namespace Qt::StringLiterals;

// The one table model over a data control, checked by Qt's model tester while its
// record set reads, adds, changes and removes rows and is replaced.
class TestRecordSetModel : public QObject
{
    Q_OBJECT
    std::unique_ptr<TestHome> home;
    std::unique_ptr<DataControl> data;

private Q_SLOTS:
    void init()
    {
        home = std::make_unique<TestHome>();
        const QString path = home->dataFolder() + u"/Kumas.Mdb"_s;
        QVERIFY(dbfiles::ensureDatabase(path, {u"Siparis"_s}));
        runSql(dbfiles::connection(path),
               u"WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 99) "
               u"INSERT INTO Siparis (SipNo, BarNo, TopKg) SELECT 1000 + i, 'B' || i, "
               u"1000.5 + i FROM n"_s);
        data = std::make_unique<DataControl>(u"Data1"_s);
        data->setDatabaseName(path);
        data->setRecordSource(u"Select * From Siparis Order By SipNo DESC"_s);
        QVERIFY(data->refresh());
    }
    void cleanup()
    {
        data.reset();
        home.reset();
    }

    void followsTheSet_data()
    {
        QTest::addColumn<bool>("allFields");
        QTest::addColumn<bool>("incremental");
        QTest::newRow("grid columns") << false << false;
        QTest::newRow("grid columns, incremental") << false << true;
        QTest::newRow("all fields") << true << false;
        QTest::newRow("all fields, incremental") << true << true;
    }
    void followsTheSet()
    {
        QFETCH(bool, allFields);
        QFETCH(bool, incremental);
        const QList<ColumnSpec> columns{{u"SipNo"_s, u"Sipariş No"_s},
                                        {u"TopKg"_s, u"Kg"_s, 0, true}};
        RecordSetModel model(data.get(), allFields ? QList<ColumnSpec>{} : columns, nullptr,
                             incremental ? RecordSetModel::Rows::Incremental
                                         : RecordSetModel::Rows::Counted);
        // Fetch: an incremental model offers a screenful at a time; the tester (which
        // asks for more at every check) fetches the rest.
        QCOMPARE(model.rowCount(), incremental ? 40 : 100);
        QCOMPARE(model.canFetchMore({}), incremental);
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
        // The tester reports by warnings, and every warning fails the test, so that a
        // known fault can be expected by its message.
        QTest::failOnWarning(QRegularExpression(u".*"_s));
        auto tester = std::make_unique<QAbstractItemModelTester>(
            &model, QAbstractItemModelTester::FailureReportingMode::Warning);
        QCOMPARE(model.rowCount(), 100);
        QCOMPARE(inserted.size(), incremental ? 2 : 0);
        RecordSet* rs = data->recordset();

        // Columns: the given fields with their captions, or every field by its name;
        // numbers in the Standard format only in a numeric column.
        const int kg = allFields ? rs->schema().indexOf(u"TopKg") : 1;
        QCOMPARE(model.columnCount(), allFields ? rs->fieldNames().size() : 2);
        QCOMPARE(model.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(),
                 allFields ? u"SipNo"_s : u"Sipariş No"_s);
        QCOMPARE(model.index(0, 0).data().toString(), u"1099"_s);
        QCOMPARE(model.index(0, kg).data().toString(), allFields ? u"1099,5"_s : u"1.099,50"_s);

        // A row added through the set comes last; a change and a delete show in place.
        rs->addNew();
        QVERIFY(rs->setValue(u"SipNo", u"0001"_s) && rs->setValue(u"BarNo", u"N1"_s) &&
                rs->update());
        QCOMPARE(inserted.last().mid(1), (QVariantList{100, 100}));
        QCOMPARE(model.index(100, 0).data().toString(), u"0001"_s);
        QVERIFY(rs->setAbsolutePosition(3) && rs->edit() && rs->setValue(u"SipNo", u"X"_s) &&
                rs->update());
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.last().first().toModelIndex().row(), 3);
        QCOMPARE(model.index(3, 0).data().toString(), u"X"_s);
        // A known fault: the set has already let go of the row when it reports the
        // delete, so the model's "about to be removed" shows the rows as they are after
        // it. The tester says so once and is then out of step: a new one follows.
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(u"Compared values are not the same"_s));
        QVERIFY(rs->setAbsolutePosition(5) && rs->deleteCurrent());
        tester.reset();
        tester = std::make_unique<QAbstractItemModelTester>(
            &model, QAbstractItemModelTester::FailureReportingMode::Warning);
        QCOMPARE(removed.size(), 1);
        QCOMPARE(removed.last().mid(1), (QVariantList{5, 5}));
        QCOMPARE(model.rowCount(), 100);

        // Reset: a filter, a refresh (a new set), a closed control. Qt's tester asks an
        // incremental model for more rows before it takes note that a reset has ended,
        // so an incremental model is checked afresh after each reset instead.
        if (incremental)
            tester.reset();
        auto check = [&] {
            if (incremental)
                QAbstractItemModelTester(&model,
                                         QAbstractItemModelTester::FailureReportingMode::Warning);
        };
        QVERIFY(rs->setFilter(u"TopKg < 1010"_s));
        check();
        while (model.canFetchMore({}))
            model.fetchMore({});
        QCOMPARE(model.rowCount(), 10); // 1000,5 to 1009,5
        QVERIFY(data->refresh());
        check();
        QCOMPARE(reset.size(), 2);
        QCOMPARE(model.index(0, 0).data().toString(), u"X"_s);
        data->close();
        check();
        QCOMPARE(reset.size(), 3);
        QCOMPARE(model.rowCount(), 0);
    }
};

QTEST_GUILESS_MAIN(TestRecordSetModel)
#include "tst_record_set_model.moc"
