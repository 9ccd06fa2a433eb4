#include "station/port_settings_dialog.h"

#include "scale/port_devices.h"
#include "scale/scale_port.h"

#include <QAction>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

const QStringList kSpeeds = {u"110"_s,   u"300"_s,    u"600"_s,    u"1200"_s,
                             u"2400"_s,  u"4800"_s,   u"9600"_s,   u"14400"_s,
                             u"19200"_s, u"28800"_s,  u"38400"_s,  u"56000"_s,
                             u"57600"_s, u"115200"_s, u"128000"_s, u"256000"_s};
const QStringList kDataBits = {u"4"_s, u"5"_s, u"6"_s, u"7"_s, u"8"_s};
const QStringList kParities = {u"Even"_s, u"Odd"_s, u"None"_s, u"Mark"_s, u"Space"_s};
const QStringList kStopBits = {u"1"_s, u"1.5"_s, u"2"_s};

QComboBox* makeList(const QString& name, QWidget* parent)
{
    auto* list = new QComboBox(parent);
    list->setObjectName(name);
    return list;
}

QGroupBox* makeFrame(const QString& name, const QString& caption, QWidget* parent)
{
    auto* frame = new QGroupBox(caption, parent);
    frame->setObjectName(name);
    return frame;
}

// Option buttons optName_0, optName_1, … in a frame; `picked` gets the index of the one
// that is switched on, by the operator or by the program.
template <size_t N>
void makeOptions(std::array<QRadioButton*, N>& options, const QString& name,
                 const std::array<QString, N>& captions, QGroupBox* frame,
                 const std::function<void(int)>& picked)
{
    auto* layout = new QVBoxLayout(frame);
    for (size_t i = 0; i < N; ++i) {
        options[i] = new QRadioButton(captions[i], frame);
        options[i]->setObjectName(u"%1_%2"_s.arg(name).arg(i));
        layout->addWidget(options[i]);
        QObject::connect(options[i], &QRadioButton::toggled, frame, [picked, i](bool on) {
            if (on)
                picked(static_cast<int>(i));
        });
    }
}

// Selects the entry with this text; an entry is added for a value the list lacks, so
// that OK keeps it rather than putting another in its place.
void selectText(QComboBox* list, const QString& text)
{
    if (text.isEmpty()) {
        list->setCurrentIndex(-1);
        return;
    }
    int index = list->findText(text);
    if (index < 0) {
        list->addItem(text);
        index = list->count() - 1;
    }
    list->setCurrentIndex(index);
}

} // namespace

frmProperties::frmProperties(TeraziComm& comm, QWidget* parent, QAction* portMenuItem)
    : QDialog(parent), m_comm(comm), m_portMenuItem(portMenuItem)
{
    setObjectName(u"frmProperties"_s);
    setWindowTitle(u"CommPort Properties"_s);
    setModal(true);
    warn = [this](const QString& text) { QMessageBox::warning(this, u"Topkar"_s, text); };
    createControls();
    LoadPropertySettings();
    centre();
}

void frmProperties::createControls()
{
    tabSettings = new QTabWidget(this);
    tabSettings->setObjectName(u"tabSettings"_s);
    // The frame holding every setting is the client area of the one tab.
    fraSettings = new QWidget;
    fraSettings->setObjectName(u"fraSettings"_s);
    tabSettings->addTab(fraSettings, u"Properties"_s);

    auto* portCaption = new QLabel(u"Port:"_s, fraSettings);
    cboPort = makeList(u"cboPort"_s, fraSettings);
    portCaption->setBuddy(cboPort);
    lblDevice = new QLabel(fraSettings);
    lblDevice->setObjectName(u"lblDevice"_s);
    lblDevice->setWordWrap(true);

    auto* connection = makeFrame(u"fraConnection"_s, u"Connection Preferences"_s, fraSettings);
    auto* speedFrame = makeFrame(u"fraSpeed"_s, u"Maximum Speed"_s, connection);
    cboSpeed = makeList(u"cboSpeed"_s, speedFrame);
    (new QVBoxLayout(speedFrame))->addWidget(cboSpeed);
    cboDataBits = makeList(u"cboDataBits"_s, connection);
    cboParity = makeList(u"cboParity"_s, connection);
    cboStopBits = makeList(u"cboStopBits"_s, connection);
    auto* lines = new QGridLayout(connection);
    lines->addWidget(speedFrame, 0, 0, 1, 2);
    int row = 1;
    for (auto [caption, list] :
         {std::pair{u"Data Bits:"_s, cboDataBits}, std::pair{u"Parity:"_s, cboParity},
          std::pair{u"Stop Bits:"_s, cboStopBits}}) {
        auto* label = new QLabel(caption, connection);
        label->setBuddy(list);
        lines->addWidget(label, row, 0);
        lines->addWidget(list, row++, 1);
    }

    // The two option groups; picking an option sets FlowMode or EchoOn.
    auto* flowFrame = makeFrame(u"fraFlow"_s, u"&Flow Control"_s, fraSettings);
    makeOptions(optFlow, u"optFlow"_s, {u"None"_s, u"Xon/Xoff"_s, u"RTS"_s, u"Xon/RTS"_s},
                flowFrame, [this](int i) { FlowMode = i; });
    auto* echoFrame = makeFrame(u"fraEcho"_s, u"&Echo"_s, fraSettings);
    makeOptions(optEcho, u"optEcho"_s, {u"Off"_s, u"On"_s}, echoFrame,
                [this](int i) { EchoOn = i == 1; });

    auto* grid = new QGridLayout(fraSettings);
    grid->addWidget(portCaption, 0, 0);
    grid->addWidget(cboPort, 0, 1);
    grid->addWidget(lblDevice, 1, 0, 1, 3);
    grid->addWidget(connection, 2, 0, 2, 2);
    grid->addWidget(flowFrame, 2, 2);
    grid->addWidget(echoFrame, 3, 2);
    if (const QString note = portMapNote(); !note.isEmpty()) {
        auto* map = new QLabel(note, fraSettings);
        map->setObjectName(u"lblPortMap"_s);
        map->setWordWrap(true);
        grid->addWidget(map, 4, 0, 1, 3);
    }

    cmdOK = new QPushButton(u"OK"_s, this);
    cmdOK->setObjectName(u"cmdOK"_s);
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(u"Cancel"_s, this);
    cmdCancel->setObjectName(u"cmdCancel"_s);
    connect(cmdOK, &QPushButton::clicked, this, &frmProperties::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(cboPort, &QComboBox::currentIndexChanged, this, &frmProperties::showDevice);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabSettings);
    layout->addLayout(buttons);
}

void frmProperties::centre()
{
    adjustSize();
    const QScreen* screen = parentWidget() ? parentWidget()->screen() : this->screen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
}

void frmProperties::LoadPropertySettings()
{
    cboPort->clear();
    for (int n = 1; n <= 16; ++n)
        cboPort->addItem(u"Com%1"_s.arg(n), n);
    cboSpeed->clear();
    cboSpeed->addItems(kSpeeds);
    cboDataBits->clear();
    cboDataBits->addItems(kDataBits);
    cboParity->clear();
    cboParity->addItems(kParities);
    cboStopBits->clear();
    cboStopBits->addItems(kStopBits);

    const PortListTexts lists = splitSettingsForLists(m_comm.Settings());
    selectText(cboSpeed, lists.speed);
    cboParity->setCurrentIndex(lists.parityIndex);
    selectText(cboDataBits, lists.dataBits);
    selectText(cboStopBits, lists.stopBits);

    // A number above 16 (from an edited setting) gets an entry of its own, so that OK
    // keeps it.
    const int port = m_comm.CommPort();
    if (port > 16)
        cboPort->addItem(u"Com%1"_s.arg(port), port);
    cboPort->setCurrentIndex(cboPort->findData(port));
    showDevice();

    const int mode = m_comm.Handshaking();
    if (mode >= 0 && mode < 4)
        optFlow[mode]->setChecked(true);
    FlowMode = mode;
    optEcho[0]->setChecked(true);
    EchoOn = false;
}

PortChoice frmProperties::choice() const
{
    PortChoice c;
    c.portNumber = cboPort->currentIndex() < 0 ? 0 : cboPort->currentData().toInt();
    c.speed = cboSpeed->currentText();
    c.parity = cboParity->currentText();
    c.dataBits = cboDataBits->currentText();
    c.stopBits = cboStopBits->currentText();
    c.flowMode = FlowMode;
    c.echoOn = EchoOn;
    return c;
}

void frmProperties::cmdOK_Click()
{
    const auto reopened = [item = m_portMenuItem](bool open) {
        if (item) {
            item->setCheckable(true);
            item->setChecked(open);
        }
    };
    if (applyPortChoice(m_comm, choice(), warn, reopened))
        accept();
}

void frmProperties::showDevice()
{
    const int number = cboPort->currentIndex() < 0 ? 0 : cboPort->currentData().toInt();
    lblDevice->setText(number > 0 ? portDeviceSummary(number) : QString());
}
