// cvndump FILE: lists a setup file as text.
// cvndump --resave OUT FILE: loads FILE and saves what was loaded into OUT, as the program
// would at its next save (old message-IDs dropped, ranges of departed groups purged).
#include <chrono>
#include <cstdint>
#include <cstring>
#include <iostream>
#include <string>

#include "platform/prompt.h"
#include "setup/setup_file.h"
#include "tools/cvndump/setup_dump.h"

namespace {

// A command-line tool has no one to click OK: messages go to stderr and questions get no.
class CStderrPrompt : public corvane::IPrompt {
public:
    void ShowMessage(const std::string& text) override { std::cerr << "cvndump: " << text << "\n"; }
    bool AskYesNo(const std::string& text) override {
        std::cerr << "cvndump: " << text << " (answered no)\n";
        return false;
    }
};

std::uint32_t Now() {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
        std::chrono::system_clock::now().time_since_epoch());
    return static_cast<std::uint32_t>(seconds.count());
}

int Usage() {
    std::cerr << "usage: cvndump FILE\n       cvndump --resave OUT FILE\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    const bool resave = argc == 4 && std::strcmp(argv[1], "--resave") == 0;
    if (!resave && (argc != 2 || argv[1][0] == '-')) return Usage();
    const std::string in = argv[argc - 1];

    CStderrPrompt prompt;
    corvane::CSetupFile file(prompt);
    corvane::CSetupFileContents contents;
    // The load has shown its message already; a default setup is not worth listing or saving.
    if (!file.Load(contents, in, Now())) return 1;
    if (resave) return file.Save(contents, argv[2]) ? 0 : 1;
    corvane::DumpSetupFile(contents, std::cout);
    return std::cout.good() ? 0 : 1;
}
