#include "central_server.h"
#include "web_data.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QtTest>

#include <functional>

using namespace Qt::StringLiterals;

// The exchange window: its controls, the wait before the download that "Devam"
// releases or closing the window stops, and a last text that says how the exchange
// ended.
class TestWebData : public CentralServerTest
{
    Q_OBJECT
public:
    TestWebData() : CentralServerTest(55617) {}

private:
    bool sawWait = false;

    // Runs the window's exchange; the action is done when the window waits.
    ExchangeReport load(WebData& form, const std::function<void()>& atTheWait)
    {
        auto* devam = form.findChild<QPushButton*>(u"Devam"_s);
        form.show();
        sawWait = false;
        QTimer poll;
        connect(&poll, &QTimer::timeout, &form, [&] {
            if (!sawWait && devam->isEnabled()) {
                sawWait = true;
                // Nothing is taken before the release.
                QCOMPARE(server->count(u"CariKartlar"_s), 1);
                atTheWait();
            }
        });
        poll.start(10);
        return form.load();
    }

private Q_SLOTS:
    void releasedByDevamStoppedByClosing()
    {
        server->insert(u"CariKartlar"_s, u"CariKod, Unvan, Sube, Server"_s,
                       {{u"C1"_s, u"Gök"_s, u"02"_s, 0}});
        {
            WebData form(station->settings());
            const ExchangeReport report = load(form, [&] { form.close(); });
            QVERIFY(sawWait);
            QVERIFY(report.summary().contains(u"durduruldu"_s) && !report.complete());
            QCOMPARE(server->count(u"CariKartlar"_s), 1);
        }
        WebData form(station->settings());
        QCOMPARE(form.windowTitle(), u"Form1"_s);
        auto* devam = form.findChild<QPushButton*>(u"Devam"_s);
        auto* status = form.findChild<QLabel*>(u"StatusBar1"_s);
        QVERIFY(devam && status && form.findChild<QTableView*>(u"DBGrid1"_s) &&
                form.findChild<QProgressBar*>(u"ProgressBar1"_s));
        QVERIFY(!devam->isEnabled());
        QVERIFY(finished(load(form, [&] { devam->click(); })));
        QVERIFY(sawWait);
        QVERIFY(status->text().startsWith(u"Aktarım tamamlandı"_s));
        QCOMPARE(station->accounts().value(u"SELECT Unvan FROM CariKartlar"_s).toString(),
                 u"Gök"_s);
    }
};

QTEST_MAIN(TestWebData)
#include "tst_web_data.moc"
