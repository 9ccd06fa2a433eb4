#pragma once

#include "exchange/exchange_context.h"
#include "exchange/exchange_host.h"
#include "exchange/exchange_settings.h"

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;
class QTableView;

// The exchange window: its load runs one exchange (chosen by ExchangeCommand) to its
// end while it shows the grid DBGrid1 over Data1, a progress bar and the progress
// texts. Before the download of the full exchange it waits for the "Devam" button.
// Its last text says whether the exchange finished and what was not sent. Closing it
// during the run stops the run at its next safe point.
class WebData : public QWidget, public ExchangeHost
{
    Q_OBJECT
public:
    explicit WebData(const ExchangeSettings& settings, QWidget* parent = nullptr);
    ~WebData() override;

    // The load: runs the exchange and returns what happened.
    ExchangeReport load();
    bool finished() const { return m_finished; }

    // ExchangeHost
    void progress(const QString& text, int value, int maximum) override;
    void yield() override;
    bool stopRequested() const override { return m_closing; }
    bool waitForRelease() override;

Q_SIGNALS:
    void exchangeFinished(bool complete);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    ExchangeSettings m_settings;
    ExchangeControls m_controls;
    QTableView* m_grid;
    QProgressBar* m_progress;
    QLabel* m_status;
    QPushButton* m_release;
    int m_state = 0; // 66 while the download waits for its release
    bool m_closing = false;
    bool m_running = false; // inside the exchange run
    bool m_finished = false;
    bool m_busyCursor = false;
};
