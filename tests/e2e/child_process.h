#pragma once
// One program of the build run as a child process, so that a test sees it exactly as a user
// would: its exit status, its output and the files it leaves. The object owns the child: a
// child still running when the object goes is killed and reaped, so a failed assertion never
// leaves a process behind. Every wait has a limit, so a hang fails the test instead of
// blocking the run. One thread only.
#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace corvane::e2e {

// How a child ended, or that it did not end in time.
struct SChildExit {
    bool timedOut = false;
    bool exited = false;  // false: ended by a signal (or timed out)
    int code = -1;        // the exit status when exited
    int signal = 0;       // the signal when not exited

    bool Succeeded() const { return !timedOut && exited && code == 0; }
    std::string Describe() const;
};

class CChildProcess {
public:
    CChildProcess() = default;
    CChildProcess(const CChildProcess&) = delete;
    CChildProcess& operator=(const CChildProcess&) = delete;
    ~CChildProcess();

    // Starts argv[0] (looked up in PATH when it has no slash) with argv. `env` entries
    // ("NAME=VALUE") replace or add to this process's environment. Standard input is /dev/null;
    // standard error, and standard output unless it is piped, are written to outputPath. False when
    // the child could not be started.
    bool Start(const std::vector<std::string>& argv, const std::vector<std::string>& env,
               const std::string& outputPath, bool pipeStdout = false);
    // One line of the piped standard output, without its line end; false when none came
    // within the limit or the child closed its output first.
    bool ReadLine(std::string& line, std::chrono::milliseconds limit);
    void Signal(int number);
    // Waits for the child to end; after the limit it is killed and reported as timed out.
    SChildExit Wait(std::chrono::milliseconds limit);
    bool Running() const { return m_pid > 0; }

private:
    pid_t m_pid = -1;
    int m_stdout = -1;
    std::string m_pending;  // piped bytes read past the last line handed out
};

// Runs a program to its end, its output going to outputPath.
SChildExit RunToEnd(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                    const std::string& outputPath, std::chrono::milliseconds limit);

}  // namespace corvane::e2e
