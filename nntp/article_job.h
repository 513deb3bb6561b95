#pragma once
// The article job (work kind 1): downloads the item's article, a single one or every present
// part of a joined posting, "HEAD" then "BODY" per part on the worker's connection, and feeds
// each line to one attachment decoder that writes the files below the item's save directory.
// The rules are checked again three times, since the download brings new facts: before
// anything is sent, once a part's headers give its number of newsgroups, and whenever the
// decoder names a new file.
//
// Runs on the worker's thread. The article record stays the main window's: the job writes
// only its group count, file name and mismatch flag. The decoder of a saved article leaves
// the thread with UWM_ARTICLE_SAVED, which hands the job's reference to the main window.
#include "nntp/corvane_worker.h"

namespace corvane {

// True when the job is done with the article: saved, or given up for good (the rules no
// longer want it, the decoder refused it, the server no longer has it). False when it failed
// or was cancelled and the main window should keep the article for another try.
bool DoArticle(CCorvaneWorker& worker, CWorkItem& item);

}  // namespace corvane
