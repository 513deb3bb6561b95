#pragma once
// Small but complete setup files for tests, the dump tool's test and the load fuzzer's seeds:
// a current file with every item present (multi-part records with missing parts, map buckets
// shared), and a file as the first version of the program wrote it. No state of its own.
#include <cstdint>
#include <vector>

#include "setup/setup_file.h"

namespace corvane {

// Message-IDs are stamped within the last day before `now`, so a load at `now` keeps them.
void FillSampleSetup(CSetupFileContents& contents, std::uint32_t now);

// The bytes of a file with a schema-1 setup (no log and no range items): server "old.server",
// save path "/old", two threads, one article "subject" (42 lines, message-ID "<a@b>" in group
// "alt.old") whose message-ID was stamped at msgIdTime, and an empty multi-part map.
std::vector<std::uint8_t> SchemaOneSetupBytes(std::uint32_t msgIdTime);

}  // namespace corvane
