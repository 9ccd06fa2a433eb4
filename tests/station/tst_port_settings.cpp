#include "core/settings_store.h"
#include "scale/port_devices.h"
#include "scale/port_line_settings.h"
#include "scale/scale_port.h"
#include "scale_test_support.h"
#include "station/port_settings_dialog.h"
#include "test_home.h"

#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {
QString stored(const QString& key)
{
    return settings::GetSetting(u"Properties"_s, key);
}
void store(const QString& key, const QString& value)
{
    settings::SaveSetting(u"Properties"_s, key, value);
}
void portDevice(int number, const QString& device)
{
    settings::SaveSetting(u"Platform"_s, u"Com%1"_s.arg(number), device);
}
QStringList shown(const frmProperties& d)
{
    return {d.cboPort->currentText(),     d.cboSpeed->currentText(),
            d.cboParity->currentText(),   d.cboDataBits->currentText(),
            d.cboStopBits->currentText(), QString::number(d.FlowMode)};
}
} // namespace

// The port's settings, the start-up step and the port dialog, with the settings in a
// temporary folder and a virtual serial pair as the scale's port.
class TestPortSettings : public QObject
{
    Q_OBJECT
    std::unique_ptr<TestHome> home;
    std::unique_ptr<VirtualSerialPair> line;
    QStringList warnings;
    PortWarning note = [this](const QString& text) { warnings.append(text); };

private Q_SLOTS:
    void init()
    {
        home = std::make_unique<TestHome>();
        line = std::make_unique<VirtualSerialPair>(home->path());
        QVERIFY(line->start());
        warnings.clear();
    }
    void cleanup()
    {
        line.reset();
        home.reset();
    }

    void portTakesOnlyWhatItCanUse()
    {
        QCOMPARE(lineSettingsText(parseLineSettings(u" 19200 ,E,7,1.5"_s).value()),
                 u"19200,e,7,1.5"_s);
        for (const QString& bad :
             {u""_s, u"9600,n,8"_s, u"96O0,n,8,1"_s, u"0,n,8,1"_s, u"9600,x,8,1"_s, u"9600,,8,1"_s,
              u"9600,n,4,1"_s, u"9600,n,8,3"_s, u"9600,n,8,1,5"_s})
            QVERIFY2(!parseLineSettings(bad), qPrintable(bad));

        TeraziComm comm;
        QCOMPARE(comm.Settings(), u"9600,n,8,1"_s);
        QVERIFY(!comm.setCommPort(0) && !comm.setCommPort(256) && !comm.setHandshaking(4));
        portDevice(1, line->stationEnd());
        QVERIFY2(comm.setPortOpen(true), qPrintable(comm.errorText()));
        QVERIFY(!comm.setCommPort(2) && !comm.setPortOpen(true)); // not while open
        QVERIFY(comm.setSettings(u"4800,O,8,2"_s));
        // A virtual line has no 7-bit characters: the open port refuses, nothing changes.
        QVERIFY(!comm.setSettings(u"4800,o,7,2"_s));
        QVERIFY(comm.errorText().contains(u"4800,o,7,2"));
        QCOMPARE(comm.Settings(), u"4800,o,8,2"_s);
        QVERIFY(comm.PortOpen());

        comm.setPortOpen(false);
        QVERIFY(comm.setCommPort(40));
        QVERIFY(!comm.setPortOpen(true));
        QVERIFY(comm.errorText().contains(u"[Platform] Com40"));
        QVERIFY(portDeviceSummary(1).endsWith(u"takılı"));
    }

    void startupAppliesTheStoredSettings()
    {
        portDevice(3, line->stationEnd());
        store(u"Settings"_s, u"19200,e,8,1.5"_s);
        store(u"CommPort"_s, u"3"_s);
        store(u"Handshaking"_s, u"2"_s);
        TeraziComm comm;
        PortStartup(comm, note);
        QVERIFY(comm.PortOpen() && warnings.isEmpty());
        QCOMPARE(comm.Settings(), u"19200,e,8,1.5"_s);
        QVERIFY(comm.CommPort() == 3 && comm.Handshaking() == 2);

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

    void dialogShowsThePortsSettings()
    {
        TeraziComm comm;
        QVERIFY(comm.setHandshaking(2));
        frmProperties first(comm);
        QCOMPARE(shown(first),
                 (QStringList{u"Com1"_s, u"9600"_s, u"None"_s, u"8"_s, u"1"_s, u"2"_s}));
        QVERIFY(first.optFlow[2]->isChecked() && first.optEcho[0]->isChecked() && !first.EchoOn);

        QVERIFY(comm.setSettings(u"9600,n,8,1.5"_s) && comm.setCommPort(20));
        QCOMPARE(shown(frmProperties(comm)),
                 (QStringList{u"Com20"_s, u"9600"_s, u"None"_s, u"8"_s, u"1.5"_s, u"2"_s}));
        QVERIFY(comm.setSettings(u"1800,s,5,2"_s)); // a speed the list lacks is kept
        QCOMPARE(shown(frmProperties(comm)),
                 (QStringList{u"Com20"_s, u"1800"_s, u"Space"_s, u"5"_s, u"2"_s, u"2"_s}));
    }

    void okStoresOpensAndShowsTheChoiceAgain()
    {
        portDevice(3, line->stationEnd());
        TeraziComm comm;
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
            QCOMPARE(shown(again),
                     (QStringList{u"Com3"_s, u"19200"_s, parity, u"8"_s, u"2"_s, u"1"_s}));
            QVERIFY(again.optEcho[0]->isChecked()); // echo always opens "Off"
        }
    }

    void refusedChoiceKeepsTheDialogOpen()
    {
        portDevice(1, line->stationEnd());
        portDevice(5, home->file(u"unplugged"_s));
        TeraziComm comm;
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
        QVERIFY(warnings.size() == 3 && warnings.last().contains(u"Com5") && !dialog.isVisible());
        QCOMPARE(stored(u"CommPort"_s), u"5"_s);
    }
};

QTEST_MAIN(TestPortSettings)
#include "tst_port_settings.moc"
