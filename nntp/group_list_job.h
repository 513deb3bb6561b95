#pragma once
// The group-list job (work kind 4): fills the current server's newsgroup index with the
// server's group names, the whole list the first time ("LIST") and the groups created since
// the last complete retrieval later ("NEWGROUPS"). Runs on the worker's thread over its
// connection; the names go to the services' newsgroup store in batches of at most
// kNamesPerBatch, so the job never holds more, however long the list.
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string_view>

#include "nntp/corvane_worker.h"

namespace corvane {

inline constexpr size_t kNamesPerBatch = 11;
// A name is cut here; the index keeps less than that of a name anyway.
inline constexpr size_t kMaxGroupNameLength = 255;

// True when the list (or the update) was received to its end.
bool DoGroupList(CCorvaneWorker& worker, CWorkItem& item);

// The first word of a list line (at most kMaxGroupNameLength characters of it); empty when the
// line holds only white space.
std::string_view FirstWord(std::string_view line);

// The local calendar date as YYMMDD and time as HHMMSS, the form the newsgroup index keeps.
struct SListStamp {
    uint32_t date = 0;
    uint32_t time = 0;
};
SListStamp LocalListStamp(std::time_t moment);

}  // namespace corvane
