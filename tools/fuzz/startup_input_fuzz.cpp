// Fuzz target for what the program reads at start before any window exists: the command line
// and the per-user settings file. The input is split at its first NUL: the part before it
// becomes the settings file, the rest the arguments (separated by further NULs). Reading must
// never fail hard whatever the file holds, every value read back must be usable (placements
// and column widths within what a window can take), and the switches must leave the setup's
// auto-mode values consistent.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/settings_keys.h"
#include "platform/settings_store.h"
#include "setup/setup.h"

namespace {

std::string g_directory;

void RemoveDirectory() {
    std::remove((g_directory + "/Corvane.ini").c_str());
    ::rmdir(g_directory.c_str());
}

std::string SettingsPath() {
    if (g_directory.empty()) {
        char pattern[] = "/tmp/corvane-startup-fuzz-XXXXXX";
        if (::mkdtemp(pattern) == nullptr) std::abort();
        g_directory = pattern;
        std::atexit(RemoveDirectory);
    }
    return g_directory + "/Corvane.ini";
}

void ReadSettings(const std::string& text) {
    const std::string path = SettingsPath();
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << text;
    }
    corvane::CIniSettingsStore store(path);
    (void)store.ReadString(corvane::kSectionData, corvane::kKeyLastFile, "");
    (void)corvane::LoadPlacement(store, corvane::kMainPlacementPrefix);
    (void)corvane::LoadPlacement(store, corvane::kBrowserPlacementPrefix);
    for (const auto& column : corvane::kArticleListColumns) {
        const int width = corvane::ReadColumnWidth(store, column);
        if (width < 0 || width > 10000) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\0');
    ReadSettings(input.substr(0, split));
    if (split == std::string::npos) return 0;

    std::vector<std::string> args;
    std::size_t start = split + 1;
    while (start <= input.size()) {
        const std::size_t end = std::min(input.find('\0', start), input.size());
        args.push_back(input.substr(start, end - start));
        start = end + 1;
    }
    const corvane::SCommandLine line = corvane::ParseCommandLine(args);
    corvane::CSetup setup;
    corvane::ApplySwitches(line, setup);
    if (setup.m_delayStartSeconds < 0 || setup.m_shutDownAfterSeconds < 0) std::abort();
    if (line.autoRequested != line.autoStartPending) std::abort();
    return 0;
}
