#include "tests/e2e/auto_run.h"

#include <signal.h>
#include <sys/stat.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/prompt.h"
#include "tests/support/sha256.h"

namespace corvane::e2e {

namespace fs = std::filesystem;

namespace {

constexpr std::chrono::seconds kServerStartLimit{30};
constexpr std::chrono::seconds kServerStopLimit{30};
constexpr std::chrono::seconds kSetupToolLimit{30};
constexpr const char* kListening = "listening on ";
// A descript.ion line longer than this is not one the program wrote for these tests' files.
constexpr std::size_t kMaxDescriptionLine = 4096;

// The port at the end of "listening on ADDR:PORT"; 0 when the line is not that.
int PortOf(const std::string& line) {
    if (line.rfind(kListening, 0) != 0) return 0;
    const std::size_t colon = line.rfind(':');
    if (colon == std::string::npos) return 0;
    const int port = std::atoi(line.c_str() + colon + 1);
    return port > 0 && port <= 65535 ? port : 0;
}

}  // namespace

CScratchDir::CScratchDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/corvane-e2e-XXXXXX";
    if (::mkdtemp(pattern.data()) != nullptr) m_path = pattern;
}

CScratchDir::~CScratchDir() {
    std::error_code ignored;
    if (!m_path.empty()) fs::remove_all(m_path, ignored);
}

bool CNewsServerProcess::Start(const std::string& spool, const std::string& outputPath,
                               const std::vector<std::string>& behaviour, int port) {
    std::vector<std::string> argv = {
        CORVANE_E2E_NEWS_SERVER, "--spool", spool, "--bind", "127.0.0.1", "--port",
        std::to_string(port)};
    argv.insert(argv.end(), behaviour.begin(), behaviour.end());
    m_child = std::make_unique<CChildProcess>();
    if (!m_child->Start(argv, {}, outputPath, true)) {
        m_error = "the news server could not be started";
        m_child.reset();
        return false;
    }
    std::string line;
    if (!m_child->ReadLine(line, kServerStartLimit) || (m_port = PortOf(line)) == 0) {
        m_error = "the news server did not say where it listens: " + ReadText(outputPath);
        m_child.reset();
        return false;
    }
    return true;
}

bool CNewsServerProcess::Stop() {
    if (!m_child) return true;
    m_child->Signal(SIGTERM);
    const SChildExit exit = m_child->Wait(kServerStopLimit);
    m_child.reset();
    return exit.Succeeded();
}

SChildExit WriteSetup(const std::string& setupPath, const std::vector<std::string>& switches,
                      const std::string& outputPath) {
    std::vector<std::string> argv = {CORVANE_E2E_SETUP_TOOL, "--out", setupPath};
    argv.insert(argv.end(), switches.begin(), switches.end());
    return RunToEnd(argv, {}, outputPath, kSetupToolLimit);
}

SChildExit RunAuto(const std::string& home, const std::string& setupPath,
                   const std::string& outputPath) {
    return RunToEnd({CORVANE_E2E_PROGRAM, "-nogui", "-auto", setupPath}, {"CORVANE_HOME=" + home},
                    outputPath, kRunLimit);
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::map<std::string, SFileState> Snapshot(const std::string& root) {
    std::map<std::string, SFileState> files;
    std::error_code error;
    if (!fs::exists(root, error)) return files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file()) continue;
        struct stat info {};
        if (::stat(entry.path().c_str(), &info) != 0) continue;
        SFileState state;
        state.sha256 = testsupport::Sha256HexOfFile(entry.path().string());
        state.size = static_cast<unsigned long long>(info.st_size);
        state.inode = static_cast<unsigned long long>(info.st_ino);
        state.modifiedNs =
            static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec;
        files.emplace(fs::relative(entry.path(), root).string(), state);
    }
    return files;
}

std::vector<std::string> DescribedNames(const std::string& descriptionFile) {
    std::vector<std::string> names;
    std::istringstream lines(ReadText(descriptionFile));
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() > kMaxDescriptionLine) line.resize(kMaxDescriptionLine);
        names.push_back(line.substr(0, line.find(' ')));
    }
    return names;
}

std::vector<std::string> DescriptionProblems(const std::string& root) {
    std::map<std::string, std::multiset<std::string>> savedByFolder;
    for (const auto& [relative, state] : Snapshot(root)) {
        const fs::path path(relative);
        std::multiset<std::string>& saved = savedByFolder[path.parent_path().string()];
        if (path.filename() != "descript.ion") saved.insert(path.filename().string());
    }
    std::vector<std::string> problems;
    for (const auto& [folder, saved] : savedByFolder) {
        const std::string where = folder.empty() ? root : root + "/" + folder;
        const std::vector<std::string> named = DescribedNames(where + "/descript.ion");
        const std::multiset<std::string> described(named.begin(), named.end());
        if (described != saved) {
            std::string text = where + ": descript.ion names";
            for (const std::string& name : named) text += " [" + name + "]";
            text += " but the folder holds";
            for (const std::string& name : saved) text += " [" + name + "]";
            problems.push_back(text);
        }
    }
    return problems;
}

std::unique_ptr<CSetupFileContents> LoadSetup(const std::string& path, std::string& failure) {
    auto contents = std::make_unique<CSetupFileContents>();
    CRecordingPrompt prompt;
    CSetupFile file(prompt);
    if (!file.Load(*contents, path, static_cast<std::uint32_t>(std::time(nullptr)))) {
        failure = "the setup file " + path + " does not load";
        for (const std::string& message : prompt.Messages()) failure += ": " + message;
        return nullptr;
    }
    return contents;
}

std::vector<std::string> LoggedFiles(const CSetupFileContents& contents) {
    std::vector<std::string> files;
    contents.m_log.ForEach([&](const CLogEntry& entry) { files.push_back(entry.FileName()); });
    return files;
}

}  // namespace corvane::e2e
