#include "web_data.h"

#include "core/record_set_model.h"
#include "exchange/exchange_run.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

WebData::WebData(const ExchangeSettings& settings, QWidget* parent)
    : QWidget(parent), m_settings(settings)
{
    setObjectName(u"WebData"_s);
    setWindowTitle(u"Form1"_s);
    auto* layout = new QVBoxLayout(this);
    m_grid = new QTableView(this);
    m_grid->setObjectName(u"DBGrid1"_s);
    m_grid->setModel(new RecordSetModel(&m_controls.Data1, {}, m_grid));
    m_grid->verticalHeader()->setDefaultSectionSize(m_grid->fontMetrics().height() + 6);
    layout->addWidget(m_grid, 1);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(u"ProgressBar1"_s);
    layout->addWidget(m_progress);
    m_status = new QLabel(this);
    m_status->setObjectName(u"StatusBar1"_s);
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_status);
    m_release = new QPushButton(u"Devam"_s, this);
    m_release->setObjectName(u"Devam"_s);
    m_release->setEnabled(false);
    connect(m_release, &QPushButton::clicked, this, [this] { m_state = 4; });
    layout->addWidget(m_release, 0, Qt::AlignRight);
    resize(800, 500);
}

WebData::~WebData()
{
    if (m_busyCursor)
        QApplication::restoreOverrideCursor();
}

ExchangeReport WebData::load()
{
    // The pointer is the hourglass from the load until the window closes.
    if (!m_busyCursor) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_busyCursor = true;
    }
    yield();
    m_running = true;
    const ExchangeReport report = runExchange(m_settings, m_controls, *this);
    m_running = false;
    m_status->setText(report.summary());
    m_progress->setValue(m_progress->maximum());
    m_finished = true;
    Q_EMIT exchangeFinished(report.complete());
    return report;
}

void WebData::progress(const QString& text, int value, int maximum)
{
    m_status->setText(text);
    m_progress->setMaximum(maximum);
    m_progress->setValue(maximum > 0 ? value : 0);
}

void WebData::yield()
{
    QApplication::processEvents(QEventLoop::AllEvents);
}

bool WebData::waitForRelease()
{
    m_state = 66;
    progress(u"Merkezden alınacaklar hazır; devam etmek için onay bekleniyor."_s, 0, 0);
    m_release->setEnabled(true);
    m_release->setFocus();
    while (m_state == 66 && !m_closing)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    m_release->setEnabled(false);
    return !m_closing;
}

void WebData::closeEvent(QCloseEvent* event)
{
    m_closing = true;
    // A run holds the central set across its yields: it lets go of it itself, at its
    // next safe point, once it has seen stopRequested().
    if (!m_running)
        m_controls.Adodc1.close();
    if (m_busyCursor) {
        QApplication::restoreOverrideCursor();
        m_busyCursor = false;
    }
    event->accept();
}
