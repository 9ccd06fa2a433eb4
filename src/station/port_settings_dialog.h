#pragma once

#include "scale/port_setup.h"

#include <QDialog>

#include <array>

class QAction;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTabWidget;
class TeraziComm;

// The port settings dialog "CommPort Properties": port number, speed, data bits,
// parity, stop bits, flow control and echo of the scale's port. It is built and filled
// from the port when created; OK applies the choices to the port, stores them and
// opens the port, Cancel only closes.
class frmProperties : public QDialog
{
    Q_OBJECT
public:
    explicit frmProperties(TeraziComm& comm, QWidget* parent = nullptr,
                           QAction* portMenuItem = nullptr);

    // Fills the lists and selects the port's current number, settings and handshaking;
    // echo always starts "Off".
    void LoadPropertySettings();
    // The choices as OK reads them.
    PortChoice choice() const;

    int FlowMode = 0;
    bool EchoOn = false;

    QTabWidget* tabSettings = nullptr;
    QWidget* fraSettings = nullptr;
    QComboBox* cboPort = nullptr;
    QComboBox* cboSpeed = nullptr;
    QComboBox* cboDataBits = nullptr;
    QComboBox* cboParity = nullptr;
    QComboBox* cboStopBits = nullptr;
    std::array<QRadioButton*, 4> optFlow{};
    std::array<QRadioButton*, 2> optEcho{};
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
    QLabel* lblDevice = nullptr; // the device behind the chosen number

    // Shows refused values; a warning box by default.
    PortWarning warn;

private:
    void createControls();
    void centre();
    void cmdOK_Click();
    void showDevice();

    TeraziComm& m_comm;
    QAction* m_portMenuItem;
};
