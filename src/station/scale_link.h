#pragma once

#include "scale/port_setup.h"
#include "scale/scale_buffer.h"

#include <QObject>

class Form1;
class TeraziComm;

// The link from the scale to the weight field: received text goes into the scale
// buffer, every change of the buffer shows the weight in Text1(6). It also runs the
// "Port Ayarları" menu item and the port's start-up step.
class ScaleLink : public QObject
{
    Q_OBJECT
public:
    ScaleLink(Form1& window, TeraziComm& comm);

    // The port's notification; acts on received data (2) and read errors (8020).
    void OnComm();
    void handleCommEvent(int code);
    // Every change of the buffer: the weight into Text1(6).
    void txtTermChange();

    // "Port Ayarları": the port closes while the dialog is open; after Cancel it opens
    // again with the stored settings. The menu caption then tells the open port
    // ("Port Ayar Com=3") or reads "Port Ayarları".
    void PortAyarClick();
    void PortStartup();

    const ScaleBuffer& buffer() const { return m_buffer; }
    TeraziComm& comm() { return m_comm; }

    // Messages to the operator; a warning box over the window by default.
    PortWarning warn;

private:
    void readError();
    void showPortCaption();

    Form1& m_window;
    TeraziComm& m_comm;
    ScaleBuffer m_buffer;
    bool m_closedToldOnce = false;
    int m_readErrorsInARow = 0;
    static constexpr int kReopenTries = 3;
};

// Gives the window its scale: the port TeraziComm (a child of the window), the link,
// the "Port Ayarları" menu item and the port start-up at the end of the load.
ScaleLink* attachScale(Form1& window);
