#include "branch_folder.h"
#include "central_server.h"
#include "test_home.h"
#include "web_data.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QtTest>

using namespace Qt::StringLiterals;

// The exchange window: its controls, the wait before the download that "Devam"
// releases, and a last text that says how the exchange ended.
class TestWebData : public CentralServerTest
{
    Q_OBJECT
public:
    TestWebData() : CentralServerTest(55617) {}

private:
private Q_SLOTS:
    void releasedByDevam()
    {
        BranchFolder station(home->file(u"data"_s), u"02"_s);
        server->exec(
            u"INSERT INTO \"CariKartlar\" (\"CariKod\", \"Unvan\", \"Sube\", \"Server\") VALUES ('C1', 'Gök', '02', 0)"_s);
        WebData form(station.settings());
        QCOMPARE(form.windowTitle(), u"Form1"_s);
        auto* grid = form.findChild<QTableView*>(u"DBGrid1"_s);
        auto* devam = form.findChild<QPushButton*>(u"Devam"_s);
        auto* status = form.findChild<QLabel*>(u"StatusBar1"_s);
        QVERIFY(grid && devam && status && form.findChild<QProgressBar*>(u"ProgressBar1"_s));
        QVERIFY(!devam->isEnabled());
        form.show();
        bool sawWait = false;
        // The wait keeps the window alive; the button lets the download go on.
        QTimer poll;
        connect(&poll, &QTimer::timeout, &form, [&] {
            if (devam->isEnabled()) {
                sawWait = true;
                QVERIFY(server->value(u"SELECT COUNT(*) FROM \"CariKartlar\""_s).toInt() == 1);
                devam->click();
            }
        });
        poll.start(10);
        const ExchangeReport report = form.load();
        QVERIFY(sawWait);
        QVERIFY2(report.complete(), qPrintable(report.summary()));
        QVERIFY(status->text().startsWith(u"Aktarım tamamlandı"_s));
        QCOMPARE(station.value(station.accounts(), u"SELECT Unvan FROM CariKartlar"_s).toString(),
                 u"Gök"_s);
    }

    // Closing the window during the wait stops the exchange: nothing is taken, and the
    // window says the run did not finish.
    void closedDuringTheWait()
    {
        BranchFolder station(home->file(u"data"_s), u"02"_s);
        server->exec(
            u"INSERT INTO \"CariKartlar\" (\"CariKod\", \"Sube\", \"Server\") VALUES ('C1', '02', 0)"_s);
        WebData form(station.settings());
        form.show();
        auto* devam = form.findChild<QPushButton*>(u"Devam"_s);
        QTimer poll;
        connect(&poll, &QTimer::timeout, &form, [&] {
            if (devam->isEnabled())
                form.close();
        });
        poll.start(10);
        const ExchangeReport report = form.load();
        QVERIFY(!report.complete());
        QVERIFY(report.summary().contains(u"durduruldu"_s));
        QCOMPARE(server->value(u"SELECT COUNT(*) FROM \"CariKartlar\""_s).toInt(), 1);
    }
};

QTEST_MAIN(TestWebData)
#include "tst_web_data.moc"
