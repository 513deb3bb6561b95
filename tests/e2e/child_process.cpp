#include "tests/e2e/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

extern char** environ;

namespace corvane::e2e {

namespace {

using Clock = std::chrono::steady_clock;

// A piped line longer than this is a broken child, not a line worth waiting for.
constexpr std::size_t kMaxLine = 4096;

std::string NameOf(const std::string& entry) {
    return entry.substr(0, entry.find('='));
}

// This process's environment with the given entries put in place of any of the same name.
std::vector<std::string> MergedEnvironment(const std::vector<std::string>& env) {
    std::vector<std::string> merged;
    for (char** at = environ; *at != nullptr; ++at) {
        const std::string entry = *at;
        bool replaced = false;
        for (const std::string& own : env) replaced = replaced || NameOf(own) == NameOf(entry);
        if (!replaced) merged.push_back(entry);
    }
    merged.insert(merged.end(), env.begin(), env.end());
    return merged;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

SChildExit FromStatus(int status) {
    SChildExit result;
    if (WIFEXITED(status)) {
        result.exited = true;
        result.code = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.signal = WTERMSIG(status);
    }
    return result;
}

}  // namespace

std::string SChildExit::Describe() const {
    if (timedOut) return "did not end in time (killed)";
    if (exited) return "exited with status " + std::to_string(code);
    return "ended by signal " + std::to_string(signal) + " (" + strsignal(signal) + ")";
}

CChildProcess::~CChildProcess() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
    }
    if (m_stdout >= 0) ::close(m_stdout);
}

bool CChildProcess::Start(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                          const std::string& outputPath, bool pipeStdout) {
    if (m_pid > 0 || argv.empty()) return false;
    int pipeEnds[2] = {-1, -1};
    if (pipeStdout && ::pipe2(pipeEnds, O_CLOEXEC) != 0) return false;

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    if (pipeStdout) {
        posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
    } else {
        posix_spawn_file_actions_adddup2(&actions, 2, 1);
    }
    std::vector<std::string> args = argv;
    std::vector<std::string> environment = MergedEnvironment(env);
    std::vector<char*> argPointers = Pointers(args);
    std::vector<char*> envPointers = Pointers(environment);
    const int error = posix_spawnp(&m_pid, args[0].c_str(), &actions, nullptr, argPointers.data(),
                                   envPointers.data());
    posix_spawn_file_actions_destroy(&actions);
    if (pipeStdout) {
        ::close(pipeEnds[1]);
        m_stdout = pipeEnds[0];
    }
    if (error != 0) {
        m_pid = -1;
        return false;
    }
    return true;
}

bool CChildProcess::ReadLine(std::string& line, std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    while (m_stdout >= 0) {
        const std::size_t end = m_pending.find('\n');
        if (end != std::string::npos) {
            line = m_pending.substr(0, end);
            m_pending.erase(0, end + 1);
            return true;
        }
        if (m_pending.size() > kMaxLine) return false;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return false;
        pollfd wanted{m_stdout, POLLIN, 0};
        const int ready = ::poll(&wanted, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        char buffer[512];
        const ssize_t got = ::read(m_stdout, buffer, sizeof buffer);
        if (got <= 0) return false;
        m_pending.append(buffer, static_cast<std::size_t>(got));
    }
    return false;
}

void CChildProcess::Signal(int number) {
    if (m_pid > 0) ::kill(m_pid, number);
}

SChildExit CChildProcess::Wait(std::chrono::milliseconds limit) {
    SChildExit result;
    if (m_pid <= 0) return result;
    const auto deadline = Clock::now() + limit;
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(m_pid, &status, WNOHANG);
        if (done == m_pid) break;
        if (done < 0 && errno != EINTR) {
            m_pid = -1;
            return result;
        }
        if (Clock::now() >= deadline) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, &status, 0);
            m_pid = -1;
            result.timedOut = true;
            return result;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    m_pid = -1;
    return FromStatus(status);
}

SChildExit RunToEnd(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                    const std::string& outputPath, std::chrono::milliseconds limit) {
    CChildProcess child;
    if (!child.Start(argv, env, outputPath)) {
        SChildExit failed;
        failed.code = 127;
        failed.exited = true;
        return failed;
    }
    return child.Wait(limit);
}

}  // namespace corvane::e2e
