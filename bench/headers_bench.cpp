// headers_bench: the group-headers job over a real news server's large group, beside a raw
// client that asks for the same overview and paths on two connections at once and only counts
// the lines. The raw client is the floor the transfer itself sets; the job should stay close
// to it. Prints figures and asserts nothing.
//
//   headers_bench [host [port [group]]]     (defaults: 127.0.0.1 119 alt.binaries.test.bulk)
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "nntp/group_number.h"
#include "nntp/jobs.h"
#include "nntp/overview.h"
#include "platform/line_reader.h"
#include "platform/timed_socket.h"
#include "setup/article.h"
#include "work/messages.h"

namespace corvane {
namespace {

constexpr int kTimeoutMs = 60000;
constexpr int kRounds = 3;

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// CPU time of the calling thread: what the job itself costs, apart from waiting for the server.
double ThreadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// A connection past its greeting, or none.
struct SRawConnection {
    CTimedSocket socket;
    std::unique_ptr<CLineReader> reader;

    bool Open(const std::string& host, int port) {
        if (!socket.Connect(host, port, kTimeoutMs)) return false;
        reader = std::make_unique<CLineReader>(socket);
        std::string greeting;
        return reader->ReadLine(greeting, kTimeoutMs);
    }
    bool Command(const std::string& line, std::string& reply) {
        return socket.SendAll(line.data(), line.size()) && reader->ReadLine(reply, kTimeoutMs);
    }
};

struct SBounds {
    long first = 0;
    long last = 0;
};

bool ReadBounds(const std::string& host, int port, const std::string& group, SBounds& bounds) {
    SRawConnection connection;
    std::string reply;
    SGroupBounds read;
    if (!connection.Open(host, port) || !connection.Command("GROUP " + group + "\r\n", reply) ||
        !ParseGroupReply(reply, read) || read.count <= 0) {
        return false;
    }
    bounds = {read.first, read.last};
    return true;
}

// Sends the command and counts the data lines up to the ".", straight from the socket's bytes.
long CountLines(const std::string& host, int port, const std::string& group,
                const std::string& command) {
    SRawConnection connection;
    std::string reply;
    if (!connection.Open(host, port) || !connection.Command("GROUP " + group + "\r\n", reply))
        return -1;
    if (!connection.socket.SendAll(command.data(), command.size())) return -1;
    static thread_local char buffer[1 << 16];
    long lines = 0;
    // The last five bytes seen, to find the "\r\n.\r\n" that ends the listing across reads.
    char tail[5] = {};
    for (;;) {
        const long got = connection.socket.ReceiveSome(buffer, sizeof buffer, kTimeoutMs);
        if (got <= 0) return -1;
        for (const char* at = buffer;
             (at = static_cast<const char*>(std::memchr(at, '\n', buffer + got - at))); ++at) {
            ++lines;
        }
        const size_t keep = std::min<size_t>(5, static_cast<size_t>(got));
        std::memmove(tail, tail + keep, 5 - keep);
        std::memcpy(tail + 5 - keep, buffer + got - keep, keep);
        if (std::memcmp(tail, "\r\n.\r\n", 5) == 0) break;
    }
    return lines - 2;  // the reply line and the "." line
}

struct SRawResult {
    double seconds = 0;
    long overviewLines = 0;
    long pathLines = 0;
};

SRawResult RunRaw(const std::string& host, int port, const std::string& group,
                  const SBounds& bounds) {
    const std::string range =
        std::to_string(bounds.first) + "-" + std::to_string(bounds.last) + "\r\n";
    SRawResult result;
    const auto start = Clock::now();
    std::thread paths(
        [&] { result.pathLines = CountLines(host, port, group, "XHDR PATH " + range); });
    result.overviewLines = CountLines(host, port, group, "XOVER " + range);
    paths.join();
    result.seconds = SecondsSince(start);
    return result;
}

// Both listings on one thread through the job's line reader, read in step the way the job
// reads them but without making records: what the pacing of the two streams costs by itself.
double RunRawInStep(const std::string& host, int port, const std::string& group,
                    const SBounds& bounds) {
    const std::string range =
        std::to_string(bounds.first) + "-" + std::to_string(bounds.last) + "\r\n";
    const auto start = Clock::now();
    SRawConnection overview, paths;
    std::string line, path;
    if (!overview.Open(host, port) || !overview.Command("GROUP " + group + "\r\n", line)) return -1;
    if (!paths.Open(host, port) || !paths.Command("GROUP " + group + "\r\n", line)) return -1;
    overview.socket.SendAll(("XOVER " + range).data(), range.size() + 6);
    paths.socket.SendAll(("XHDR PATH " + range).data(), range.size() + 10);
    if (!paths.reader->ReadLine(path, kTimeoutMs) || !overview.reader->ReadLine(line, kTimeoutMs))
        return -1;
    long pathNumber = 0;
    bool pathsEnded = false;
    while (overview.reader->ReadLine(line, kTimeoutMs) && line != ".") {
        long number = 0;
        ReadLong(line, number);
        while (!pathsEnded && pathNumber < number && paths.reader->ReadLine(path, kTimeoutMs)) {
            pathsEnded = path == ".";
            if (!pathsEnded) ReadLong(path, pathNumber);
        }
    }
    return SecondsSince(start);
}

// Parsing alone, over overview lines held in memory: records per second of the intake's first
// step, without the network.
double ParseRate(const std::string& host, int port, const std::string& group,
                 const SBounds& bounds) {
    SRawConnection connection;
    std::string line;
    if (!connection.Open(host, port) || !connection.Command("GROUP " + group + "\r\n", line))
        return -1;
    const std::string command =
        "XOVER " + std::to_string(bounds.first) + "-" + std::to_string(bounds.last) + "\r\n";
    if (!connection.Command(command, line) || line.compare(0, 3, "224") != 0) return -1;
    std::vector<std::string> lines;
    while (connection.reader->ReadLine(line, kTimeoutMs) && line != ".") lines.push_back(line);
    long parsed = 0;
    const auto start = Clock::now();
    for (const std::string& text : lines) {
        auto article = std::make_unique<CArticle>();
        parsed += ParseOverviewLine(text, *article) ? 1 : 0;
    }
    const double seconds = SecondsSince(start);
    return seconds > 0 ? static_cast<double>(parsed) / seconds : -1;
}

struct SJobResult {
    double seconds = 0;
    double cpuSeconds = 0;
    bool ok = false;
    long headers = 0;
    long withOrigin = 0;
};

// The main window's part: takes every record and frees it, as fast as it arrives.
SJobResult RunJob(CBasicNntpServices& services, const std::string& host, int port,
                  const std::string& group) {
    CMessageQueue window;
    std::atomic<bool> done{false};
    SJobResult result;
    std::thread consumer([&] {
        SMessage message;
        while (!done || window.Size() > 0) {
            if (!window.GetFor(message, std::chrono::milliseconds(5))) continue;
            if (message.number == UWM_ARTICLE_HEADER) {
                std::unique_ptr<CArticle> article(static_cast<CArticle*>(message.lParam));
                ++result.headers;
                if (!article->Origin().empty()) ++result.withOrigin;
            } else if (message.number == UWM_GROUP_FIRST || message.number == UWM_CROSSPOSTS) {
                delete static_cast<CGroupNumber*>(message.lParam);
            }
        }
    });
    CCorvaneWorker worker(0, services, DefaultJobTable());
    CWorkItem item;
    item.window = &window;
    item.kind = static_cast<int>(WorkKind::GroupHeaders);
    item.group = group;
    item.server = host;
    item.port = port;
    const auto start = Clock::now();
    const double cpuStart = ThreadCpuSeconds();
    result.ok = worker.DoWork(item);
    result.cpuSeconds = ThreadCpuSeconds() - cpuStart;
    result.seconds = SecondsSince(start);
    done = true;
    consumer.join();
    return result;
}

}  // namespace
}  // namespace corvane

int main(int argc, char** argv) {
    using namespace corvane;
    const std::string host = argc > 1 ? argv[1] : "127.0.0.1";
    const int port = argc > 2 ? std::atoi(argv[2]) : 119;
    const std::string group = argc > 3 ? argv[3] : "alt.binaries.test.bulk";

    SBounds bounds;
    if (!ReadBounds(host, port, group, bounds)) {
        std::printf("headers_bench skipped: no news server with articles in %s at %s:%d\n",
                    group.c_str(), host.c_str(), port);
        return 0;
    }
    std::printf("group %s, articles %ld-%ld\n", group.c_str(), bounds.first, bounds.last);
    CBasicNntpServices services(kTimeoutMs);
    services.SetServer(host, port);

    RunRaw(host, port, group, bounds);  // warms the server's caches for both sides
    double bestRaw = 1e30, bestJob = 1e30, bestInStep = 1e30;
    for (int round = 0; round < kRounds; ++round) {
        const SRawResult raw = RunRaw(host, port, group, bounds);
        const SJobResult job = RunJob(services, host, port, group);
        const double inStep = RunRawInStep(host, port, group, bounds);
        std::printf(
            "round %d: raw %.3f s (%ld overview, %ld path lines), raw in step %.3f s, job %.3f s "
            "(CPU %.3f s; %ld records, %ld with origin, %s)\n",
            round + 1, raw.seconds, raw.overviewLines, raw.pathLines, inStep, job.seconds,
            job.cpuSeconds, job.headers, job.withOrigin, job.ok ? "ok" : "failed");
        if (inStep >= 0) bestInStep = std::min(bestInStep, inStep);
        bestRaw = std::min(bestRaw, raw.seconds);
        bestJob = std::min(bestJob, job.seconds);
    }
    std::printf("overview parsing alone: %.0f records/s\n", ParseRate(host, port, group, bounds));
    std::printf(
        "best: raw %.3f s, raw in step %.3f s, job %.3f s, job / raw %.2f (%.0f records/s)\n",
        bestRaw, bestInStep, bestJob, bestJob / bestRaw,
        static_cast<double>(bounds.last - bounds.first + 1) / bestJob);
    return 0;
}
