#include "station/scale_link.h"

#include "scale/scale_frame.h"
#include "scale/scale_port.h"
#include "scale/scale_text.h"
#include "station/form1.h"
#include "station/port_settings_dialog.h"

#include <QAction>
#include <QCoreApplication>
#include <QLineEdit>
#include <QMessageBox>

using namespace Qt::StringLiterals;

ScaleLink::ScaleLink(Form1& window, TeraziComm& comm)
    : QObject(&window), m_window(window), m_comm(comm)
{
    setObjectName(u"ScaleLink"_s);
    warn = [this](const QString& text) { QMessageBox::warning(&m_window, u"Topkar"_s, text); };
    m_buffer.changed = [this] { txtTermChange(); };
    connect(&m_comm, &TeraziComm::OnComm, this, &ScaleLink::OnComm);
}

void ScaleLink::OnComm()
{
    handleCommEvent(m_comm.CommEvent());
}

void ScaleLink::handleCommEvent(int code)
{
    if (code == TeraziComm::comEvReceive) {
        QString data = scaleBytesToText(m_comm.Input());
        if (!data.isEmpty())
            m_readErrorsInARow = 0;
        AppendScaleText(m_buffer, data);
    } else if (code == TeraziComm::comEventReadError) {
        readError();
    }
}

void ScaleLink::readError()
{
    // Close, let the window catch up once, open again. A port that keeps failing right
    // after it was opened, without a byte in between, is given up rather than reopened
    // for ever.
    m_comm.setPortOpen(false);
    QCoreApplication::processEvents();
    if (++m_readErrorsInARow <= kReopenTries) {
        if (m_comm.PortOpen() || m_comm.setPortOpen(true))
            return;
    } else {
        m_comm.setPortOpen(false);
    }
    // The device is gone (an unplugged adapter) or unusable: the station goes on
    // without the scale and says so once; "Port Ayarları" opens the port again.
    showPortCaption();
    if (m_closedToldOnce)
        return;
    m_closedToldOnce = true;
    const QString why = m_readErrorsInARow > kReopenTries
                            ? u"Com%1 art arda okunamadı."_s.arg(m_comm.CommPort())
                            : m_comm.errorText();
    warn(u"Terazi portu kapandı, tartı okunamıyor.\n%1\n\nBağlantıyı kontrol edip "
         u"Dosya → Port Ayarları ile portu yeniden açın."_s.arg(why));
}

void ScaleLink::txtTermChange()
{
    extractScaleWeight(m_buffer, [this](const QString& weight) {
        QLineEdit* field = m_window.field(EntryField::Weight);
        if (field->text() != weight)
            field->setText(weight);
    });
}

void ScaleLink::PortAyarClick()
{
    if (m_comm.PortOpen())
        m_comm.setPortOpen(false);
    bool accepted = false;
    {
        frmProperties dialog(m_comm, &m_window, m_window.PortAyar);
        accepted = dialog.exec() == QDialog::Accepted;
    }
    // Cancel: the scale goes on as it was stored, rather than silently stopping.
    if (!accepted)
        ::PortStartup(m_comm, warn);
    if (m_comm.PortOpen()) {
        m_closedToldOnce = false;
        m_readErrorsInARow = 0;
    }
    showPortCaption();
}

void ScaleLink::showPortCaption()
{
    m_window.PortAyar->setText(m_comm.PortOpen() ? u"Port Ayar Com=%1"_s.arg(m_comm.CommPort())
                                                 : u"Port Ayarları"_s);
}

void ScaleLink::PortStartup()
{
    ::PortStartup(m_comm, warn);
}

ScaleLink* attachScale(Form1& window)
{
    auto* comm = new TeraziComm(&window);
    auto* link = new ScaleLink(window, *comm);
    window.addPart(comm);
    window.addPart(link); // goes first: it works on the port
    QObject::connect(window.PortAyar, &QAction::triggered, link, &ScaleLink::PortAyarClick);
    window.parts.PortStartup = [link] { link->PortStartup(); };
    return link;
}
