// corvane-setup --out FILE [switches]: writes a setup file for a server, its groups and the
// download options, so that demos and tests start the program on a setup made in one line.
#include <iostream>
#include <string>
#include <vector>

#include "platform/prompt.h"
#include "setup/setup_file.h"
#include "tools/setup_tool/setup_switches.h"

namespace {

// A command-line tool has no one to click OK: messages go to stderr and questions get no.
class CStderrPrompt : public corvane::IPrompt {
public:
    void ShowMessage(const std::string& text) override {
        std::cerr << "corvane-setup: " << text << "\n";
    }
    bool AskYesNo(const std::string& text) override {
        std::cerr << "corvane-setup: " << text << " (answered no)\n";
        return false;
    }
};

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    corvane::CSetupFileContents contents;
    corvane::SSetupSwitches switches;
    if (!corvane::ApplySetupSwitches(args, contents, switches)) {
        std::cerr << "corvane-setup: " << switches.error << "\n" << corvane::kSetupToolUsage;
        return 2;
    }
    CStderrPrompt prompt;
    corvane::CSetupFile file(prompt);
    // The save has told the user what went wrong; the old file, if any, is untouched.
    return file.Save(contents, switches.outPath) ? 0 : 1;
}
