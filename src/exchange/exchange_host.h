#pragma once

#include <QString>

// What an exchange needs from whatever hosts it: a place for its progress texts, a
// chance to keep the window painted, and the release of the wait before the
// download of the full exchange.
class ExchangeHost
{
public:
    virtual ~ExchangeHost() = default;
    // text: the progress text; value of maximum: how far the current step is (a
    // maximum of 0 means unknown).
    virtual void progress(const QString& text, int value, int maximum) = 0;
    // Processes pending window events once.
    virtual void yield() {}
    // After a yield: the host wants the run stopped (its window is closing). The run
    // stops at its next safe point, with nothing half-written, and says so.
    virtual bool stopRequested() const { return false; }
    // Waits until the host releases the download; false when the host wants the run
    // stopped instead (its window was closed).
    virtual bool waitForRelease() { return true; }
};
