#pragma once

#include <QString>
#include <QStringView>

#include <functional>

class TeraziComm;

// Shows a port error to the operator (a warning box titled "Topkar").
using PortWarning = std::function<void(const QString& text)>;

// What the port dialog's lists and options hold when OK is pressed.
struct PortChoice
{
    int portNumber = 0; // 0: no port chosen
    QString speed;      // list texts as shown: "9600", "None", "8", "1.5"
    QString parity;
    QString dataBits;
    QString stopBits;
    int flowMode = 0;
    bool echoOn = false;
};

// OK of the port dialog: applies the port number (restoring the old one when the port
// refuses it), the settings text and the handshaking to the port, stores "Settings",
// "CommPort", "Handshaking" and "Echo" under "Topkar"/"Properties" and opens the port.
// A refused value is shown through `warn` and stops with nothing stored: the dialog
// stays open (false). After storing, the dialog closes (true) even when the port did
// not open, which `warn` reports. `reopened`, when given, hears whether a port that had
// to be reopened for a new number is open (the port menu item's check mark).
bool applyPortChoice(TeraziComm& comm, const PortChoice& choice, const PortWarning& warn,
                     const std::function<void(bool open)>& reopened = {});

// The last step of the main window's load: the stored "Settings", "CommPort" and
// "Handshaking" go to the port and the port opens. A stored value that the port
// refuses is shown through `warn` and leaves the port closed; a port that does not
// open is not reported (the scale simply stays silent).
void PortStartup(TeraziComm& comm, const PortWarning& warn);

// How the dialog's lists show a settings text such as 19200,e,7,1.5: the speed (all
// but the last 6 characters, 8 with 1.5 stop bits), the parity list position of the
// parity letter (e o n m s; -1 for any other), the data bits and stop bits.
struct PortListTexts
{
    QString speed;
    int parityIndex = -1;
    QString dataBits;
    QString stopBits;
};
PortListTexts splitSettingsForLists(QStringView settings);
