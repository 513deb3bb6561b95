#pragma once
// Checks that every end-to-end case makes of what an unattended run left behind, written
// once so that the fixture and the demo cases judge a run by the same rules. Test thread
// only; failures are reported through GoogleTest and the functions go on where they can.
#include <map>
#include <set>
#include <string>

#include "setup/setup_file.h"
#include "tests/e2e/auto_run.h"

namespace corvane::e2e {

// Where a test keeps one run's inputs and outputs.
struct SRunPaths {
    std::string home;    // CORVANE_HOME
    std::string setup;   // the .cvn file
    std::string save;    // the setup's save path
    std::string output;  // where the program's output goes, shown when a check fails
};

// The ranges of every group, as "group: low-high low-high ..." lines, for comparing runs.
std::string RangesText(const CSetupFileContents& contents);
// One line per article of the saved list, for comparing runs and for failure messages.
std::string ArticlesText(const CSetupFileContents& contents);

// Whether every article number the earlier state remembers is remembered by the later one.
bool HoldsEveryNumberOf(const CSetupFileContents& later, const CSetupFileContents& earlier);

// Every file the log names exists, lies below the save path and is counted once; the log
// holds one entry per saved file (descript.ion aside).
void ExpectLogMatchesSavedFiles(const CSetupFileContents& contents, const std::string& save);

// Runs the program again on the saved setup: it must end with status 0 and leave the save
// path, the log, the ranges and the article list exactly as the first run left them.
void ExpectSecondRunTakesNothing(const SRunPaths& paths);

}  // namespace corvane::e2e
