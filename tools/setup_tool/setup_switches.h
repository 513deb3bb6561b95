#pragma once
// Turns the switches of corvane-setup into a setup: connection, groups, download options and
// the "Kill" rule. The caller owns the contents it passes in and saves them; this only fills
// them in. Any thread, one call at a time per contents. Every value is checked before it is
// taken; after a refusal the contents are half made and only the message is worth keeping.
#include <string>
#include <vector>

#include "setup/setup_file.h"

namespace corvane {

struct SSetupSwitches {
    std::string outPath;  // where the setup file goes
    std::string error;    // why the switches were refused; empty when they were taken
};

// Fills contents.m_setup from args (the switches without the program name). False, with
// result.error set, on an unknown switch, a missing or bad value, a switch given twice that
// may only be given once, or no --out.
bool ApplySetupSwitches(const std::vector<std::string>& args, CSetupFileContents& contents,
                        SSetupSwitches& result);

extern const char* const kSetupToolUsage;

}  // namespace corvane
