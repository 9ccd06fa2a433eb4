#pragma once

#include "exchange/exchange_context.h"

// Sends, for every branch of the branch list, the branch's pending account and
// stock movements to the central database, then the totals of the cards a terminal
// branch's movements touched, and clears the pending marks of what was sent.
//
// Every movement reaches the central database exactly once: a movement's mark is
// cleared only after its central record was committed, and a run cut off at any
// point finds on its next run which movements already arrived (see upload_marks.h).
// A movement that could not be sent stays pending and is reported.
void UploadMovements(ExchangeContext& ctx);

// The number of movements sent together in one central transaction, and the number
// read and marked together in one transaction of the branch file (a window; windows
// are read and marked on a thread of their own, ahead of the sending).
inline constexpr int kUploadBatch = 2000;
inline constexpr int kMarkWindow = kUploadBatch;
