#include "port_devices.h"
#include "port_line_settings.h"
#include "port_settings_dialog.h"
#include "port_setup.h"
#include "scale_port.h"
#include "scale_test_support.h"
#include "settings_store.h"
#include "test_home.h"

#include <QAction>
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
} // namespace

// The port's settings, the start-up step and the port dialog, with the settings in a
// temporary folder and a virtual serial pair standing in for the scale's port.
class TestPortSettings : public QObject
{
    Q_OBJECT
    std::unique_ptr<TestHome> home;
    std::unique_ptr<VirtualSerialPair> line;
    QStringList warnings;
    PortWarning note = [this](const QString& text) { warnings.append(text); };

    // Com1 and Com3 are the virtual line (not at once: one device).
    void useLineAs(int number)
    {
        settings::SaveSetting(u"Platform"_s, u"Com%1"_s.arg(number), line->stationEnd());
    }

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

    void settingsTextIsCheckedAndReadBackInLowerCase()
    {
        const auto ok = [](const QString& text) {
            return lineSettingsText(parseLineSettings(text).value());
        };
        QCOMPARE(ok(u"9600,N,8,1"_s), u"9600,n,8,1"_s);
        QCOMPARE(ok(u"19200,E,7,1.5"_s), u"19200,e,7,1.5"_s);
        QCOMPARE(ok(u" 110 ,m,5,2"_s), u"110,m,5,2"_s);
        QCOMPARE(ok(u"256000,s,6,1"_s), u"256000,s,6,1"_s);
        for (const QString& bad :
             {u""_s, u"9600,n,8"_s, u"9600,n,8,1,1"_s, u"96O0,n,8,1"_s, u"0,n,8,1"_s,
              u"9600,x,8,1"_s, u"9600,,8,1"_s, u"9600,n,4,1"_s, u"9600,n,9,1"_s, u"9600,n,8,3"_s,
              u"9600,n,8,1,5"_s, u"99999999999,n,8,1"_s}) {
            QString why;
            QVERIFY2(!parseLineSettings(bad, &why), qPrintable(bad));
            QVERIFY(!why.isEmpty());
        }

        const auto lists = [](const QString& s) {
            const PortListTexts t = splitSettingsForLists(s);
            return QStringList{t.speed, QString::number(t.parityIndex), t.dataBits, t.stopBits};
        };
        QCOMPARE(lists(u"9600,n,8,1"_s), (QStringList{u"9600"_s, u"2"_s, u"8"_s, u"1"_s}));
        QCOMPARE(lists(u"19200,e,7,1.5"_s), (QStringList{u"19200"_s, u"0"_s, u"7"_s, u"1.5"_s}));
        QCOMPARE(lists(u"110,s,5,2"_s), (QStringList{u"110"_s, u"4"_s, u"5"_s, u"2"_s}));
        QCOMPARE(lists(u"9600,E,8,1"_s).value(1), u"-1"_s); // only lower case is known
        QCOMPARE(lists(u"x"_s), (QStringList{u""_s, u"-1"_s, u""_s, u"x"_s}));
    }

    void portRefusesWhatItCannotTake()
    {
        TeraziComm comm;
        QCOMPARE(comm.Settings(), u"9600,n,8,1"_s);
        QCOMPARE(comm.CommPort(), 1);
        QVERIFY(!comm.setCommPort(0));
        QVERIFY(!comm.setCommPort(256));
        QVERIFY(!comm.setHandshaking(4));
        QVERIFY(!comm.setSettings(u"9600,n,4,1"_s));
        QVERIFY(comm.errorText().contains(u"4"));
        QCOMPARE(comm.Settings(), u"9600,n,8,1"_s); // unchanged

        useLineAs(1);
        QVERIFY2(comm.setPortOpen(true), qPrintable(comm.errorText()));
        QVERIFY(!comm.setCommPort(2)); // not while open
        QVERIFY(!comm.setPortOpen(true));
        QVERIFY2(comm.setSettings(u"4800,O,8,2"_s),
                 qPrintable(comm.errorText())); // applied to the open port
        QCOMPARE(comm.Settings(), u"4800,o,8,2"_s);
        // A virtual line has no 7-bit characters: the open port refuses, nothing changes.
        QVERIFY(!comm.setSettings(u"4800,o,7,2"_s));
        QVERIFY(comm.errorText().contains(u"4800,o,7,2"));
        QCOMPARE(comm.Settings(), u"4800,o,8,2"_s);
        QVERIFY(comm.PortOpen());
        QVERIFY(comm.setHandshaking(3));
        comm.setPortOpen(false);
        settings::SaveSetting(u"Platform"_s, u"Com2"_s, home->file(u"unplugged"_s));
        QVERIFY(comm.setCommPort(2));
        QVERIFY(!comm.setPortOpen(true));
        QVERIFY(comm.errorText().contains(u"Com2"));

        QVERIFY(comm.setCommPort(40));
        QVERIFY(!comm.setPortOpen(true));
#ifndef Q_OS_WIN
        QVERIFY(comm.errorText().contains(u"[Platform] Com40"));
        QCOMPARE(defaultPortDevice(1), u"/dev/ttyS0"_s);
        QCOMPARE(defaultPortDevice(9), u"/dev/ttyUSB0"_s);
        QCOMPARE(defaultPortDevice(16), u"/dev/ttyACM3"_s);
        QCOMPARE(portDevice(1), line->stationEnd());
        QVERIFY(portDeviceSummary(1).endsWith(u"takılı"));
#endif
    }

    void startupAppliesTheStoredSettings()
    {
        useLineAs(3);
        store(u"Settings"_s, u"19200,e,7,1.5"_s);
        store(u"CommPort"_s, u"3"_s);
        store(u"Handshaking"_s, u"2"_s);
        TeraziComm comm;
        PortStartup(comm, note);
        QVERIFY(warnings.isEmpty());
        QVERIFY(comm.PortOpen());
        QCOMPARE(comm.CommPort(), 3);
        QCOMPARE(comm.Settings(), u"19200,e,7,1.5"_s);
        QCOMPARE(comm.Handshaking(), 2);

        // A refused settings text stops the step: port number not even read.
        store(u"Settings"_s, u"19200,q,7,1"_s);
        TeraziComm refused;
        PortStartup(refused, note);
        QCOMPARE(warnings.size(), 1);
        QVERIFY(!refused.PortOpen());
        QCOMPARE(refused.CommPort(), 1);

        // A port number that is no number is told too, and the port stays closed.
        store(u"Settings"_s, u"9600,n,8,1"_s);
        store(u"CommPort"_s, u"üç"_s);
        store(u"Handshaking"_s, QString());
        TeraziComm badNumber;
        PortStartup(badNumber, note);
        QCOMPARE(warnings.size(), 2);
        QVERIFY(!badNumber.PortOpen());

        // A port that will not open is not reported.
        store(u"CommPort"_s, u"40"_s);
        TeraziComm silent;
        PortStartup(silent, note);
        QCOMPARE(warnings.size(), 2);
        QVERIFY(!silent.PortOpen());
        QCOMPARE(silent.CommPort(), 40);
    }

    void dialogShowsThePortsSettings()
    {
        TeraziComm comm;
        QVERIFY(comm.setSettings(u"9600,n,8,1"_s));
        QVERIFY(comm.setHandshaking(2));
        frmProperties first(comm);
        QCOMPARE(first.windowTitle(), u"CommPort Properties"_s);
        QCOMPARE(first.cboPort->count(), 16);
        QCOMPARE(first.cboPort->itemText(15), u"Com16"_s);
        QCOMPARE(first.cboPort->currentText(), u"Com1"_s);
        QCOMPARE(first.cboSpeed->currentText(), u"9600"_s);
        QCOMPARE(first.cboParity->currentText(), u"None"_s);
        QCOMPARE(first.cboDataBits->currentText(), u"8"_s);
        QCOMPARE(first.cboStopBits->currentText(), u"1"_s);
        QVERIFY(first.optFlow[2]->isChecked());
        QCOMPARE(first.FlowMode, 2);
        QVERIFY(first.optEcho[0]->isChecked());
        QVERIFY(!first.EchoOn);
        QCOMPARE(first.tabSettings->tabText(0), u"Properties"_s);

        QVERIFY(comm.setSettings(u"9600,n,8,1.5"_s));
        QVERIFY(comm.setCommPort(20));
        frmProperties second(comm);
        QCOMPARE(second.cboStopBits->currentText(), u"1.5"_s);
        QCOMPARE(second.cboDataBits->currentText(), u"8"_s);
        QCOMPARE(second.cboSpeed->currentText(), u"9600"_s);
        QCOMPARE(second.cboPort->currentText(), u"Com20"_s); // kept by OK
        QCOMPARE(second.choice().portNumber, 20);

        QVERIFY(comm.setSettings(u"1800,o,7,2"_s)); // a speed the list lacks is kept too
        frmProperties third(comm);
        QCOMPARE(third.choice().speed, u"1800"_s);
    }

    void okStoresOpensAndShowsTheChoiceAgain()
    {
        useLineAs(3);
        TeraziComm comm;
        const QStringList parities{u"Even"_s, u"Odd"_s, u"None"_s, u"Mark"_s, u"Space"_s};
        for (const QString& parity : parities) {
            frmProperties dialog(comm);
            dialog.warn = note;
            dialog.cboPort->setCurrentIndex(2);
            dialog.cboSpeed->setCurrentText(u"19200"_s);
            dialog.cboParity->setCurrentText(parity);
            dialog.cboDataBits->setCurrentText(u"7"_s);
            dialog.cboStopBits->setCurrentText(u"2"_s);
            dialog.optFlow[1]->click();
            dialog.optEcho[1]->click();
            dialog.show();
            dialog.cmdOK->click();
            QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join(u'\n')));
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QVERIFY(comm.PortOpen());
            const QString expected = u"19200,%1,7,2"_s.arg(parity.left(1).toLower());
            QCOMPARE(stored(u"Settings"_s), expected);
            QCOMPARE(stored(u"CommPort"_s), u"3"_s);
            QCOMPARE(stored(u"Handshaking"_s), u"1"_s);
            QCOMPARE(stored(u"Echo"_s), u"True"_s);
            comm.setPortOpen(false);

            frmProperties again(comm);
            QCOMPARE(again.cboParity->currentText(), parity);
            QCOMPARE(again.cboPort->currentText(), u"Com3"_s);
            QVERIFY(again.optFlow[1]->isChecked());
            QVERIFY(again.optEcho[0]->isChecked()); // echo always opens "Off"
        }
    }

    void refusedChoiceKeepsTheDialogOpen()
    {
        useLineAs(1);
        TeraziComm comm;
        frmProperties dialog(comm);
        dialog.warn = note;
        dialog.show();
        dialog.cboDataBits->setCurrentText(u"4"_s);
        dialog.cmdOK->click();
        QCOMPARE(warnings.size(), 1);
        QVERIFY(dialog.isVisible());
        QVERIFY(stored(u"Settings"_s).isEmpty());
        QVERIFY(!comm.PortOpen());

        dialog.cboDataBits->setCurrentText(u"8"_s);
        dialog.cboPort->setCurrentIndex(-1); // no port chosen: the old number comes back
        dialog.cmdOK->click();
        QCOMPARE(warnings.size(), 2);
        QCOMPARE(comm.CommPort(), 1);
        QVERIFY(dialog.isVisible());

        // Stored, but the port will not open: told, and the dialog closes.
        settings::SaveSetting(u"Platform"_s, u"Com5"_s, home->file(u"unplugged"_s));
        dialog.cboPort->setCurrentIndex(4); // Com5: not plugged in
        dialog.cmdOK->click();
        QCOMPARE(warnings.size(), 3);
        QVERIFY(warnings.last().contains(u"Com5"));
        QVERIFY(!dialog.isVisible());
        QCOMPARE(stored(u"CommPort"_s), u"5"_s);

        // A new number while the port is open: closed, renumbered, reopened, checked.
        QAction menuItem;
        useLineAs(6);
        QVERIFY(comm.setCommPort(6) && comm.setPortOpen(true));
        useLineAs(7);
        PortChoice choice = frmProperties(comm).choice();
        choice.portNumber = 7;
        QVERIFY(applyPortChoice(comm, choice, note, &menuItem));
        QCOMPARE(warnings.size(), 3);
        QVERIFY(comm.PortOpen() && menuItem.isChecked());
        QCOMPARE(comm.CommPort(), 7);
    }
};

QTEST_MAIN(TestPortSettings)
#include "tst_port_settings.moc"
