#pragma once
// The jobs this program's workers run, by work kind: article download, group headers, group
// list and group refresh. Each worker gets its own copy of the table when it is made. Also
// what the jobs share for handing objects to the main window.
#include <memory>

#include "nntp/corvane_worker.h"

namespace corvane {

CJobTable DefaultJobTable();

// Hands the object to the window, repeating the post until its queue takes it, so that no
// record is lost to a full queue. An item without a window drops the object.
template <typename T>
void PostToWindow(const CWorkItem& item, unsigned message, std::unique_ptr<T> object) {
    if (item.window != nullptr) PostOwnedUntilAccepted(*item.window, message, 0, std::move(object));
}

}  // namespace corvane
