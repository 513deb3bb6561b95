#pragma once
// What the end-to-end tests of the unattended run share: a scratch folder per test (the
// program's home, the setup file, the save path and the children's output), the project's
// news server as a child process, runs of the setup tool and of `corvane -nogui -auto`, and
// readings of what a run left behind: the files below the save path and the saved setup.
// Test thread only. The scratch folder and the server go when their objects go.
#include <chrono>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "setup/setup_file.h"
#include "tests/e2e/child_process.h"

namespace corvane::e2e {

// Generous for a run that takes about a second, so that only a hang reaches it, even in a
// sanitizer build on a busy machine.
constexpr std::chrono::seconds kRunLimit{90};

class CScratchDir {
public:
    CScratchDir();
    CScratchDir(const CScratchDir&) = delete;
    CScratchDir& operator=(const CScratchDir&) = delete;
    ~CScratchDir();
    const std::string& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// The project's news server on a loopback port, serving a spool folder.
class CNewsServerProcess {
public:
    // port 0: any free one. False (with the reason in Error()) when it did not come up.
    bool Start(const std::string& spool, const std::string& outputPath,
               const std::vector<std::string>& behaviour = {}, int port = 0);
    // Ends the server and waits for it; true when it ended as asked.
    bool Stop();
    int Port() const { return m_port; }
    const std::string& Error() const { return m_error; }

private:
    std::unique_ptr<CChildProcess> m_child;
    int m_port = 0;
    std::string m_error;
};

// The switches of corvane-setup after "--out FILE".
SChildExit WriteSetup(const std::string& setupPath, const std::vector<std::string>& switches,
                      const std::string& outputPath);
// `CORVANE_HOME=home corvane -nogui -auto setupPath`.
SChildExit RunAuto(const std::string& home, const std::string& setupPath,
                   const std::string& outputPath);

std::string ReadText(const std::string& path);

// One regular file below a folder as a run left it.
struct SFileState {
    std::string sha256;
    unsigned long long size = 0;
    unsigned long long inode = 0;
    long long modifiedNs = 0;
    bool operator==(const SFileState&) const = default;
};
// Every regular file below root, by path relative to root.
std::map<std::string, SFileState> Snapshot(const std::string& root);

// The file names a folder's "descript.ion" describes, one per line (the name is the first
// word); empty lines are kept as empty names so that they show up as a mismatch.
std::vector<std::string> DescribedNames(const std::string& descriptionFile);
// Checks every folder below root that holds saved files: it has a "descript.ion" with one
// line per other file of the folder, naming each once. Returns the failures found.
std::vector<std::string> DescriptionProblems(const std::string& root);

// The setup file loaded as the program loads it; null, with the failure added to
// `failure`, when it does not load.
std::unique_ptr<CSetupFileContents> LoadSetup(const std::string& path, std::string& failure);
// The paths of the download log, oldest first.
std::vector<std::string> LoggedFiles(const CSetupFileContents& contents);

}  // namespace corvane::e2e
