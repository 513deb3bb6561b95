#pragma once
// The program's command line: a setup file to open and the switches that start auto mode,
// set its delayed start and its shut-down, and pick the front end. Parsing is pure; applying
// changes the setup loaded at start, in place. Main thread, before and during the main
// window's initialisation; the record is copied into the main window's model.
//
// A switch begins with '-' or '/' and its name is compared exactly (upper-case "AUTO" is not
// "auto"):
//   auto      start auto mode once the main window has initialised
//   S:<n>     delayed start of n seconds, switched on exactly when n is not 0
//   F:<n>     shut down after n seconds, or when idle when n is 0
//   nogui     run the headless front end
// <n> must be nothing but decimal digits and fit in 32 bits; otherwise the switch is ignored
// as a whole ("S:10m" does not become 10 seconds: a typed unit would be silently dropped).
// Any other '-' switch is ignored. Because absolute paths begin with '/', a '/' parameter is
// a switch only when it names one of the switches above (or begins with "/S:" or "/F:");
// anything else after '/' is a file name. Every other non-empty parameter is the setup file
// to open; when there are several, the last one wins.
#include <cstdint>
#include <string>
#include <vector>

#include "setup/setup.h"

namespace corvane {

struct SCommandLine {
    // Both set by "auto": the first says this run is an auto run, the second is the request
    // that the main window's initialisation consumes when it starts auto mode.
    bool autoRequested = false;
    bool autoStartPending = false;
    bool delayStartPresent = false;
    uint32_t delayStartSeconds = 0;
    bool shutDownPresent = false;
    uint32_t shutDownSeconds = 0;
    std::string fileName;  // empty: open the setup named by LastFile
    bool noGui = false;
};

// `args` without the program name.
SCommandLine ParseCommandLine(const std::vector<std::string>& args);

// The S and F switches, applied to the setup after it has been loaded; they are saved with it
// at the next save. The setup holds signed seconds, so a count above its range is kept as the
// largest it can hold (about 68 years).
void ApplySwitches(const SCommandLine& commandLine, CSetup& setup);

}  // namespace corvane
