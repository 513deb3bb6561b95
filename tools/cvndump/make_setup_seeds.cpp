// make_setup_seeds DIR: writes the seed corpus of the setup-file load fuzzer: an empty setup
// and a full one, saved the way the program saves them, and a file of the first version.
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "platform/prompt.h"
#include "setup/sample_setup.h"
#include "setup/setup_file.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_setup_seeds DIR\n";
        return 2;
    }
    const std::string dir = argv[1];
    corvane::CRecordingPrompt prompt;
    corvane::CSetupFile file(prompt);
    corvane::CSetupFileContents empty;
    corvane::CSetupFileContents full;
    // A fixed clock keeps the seeds the same from build to build.
    corvane::FillSampleSetup(full, 1'800'000'000);
    bool ok = file.Save(empty, dir + "/empty.cvn") && file.Save(full, dir + "/full.cvn");
    const std::vector<std::uint8_t> old = corvane::SchemaOneSetupBytes(1'800'000'000);
    std::ofstream out(dir + "/schema1.cvn", std::ios::binary);
    out.write(reinterpret_cast<const char*>(old.data()), std::streamsize(old.size()));
    ok = ok && out.good();
    for (const std::string& message : prompt.Messages()) std::cerr << message << "\n";
    return ok ? 0 : 1;
}
