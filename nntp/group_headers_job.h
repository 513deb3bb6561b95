#pragma once
// The group-headers job (work kind 2): every overview line of a group from the item's start
// number on becomes an article record for the main window, with its origin site read in step
// from a second, job-local connection ("XHDR PATH") and its crossposts collected in batches.
// Runs on the worker's thread over the worker's connection; the records, the group's first
// number and the crosspost chains leave the thread only by posts to item.window, which own
// them from then on.
#include "nntp/corvane_worker.h"

namespace corvane {

// True when the job ended as planned (including "nothing to fetch", a cancel and a broken
// second connection); false when the item should go back to the main window as not done.
bool DoGroupHeaders(CCorvaneWorker& worker, CWorkItem& item);

}  // namespace corvane
