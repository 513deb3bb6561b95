#pragma once
// Runs a command line through the shell for the tools' tests and collects what it printed on
// either stream together with its exit status (-1 when it did not exit normally or could not
// be started).
#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace corvane::testsupport {

struct SCommandRun {
    int status = -1;
    std::string output;
};

inline SCommandRun RunCommandLine(const std::string& commandLine) {
    SCommandRun run;
    const std::string command = commandLine + " 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, n);
    const int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

}  // namespace corvane::testsupport
