#pragma once

#include "exchange/exchange_context.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// One pass of the full exchange: the central records of one selection, each posted
// into the branch's files once, then marked taken in the central database.
//
// Records are posted in groups, each group in one transaction per branch file, each
// record inside a savepoint of its own: a record whose posting fails leaves no trace
// and stays in the central database for the next run (and is reported). A posted
// record gets a note in every file it wrote (see download_marks.h) in the same
// transaction; its central follow-ups (Nerde, Yeni 2 → 3) come after the branch
// files committed, and at the end of the pass exactly the records taken whose Yeni
// is below 3 are removed from the central database.
namespace download {

enum class Result
{
    Posted,     // written into the branch's files
    PassedOver, // already there: nothing written, the central record is still taken
    Failed      // not posted: it stays in the central database
};

struct Outcome
{
    Result result = Result::Posted;
    QString reason; // for a failure
};

// A posting that did not happen, and why.
inline Outcome failed(const QString& why)
{
    return {Result::Failed, why};
}

struct Pass
{
    QString name;  // names the pass in the branch's notes ("CariHareket", …)
    QString what;  // for the operator's texts
    QString query; // the central selection (Adodc1)
    // The branch files the posting writes; the first is the pass's main file. The
    // exchange never makes them: a file that lacks any of its tables (tables[i] of
    // files[i]) leaves the pass's records waiting in the central database.
    QStringList files;
    QList<QStringList> tables;
    // The central Nerde "F" becomes this once the record is posted (empty: kept).
    QString nerdeTo;
    // A taken record with Yeni 2 gets Yeni 3 and stays in the central database.
    bool keepWaiting = true;
    // Points the local data controls (again after a failed posting, so that no set
    // holds rows of a posting that was rolled back).
    std::function<bool(QString* error)> prepare;
    // Posts the central set's current record. done[i] is true when files[i] already
    // holds its part of this record (from a run that was cut off): that part must be
    // left out.
    std::function<Outcome(RecordSet& central, const QList<bool>& done)> post;
};

// Runs the pass; false when it could not finish (what stayed behind is reported), or
// when the host asked it to stop (after the last group that committed).
bool run(ExchangeContext& ctx, const Pass& pass);

// Records posted in one group (one transaction per branch file).
inline constexpr int kGroup = 200;

} // namespace download
