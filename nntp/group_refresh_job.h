#pragma once
// The group-refresh job (work kind 5): asks the server for a group's current bounds and posts
// its first article number to item.window (which then owns the CGroupNumber), so the main
// window can drop seen ranges below it. Runs on the worker's thread over its connection.
#include "nntp/corvane_worker.h"

namespace corvane {

bool DoGroupRefresh(CCorvaneWorker& worker, CWorkItem& item);

}  // namespace corvane
