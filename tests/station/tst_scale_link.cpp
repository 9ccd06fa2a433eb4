#include "case_table.h"
#include "core/settings_store.h"
#include "message_boxes.h"
#include "scale/port_devices.h"
#include "scale/port_line_settings.h"
#include "scale/scale_port.h"
#include "scale_test_support.h"
#include "station/port_settings_dialog.h"
#include "station/scale_link.h"
#include "station_window.h"

#include <QAction>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {
// The port's settings (null: the default) and number, and what the dialog shows: port,
// speed, parity, data bits, stop bits, flow.
const std::tuple<const char*, QString, int, QString> kDialogs[] = {
    {"default", {}, 1, u"Com1 9600 None 8 1 2"_s},
    {"1.5 stop bits", u"9600,n,8,1.5"_s, 20, u"Com20 9600 None 8 1.5 2"_s},
    {"speed not listed", u"1800,s,5,2"_s, 20, u"Com20 1800 Space 5 2 2"_s},
};
QString shown(const frmProperties& d)
{
    return QStringList{d.cboPort->currentText(),     d.cboSpeed->currentText(),
                       d.cboParity->currentText(),   d.cboDataBits->currentText(),
                       d.cboStopBits->currentText(), QString::number(d.FlowMode)}
        .join(u' ');
}
} // namespace

// The scale's port on a virtual serial line: its settings, the start-up step, the port
// dialog, and the main window reading weights from it (the test plays the scale).
class TestScaleLink : public QObject
{
    Q_OBJECT
    QTemporaryDir lineFolder; // outlives the window that holds the line open
    std::unique_ptr<StationWindow> s;
    std::unique_ptr<VirtualSerialPair> line;
    QStringList warnings;
    PortWarning note = [this](const QString& text) { warnings.append(text); };
    ScaleLink* link = nullptr;

    static QString stored(const QString& key) { return settings::GetSetting(u"Properties"_s, key); }
    static void store(const QString& key, const QString& value)
    {
        settings::SaveSetting(u"Properties"_s, key, value);
    }
    static void portDevice(int number, const QString& device)
    {
        settings::SaveSetting(u"Platform"_s, u"Com%1"_s.arg(number), device);
    }
    bool waitFor(const std::function<bool()>& done) { return QTest::qWaitFor(done, 10000); }
    bool weightBecomes(const QString& text)
    {
        return waitFor([&] { return s->field(EntryField::Weight)->text() == text; });
    }
    // Fills the buffer to 201 characters, which empties it whatever chunks the line makes.
    bool endCycle()
    {
        return line->write(QByteArray(201 - link->buffer().text().size(), ' ')) &&
               waitFor([&] { return link->buffer().text().isEmpty(); });
    }
    // The main window with the scale link, listening on the line as Com1.
    bool openWindow()
    {
        portDevice(1, line->stationEnd());
        link = attachScale(s->form());
        return s->open() && link->comm().PortOpen() &&
               s->form().findChild<TeraziComm*>(u"TeraziComm"_s) == &link->comm();
    }

private Q_SLOTS:
    void init()
    {
        s = std::make_unique<StationWindow>();
        line = std::make_unique<VirtualSerialPair>(lineFolder.path());
        QVERIFY(line->start());
        warnings.clear();
    }
    void cleanup()
    {
        s.reset();
        line.reset();
    }

    // The port takes only what it can use, at start-up from the stored settings too.
    void portTakesOnlyWhatItCanUse()
    {
        QCOMPARE(lineSettingsText(parseLineSettings(u" 19200 ,E,7,1.5"_s).value()),
                 u"19200,e,7,1.5"_s);
        for (const QString& bad :
             {u""_s, u"9600,n,8"_s, u"96O0,n,8,1"_s, u"0,n,8,1"_s, u"9600,x,8,1"_s, u"9600,,8,1"_s,
              u"9600,n,4,1"_s, u"9600,n,8,3"_s, u"9600,n,8,1,5"_s})
            QVERIFY2(!parseLineSettings(bad), qPrintable(bad));

        TeraziComm comm;
        QVERIFY(!comm.setCommPort(0) && !comm.setCommPort(256) && !comm.setHandshaking(4));
        portDevice(1, line->stationEnd());
        QVERIFY2(comm.setPortOpen(true), qPrintable(comm.errorText()));
        QVERIFY(!comm.setCommPort(2) && !comm.setPortOpen(true)); // not while open
        QVERIFY(comm.setSettings(u"4800,O,8,2"_s));
        // A virtual line has no 7-bit characters: the open port refuses, nothing changes.
        QVERIFY(!comm.setSettings(u"4800,o,7,2"_s));
        QVERIFY(comm.errorText().contains(u"4800,o,7,2"));
        QVERIFY(comm.Settings() == u"4800,o,8,2" && comm.PortOpen());
        comm.setPortOpen(false);
        QVERIFY(comm.setCommPort(40) && !comm.setPortOpen(true));
        QVERIFY(comm.errorText().contains(u"[Platform] Com40"));
        QVERIFY(portDeviceSummary(1).endsWith(u"takılı"));

        // The start-up step applies the stored settings; refused ones are told once.
        portDevice(3, line->stationEnd());
        store(u"Settings"_s, u"19200,e,8,1.5"_s);
        store(u"CommPort"_s, u"3"_s);
        store(u"Handshaking"_s, u"2"_s);
        TeraziComm started;
        PortStartup(started, note);
        QVERIFY(started.PortOpen() && warnings.isEmpty());
        QCOMPARE(started.Settings(), u"19200,e,8,1.5"_s);
        QVERIFY(started.CommPort() == 3 && started.Handshaking() == 2);

        store(u"Settings"_s, u"19200,q,7,1"_s); // refused: the port number is not even read
        TeraziComm refused;
        PortStartup(refused, note);
        QVERIFY(!refused.PortOpen() && refused.CommPort() == 1 && warnings.size() == 1);

        store(u"Settings"_s, u"9600,n,8,1"_s);
        store(u"CommPort"_s, u"40"_s); // no such device: not reported
        TeraziComm silent;
        PortStartup(silent, note);
        QVERIFY(!silent.PortOpen() && silent.CommPort() == 40 && warnings.size() == 1);
    }

    void dialogShowsThePortsSettings_data() { addCases(kDialogs); }
    void dialogShowsThePortsSettings()
    {
        const auto& [name, settings, port, shown] = currentCase(kDialogs);
        TeraziComm comm;
        QVERIFY(comm.setHandshaking(2) && comm.setCommPort(port));
        QVERIFY(settings.isNull() || comm.setSettings(settings));
        const frmProperties dialog(comm);
        QCOMPARE(::shown(dialog), shown);
        QVERIFY(dialog.optFlow[2]->isChecked() && dialog.optEcho[0]->isChecked() && !dialog.EchoOn);
    }

    // A choice the port cannot take keeps the dialog open; OK stores the choice, opens the
    // port and shows the choice again.
    void okStoresOpensAndShowsTheChoiceAgain()
    {
        portDevice(1, line->stationEnd());
        portDevice(5, s->home().file(u"unplugged"_s));
        TeraziComm comm;
        {
            frmProperties dialog(comm);
            dialog.warn = note;
            dialog.show();
            dialog.cboDataBits->setCurrentText(u"4"_s);
            dialog.cmdOK->click();
            QVERIFY(warnings.size() == 1 && dialog.isVisible() && !comm.PortOpen());
            QVERIFY(stored(u"Settings"_s).isEmpty());
            dialog.cboDataBits->setCurrentText(u"8"_s);
            dialog.cboPort->setCurrentIndex(-1); // no port chosen: the old number comes back
            dialog.cmdOK->click();
            QVERIFY(warnings.size() == 2 && dialog.isVisible() && comm.CommPort() == 1);
            dialog.cboPort->setCurrentIndex(4); // stored, but Com5 will not open: told, closed
            dialog.cmdOK->click();
            QVERIFY(warnings.size() == 3 && warnings.last().contains(u"Com5") &&
                    !dialog.isVisible());
            QCOMPARE(stored(u"CommPort"_s), u"5"_s);
        }
        warnings.clear();
        portDevice(3, line->stationEnd());
        for (const QString& parity : {u"Even"_s, u"Odd"_s, u"None"_s, u"Mark"_s, u"Space"_s}) {
            frmProperties dialog(comm);
            dialog.warn = note;
            dialog.cboPort->setCurrentIndex(2);
            dialog.cboSpeed->setCurrentText(u"19200"_s);
            dialog.cboParity->setCurrentText(parity);
            dialog.cboStopBits->setCurrentText(u"2"_s);
            dialog.optFlow[1]->click();
            dialog.optEcho[1]->click();
            dialog.cmdOK->click();
            QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join(u'\n')));
            QVERIFY(dialog.result() == QDialog::Accepted && comm.PortOpen());
            const QStringList values{stored(u"Settings"_s), stored(u"CommPort"_s),
                                     stored(u"Handshaking"_s), stored(u"Echo"_s)};
            QCOMPARE(values, (QStringList{u"19200,%1,8,2"_s.arg(parity.left(1).toLower()), u"3"_s,
                                          u"1"_s, u"True"_s}));
            comm.setPortOpen(false);
            frmProperties again(comm);
            QCOMPARE(shown(again), u"Com3 19200 %1 8 2 1"_s.arg(parity));
            QVERIFY(again.optEcho[0]->isChecked()); // echo always opens "Off"
        }
    }

    void weightsArriveInTheWeightField()
    {
        QVERIFY(openWindow());
        QVERIFY(line->write("ST,GS,+  12.34kg\r\n"));
        QVERIFY(weightBecomes(u"12,34"_s));
        QVERIFY(line->write("ST,GS,+  12.36kg\r\nST,GS,+  12.38kg\r\n")); // same cycle: no change
        QVERIFY(waitFor([&] { return link->buffer().text().size() == 54; }));
        QVERIFY(endCycle());
        QCOMPARE(s->field(EntryField::Weight)->text(), u"12,34"_s);
        // Bare "+0012.50" frames show a weight in a cycle that starts inside a frame.
        QVERIFY(line->write("2.50\r\n+0012.50\r\n+0012.50\r\n"));
        QVERIFY(weightBecomes(u"12,50"_s));
        link->handleCommEvent(1010); // other notifications of the port change nothing
        QCOMPARE(link->buffer().text().size(), 26);
    }

    // The line goes away and comes back before the station notices: the read error
    // closes the port and opens it again at once, and the weights flow on.
    void readErrorReopensThePort()
    {
        QVERIFY(openWindow());
        QList<int> events;
        connect(&link->comm(), &TeraziComm::OnComm, this,
                [&] { events.append(link->comm().CommEvent()); });
        line->stop();
        QVERIFY(line->start());
        ModalAnswerer answerer;
        QVERIFY(waitFor([&] { return events.contains(TeraziComm::comEventReadError); }));
        QVERIFY(link->comm().PortOpen() && answerer.messages.isEmpty());
        QVERIFY(line->write("ST,GS,+  20.00kg\r\n"));
        QVERIFY(weightBecomes(u"20,00"_s));
        QCOMPARE(events.count(TeraziComm::comEventReadError), 1);
        // A port that fails again and again without a byte in between is given up.
        for (int i = 0; i < 4; ++i)
            link->handleCommEvent(TeraziComm::comEventReadError);
        QVERIFY(!link->comm().PortOpen());
        QCOMPARE(answerer.messages.size(), 1);
    }

    // An adapter pulled out: the operator is told once, the station keeps running, and
    // "Port Ayarları" opens the port again once the adapter is back; after Cancel the
    // scale goes on with the stored settings.
    void pulledAdapterIsToldOnceAndReopenedByTheDialog()
    {
        QVERIFY(openWindow());
        QAction* portAyar = s->form().PortAyar;
        portAyar->setText(u"Port Ayar Com=1"_s);
        {
            ModalAnswerer answerer;
            line->stop();
            QVERIFY(waitFor([&] { return !answerer.messages.isEmpty(); }));
            QCoreApplication::processEvents();
            QCOMPARE(answerer.messages.size(), 1);
            QVERIFY(answerer.messages.first().contains(u"Terazi portu kapandı"));
            QVERIFY(!link->comm().PortOpen());
            QCOMPARE(portAyar->text(), u"Port Ayarları"_s);
        }
        QVERIFY(line->start());
        QString button = u"cmdOK"_s, speed = u"4800"_s;
        ModalAnswerer operatorAtTheDialog([&](QWidget* modal) {
            if (auto* dialog = qobject_cast<frmProperties*>(modal)) {
                dialog->cboSpeed->setCurrentText(speed);
                dialog->findChild<QPushButton*>(button)->click();
            }
        });
        portAyar->trigger();
        QVERIFY(link->comm().PortOpen() && operatorAtTheDialog.messages.isEmpty());
        QCOMPARE(portAyar->text(), u"Port Ayar Com=1"_s);
        QCOMPARE(stored(u"Settings"_s), u"4800,n,8,1"_s);
        QVERIFY(line->write("ST,GS,+  30.00kg\r\n"));
        QVERIFY(weightBecomes(u"30,00"_s));

        button = u"cmdCancel"_s;
        speed = u"110"_s;
        portAyar->trigger();
        QVERIFY(link->comm().PortOpen());
        QCOMPARE(portAyar->text(), u"Port Ayar Com=1"_s);
        QCOMPARE(link->comm().Settings(), u"4800,n,8,1"_s);
        QCOMPARE(stored(u"Settings"_s), u"4800,n,8,1"_s);
        QVERIFY(endCycle()); // the scale is heard again
    }
};

QTEST_MAIN(TestScaleLink)
#include "tst_scale_link.moc"
