#pragma once

#include <QString>
#include <QStringList>

// What one exchange run did: the lines the operator must see because something was
// not sent or not taken (a failure: the run did not finish its work), notes that
// need no action, and how many records went each way.
class ExchangeReport
{
public:
    // Also written to the log, with its reason.
    void failure(const QString& line);
    void note(const QString& line);
    void countSent(int n = 1) { m_sent += n; }
    void countTaken(int n = 1) { m_taken += n; }
    // The run was stopped before its end (window closed during the wait).
    void setStopped() { m_stopped = true; }

    bool complete() const { return m_failures.isEmpty() && !m_stopped; }
    const QStringList& failures() const { return m_failures; }
    const QStringList& notes() const { return m_notes; }
    int sent() const { return m_sent; }
    int taken() const { return m_taken; }

    // The last text of the window and the host's last line: whether the exchange
    // finished, and what was not sent.
    QString summary() const;

private:
    QStringList m_failures;
    QStringList m_notes;
    int m_sent = 0;
    int m_taken = 0;
    bool m_stopped = false;
};
