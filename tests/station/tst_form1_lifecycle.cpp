#include "core/data_control.h"
#include "core/database_files.h"
#include "core/record_set_model.h"
#include "core/settings_store.h"
#include "orders/demo_company.h"
#include "station_window.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QInputDialog>
#include <QLineEdit>
#include <QProcess>
#include <QScreen>
#include <QSqlQuery>
#include <QStatusBar>
#include <QTableView>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {
const QString kGeometry = u"Nirvelo\\Properties1"_s;
QString geometry(const QString& name)
{
    return ReadRegistryText(RegistryRoot::CurrentUser, kGeometry, name);
}
void setGeometryValue(const QString& name, const QString& v)
{
    WriteRegistryText(RegistryRoot::CurrentUser, kGeometry, name, v);
}
} // namespace

// The main window from start to close, offscreen, with its settings and data in a
// temporary folder.
class TestForm1Lifecycle : public QObject
{
    Q_OBJECT
    std::unique_ptr<StationWindow> s;
    Form1* w = nullptr;
    TestHome* home = nullptr;

private Q_SLOTS:
    void init()
    {
        s = std::make_unique<StationWindow>();
        w = &s->form();
        home = &s->home();
    }
    void cleanup() { s.reset(); }

    void firstRunResetsTheCounterAndCentresAtTheTop()
    {
        settings::SaveSetting(u"Properties"_s, u"BarNo"_s, u"214"_s);
        QVERIFY(s->open());
        QCOMPARE(settings::GetSetting(u"Properties"_s, u"BarNo"_s), u"0"_s);
        QCOMPARE(w->windowTitle(), u"   Parvek  Topkar"_s);
        QCOMPARE(w->DTPicker1->date(), QDate::currentDate());
        QCOMPARE(w->Combo1->currentText(), u"Makina Yok"_s);
        QCOMPARE(w->Combo2->currentText(), u"Mak.Cinsi Yok"_s);
        QCOMPARE(w->Combo3->currentText(), u"Sipariş"_s);
        QCOMPARE(w->Combo4->currentText(), u"Operatör Yok"_s);
        QCOMPARE(w->Combo4->count(), 1); // no operator names until the installation sets them
        // The designed size gives the grid its designed size.
        QCOMPARE(w->outerSizeTwips(), QSize(14235, 10470));
        QCOMPARE(w->DBGrid1->size(), QSize(931, 173));
        const QRect avail = w->screen()->availableGeometry();
        QCOMPARE(w->frameGeometry().y(), avail.y());
        // Centred within the few pixels of a frame the platform adds after showing.
        const int centred = avail.x() + (avail.width() - w->frameGeometry().width()) / 2;
        QVERIFY(std::abs(w->frameGeometry().x() - centred) <= 4);
        // A new station gets its three database files, ready to use.
        for (const char* file : {dbfiles::kOrders, dbfiles::kAccounts, dbfiles::kStock})
            QVERIFY(QFile::exists(home->dataFolder() + u'/' + QLatin1String(file)));
        QVERIFY(w->dataReachable());
        QVERIFY(w->statusBar()->currentMessage().contains(u"MuhasebeData"));
        QCOMPARE(w->Data1->recordSource(), u"Select * From Siparis Order By SipNo DESC"_s);
        QCOMPARE(w->Data4->databaseName(), w->Data1->databaseName());
        // Later activations change nothing.
        w->field(EntryField::Customer)->setText(u"Firma X"_s);
        w->DTPicker1->setDate(QDate(2020, 1, 1));
        w->formActivate();
        QCOMPARE(w->field(EntryField::Customer)->text(), u"Firma X"_s);
        QCOMPARE(w->DTPicker1->date(), QDate(2020, 1, 1));
        w->close();
        QCOMPARE(geometry(u"KumasWidth"_s), u"14235"_s);
        QCOMPARE(geometry(u"KumasHeight"_s), u"10470"_s);
        QVERIFY(!geometry(u"KumasTop"_s).isEmpty());
        QVERIFY(!geometry(u"KumasLeft"_s).isEmpty());
    }

    void laterRunRestoresTheSize()
    {
        setGeometryValue(u"KumasTop"_s, u"600"_s);
        setGeometryValue(u"KumasLeft"_s, u"900"_s);
        setGeometryValue(u"KumasWidth"_s, u"16035"_s);
        setGeometryValue(u"KumasHeight"_s, u"11970"_s);
        settings::SaveSetting(u"Properties"_s, u"BarNo"_s, u"214"_s);
        QVERIFY(s->open());
        QCOMPARE(settings::GetSetting(u"Properties"_s, u"BarNo"_s), u"214"_s);
        QCOMPARE(w->outerSizeTwips(), QSize(16035, 11970));
        // The resize rule keeps the status list and the canvas at the right edge.
        QCOMPARE(w->Combo3->x(), (16035 - 3735) / 15);
        QCOMPARE(w->DBGrid1->width(), (16035 - 270) / 15);
        QCOMPARE(w->DBGrid1->height(), (11970 - 7875) / 15);
        QCOMPARE(w->frameGeometry().y(), w->screen()->availableGeometry().y()); // Top replaced
        w->close();
        QCOMPARE(geometry(u"KumasWidth"_s), u"16035"_s);
    }

    void badGeometryAndTinyWindowsDoNotStopTheWindow()
    {
        setGeometryValue(u"KumasTop"_s, u"abc"_s);
        setGeometryValue(u"KumasWidth"_s, u"çok"_s);
        setGeometryValue(u"KumasHeight"_s, u"-400"_s);
        QVERIFY(s->open());
        QVERIFY(w->ready());
        QVERIFY(w->outerSizeTwips().width() >= 14235);
        w->resize(120, 90);
        QVERIFY(w->DBGrid1->width() >= 0 && w->DBGrid1->height() >= 0);
        w->close();
        QVERIFY(geometry(u"KumasWidth"_s).toInt() > 0);
    }

    void unreachableShareStillOpensAndSaysWhere()
    {
        settings::SaveSetting(u"Properties"_s, u"NetIp"_s, u"depo-pc"_s);
        settings::SaveSetting(u"Platform"_s, u"NetMountRoot"_s, home->file(u"mnt"_s));
        QVERIFY(s->open());
        QVERIFY(!w->dataReachable());
        QVERIFY(w->Data1->databaseName().contains(u"depo-pc/MuhasebeData/Kumas.Mdb"));
        QVERIFY(!w->Data1->recordset());
        QVERIFY(w->statusBar()->currentMessage().contains(u"depo-pc"));
        QVERIFY(!QDir(home->file(u"mnt"_s)).exists()); // nothing created in place of the share
        QCOMPARE(w->DBGrid1->model()->rowCount(), 0);
        w->close();
    }

    void aDamagedFileIsNamedOnTheStatusLine()
    {
        QFile f(home->dataFolder() + u"/01Cari.Mdb"_s);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(QByteArray(4096, 'x')) == 4096);
        f.close();
        QVERIFY(s->open());
        const QString status = w->statusBar()->currentMessage();
        QVERIFY2(status.contains(u"01Cari.Mdb") && status.contains(u"bozuk") &&
                     !status.contains(u"database"),
                 qPrintable(status));
        w->close();
    }

    // The program itself: help without a display, a label printed at start without a
    // printer (into a PDF file), a label that cannot be made.
    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("withRoll");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("said");
        QTest::newRow("help") << QStringList{u"--help"_s} << false << 0 << u"--print-label"_s;
        QTest::newRow("no printer")
            << QStringList{u"--print-label"_s} << true << 0 << u"Etiketler/1047S03215.pdf"_s;
        QTest::newRow("no roll") << QStringList{u"--print-label"_s} << false << 1
                                 << u"barkod numarası yok"_s;
    }
    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, withRoll);
        QFETCH(int, exitCode);
        QFETCH(QString, said);
        if (withRoll)
            s->addRoll(u"1047"_s, u"1047S03215"_s, 23.5);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"CUPS_SERVER"_s, home->file(u"no-print-server"_s));
        if (arguments.contains(u"--help"_s))
            for (const QString& display :
                 {u"QT_QPA_PLATFORM"_s, u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s})
                env.remove(display);
        QProcess topkar;
        topkar.setProcessEnvironment(env);
        topkar.start(QString::fromUtf8(TOPKAR_PROGRAM), arguments);
        QVERIFY(topkar.waitForFinished(30000));
        const QString out =
            QString::fromUtf8(topkar.readAllStandardOutput() + topkar.readAllStandardError());
        QCOMPARE(topkar.exitStatus(), QProcess::NormalExit);
        QCOMPARE(topkar.exitCode(), exitCode);
        QVERIFY2(out.contains(said), qPrintable(out));
        if (withRoll)
            QVERIFY(QFileInfo(home->file(u"Etiketler/1047S03215.pdf"_s)).size() > 0);
    }

    void networkIpIsTrimmedAndCancelKeepsIt()
    {
        QVERIFY(s->open());
        auto answer = [](const QString& text) {
            QTimer::singleShot(0, [text] {
                auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
                QVERIFY(dialog);
                QCOMPARE(dialog->windowTitle(), u"Network Ip"_s);
                QCOMPARE(dialog->labelText(), u"Network Ip Giriniz.."_s);
                if (text.isNull()) {
                    dialog->reject();
                } else {
                    dialog->setTextValue(text);
                    dialog->accept();
                }
            });
        };
        answer(u"  10.0.0.9 "_s);
        w->netIpClick();
        QCOMPARE(settings::GetSetting(u"Properties"_s, u"NetIp"_s), u"10.0.0.9"_s);
        const QString database = w->Data1->databaseName();
        answer(QString()); // Cancel: the shared data stays where it is
        w->netIpClick();
        QCOMPARE(settings::GetSetting(u"Properties"_s, u"NetIp"_s), u"10.0.0.9"_s);
        answer(u" "_s); // an emptied answer: the local folder from the next start
        w->netIpClick();
        QCOMPARE(settings::GetSetting(u"Properties"_s, u"NetIp"_s, u"unset"_s), QString());
        QCOMPARE(w->Data1->databaseName(), database); // takes effect at the next start
        w->close();
    }

    void demoCompanyFillsTheGridAndTheGridMovesData1()
    {
        QString error;
        QVERIFY2(fillDemoCompany(home->dataFolder(), &error), qPrintable(error));
        QVERIFY(fillDemoCompany(home->dataFolder(), &error)); // a second start adds nothing
        auto count = [&](const char* file, const QString& table) {
            QSqlQuery q(dbfiles::connection(home->dataFolder() + u'/' + QLatin1String(file)));
            q.exec(u"SELECT COUNT(*), COUNT(DISTINCT %1) FROM %2"_s.arg(
                table == u"Siparis" ? u"SipNo"_s : u"rowid"_s, table));
            q.next();
            return std::pair(q.value(0).toInt(), q.value(1).toInt());
        };
        QCOMPARE(count(dbfiles::kAccounts, u"CariKartlar"_s).first, 300);
        QCOMPARE(count(dbfiles::kStock, u"StokKartlar"_s).first, 200);
        const auto orders = count(dbfiles::kOrders, u"Siparis"_s);
        QCOMPARE(orders.second, 2000);
        QVERIFY(orders.first > 19000 && orders.first < 21000);

        QVERIFY(s->open());
        QCOMPARE(w->DBGrid1->model()->rowCount(), orders.first);
        QCOMPARE(w->DBGrid1->model()->headerData(0, Qt::Horizontal).toString(), u"Sipariş No"_s);
        QCOMPARE(w->DBGrid1->model()->index(0, 0).data().toString(), u"3000"_s);
        w->DBGrid1->setCurrentIndex(w->DBGrid1->model()->index(25, 0));
        QCOMPARE(w->Data1->recordset()->absolutePosition(), 25);
        w->Data1->recordset()->moveLast();
        QCOMPARE(w->DBGrid1->currentIndex().row(), orders.first - 1);
        QCOMPARE(w->DBGrid1->model()->index(orders.first - 1, 0).data().toString(), u"1001"_s);
        w->close();
    }
};

QTEST_MAIN(TestForm1Lifecycle)
#include "tst_form1_lifecycle.moc"
