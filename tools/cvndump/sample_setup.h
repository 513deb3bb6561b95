#pragma once
// Small but complete setup-file states for the dump tool's test and the load fuzzer's seeds:
// every item of a file present, multi-part records with missing parts, map buckets shared.
// Builds into contents the caller owns; no state of its own.
#include <cstdint>

#include "setup/setup_file.h"

namespace corvane {

// Message-IDs are stamped within the last day before `now`, so a load at `now` keeps them.
void FillSampleSetup(CSetupFileContents& contents, std::uint32_t now);

}  // namespace corvane
