// raw_fetch_bench: the floor the transfer itself sets for the whole pipeline. It lists a group's
// articles, splits their numbers between several connections and asks each article's body in
// turn (one command, then its whole reply, as a plain client does), counting the bytes up to the
// terminating "." and keeping none of them. Nothing is decoded or written. Prints figures and
// asserts nothing; the last line is meant for scripts.
//
//   raw_fetch_bench [host [port [group [connections]]]]
//       (defaults: 127.0.0.1 119 corvane.bench.uu 8)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/timed_socket.h"

namespace corvane {
namespace {

constexpr int kTimeoutMs = 60000;
constexpr int kMaxConnections = 64;
// A status or listing line longer than this is not a news server talking.
constexpr size_t kMaxLine = 1024;
// More numbers than this from one group would be a hostile listing, not our seeded group.
constexpr size_t kMaxArticles = 1000000;
constexpr size_t kChunk = 1 << 18;

using Clock = std::chrono::steady_clock;

// One connection and the bytes received on it that no reply has claimed yet.
class CRawSession {
public:
    bool Open(const std::string& host, int port) {
        if (!m_socket.Connect(host, port, kTimeoutMs)) return false;
        std::string greeting;
        return ReadLine(greeting) &&
               (greeting.rfind("200", 0) == 0 || greeting.rfind("201", 0) == 0);
    }

    bool Command(const std::string& command, std::string& reply) {
        const std::string line = command + "\r\n";
        return m_socket.SendAll(line.data(), line.size()) && ReadLine(reply);
    }

    // One line without its CRLF; false on a closed connection, a time-out or an overlong line.
    bool ReadLine(std::string& line) {
        for (;;) {
            const auto newline = m_pending.find('\n');
            if (newline != std::string::npos) {
                line.assign(m_pending, 0, newline);
                if (!line.empty() && line.back() == '\r') line.pop_back();
                m_pending.erase(0, newline + 1);
                return true;
            }
            if (m_pending.size() > kMaxLine || !Receive()) return false;
        }
    }

    // Sends BODY and reads its whole reply. Returns the reply's bytes on the wire, or -1 when
    // the article is refused or the connection fails. Replies are asked one at a time, so a
    // reply that is complete ends exactly where the received bytes end.
    long Body(long number) {
        const std::string command = "BODY " + std::to_string(number) + "\r\n";
        if (!m_pending.empty() || !m_socket.SendAll(command.data(), command.size())) return -1;
        long total = 0;
        // The reply's first bytes until its code is known: anything but 222 is a refusal that
        // we do not read further.
        std::string code;
        // The last five bytes of the reply, to see its "\r\n.\r\n" end across reads.
        char tail[5] = {};
        for (;;) {
            const long got = m_socket.ReceiveSome(m_buffer.data(), m_buffer.size(), kTimeoutMs);
            if (got <= 0) return -1;
            if (code.size() < 4) {
                code.append(m_buffer.data(), std::min<size_t>(4 - code.size(), got));
                if (code != std::string("222 ").substr(0, code.size())) return -1;
            }
            total += got;
            const size_t keep = std::min<size_t>(sizeof tail, static_cast<size_t>(got));
            std::memmove(tail, tail + keep, sizeof tail - keep);
            std::memcpy(tail + sizeof tail - keep, m_buffer.data() + got - keep, keep);
            if (std::memcmp(tail, "\r\n.\r\n", sizeof tail) == 0) return total;
        }
    }

    void Quit() {
        static const char kQuit[] = "QUIT\r\n";
        m_socket.SendAll(kQuit, sizeof kQuit - 1);
    }

private:
    bool Receive() {
        const long got = m_socket.ReceiveSome(m_buffer.data(), m_buffer.size(), kTimeoutMs);
        if (got <= 0) return false;
        m_pending.append(m_buffer.data(), static_cast<size_t>(got));
        return true;
    }

    CTimedSocket m_socket;
    std::string m_pending;
    std::vector<char> m_buffer = std::vector<char>(kChunk);
};

// The article numbers the group holds, in order; empty when there is no server or no group.
std::vector<long> ListGroup(const std::string& host, int port, const std::string& group,
                            std::string& why) {
    CRawSession session;
    std::string reply;
    std::vector<long> numbers;
    if (!session.Open(host, port)) {
        why = "no news server answers";
        return numbers;
    }
    if (!session.Command("LISTGROUP " + group, reply) || reply.rfind("211", 0) != 0) {
        why = "LISTGROUP " + group + " was refused: " + reply;
        return numbers;
    }
    std::string line;
    while (session.ReadLine(line) && line != ".") {
        char* end = nullptr;
        const long number = std::strtol(line.c_str(), &end, 10);
        if (end == line.c_str() || *end != '\0' || number <= 0 || numbers.size() >= kMaxArticles) {
            why = "malformed or endless article listing";
            numbers.clear();
            return numbers;
        }
        numbers.push_back(number);
    }
    if (line != ".") {
        why = "the listing broke off";
        numbers.clear();
    }
    session.Quit();
    return numbers;
}

struct SSliceResult {
    long articles = 0;
    long bytes = 0;
    long failed = 0;
};

void FetchSlice(const std::string& host, int port, const std::string& group,
                const std::vector<long>& numbers, SSliceResult& result) {
    CRawSession session;
    std::string reply;
    if (!session.Open(host, port) || !session.Command("GROUP " + group, reply) ||
        reply.rfind("211", 0) != 0) {
        result.failed = static_cast<long>(numbers.size());
        return;
    }
    for (const long number : numbers) {
        const long bytes = session.Body(number);
        if (bytes < 0) {
            // A broken connection would make every later body fail the same way.
            result.failed += 1;
            return;
        }
        result.articles += 1;
        result.bytes += bytes;
    }
    session.Quit();
}

}  // namespace
}  // namespace corvane

int main(int argc, char** argv) {
    using namespace corvane;
    const std::string host = argc > 1 ? argv[1] : "127.0.0.1";
    const int port = argc > 2 ? std::atoi(argv[2]) : 119;
    const std::string group = argc > 3 ? argv[3] : "corvane.bench.uu";
    const int connections = argc > 4 ? std::atoi(argv[4]) : 8;
    if (port <= 0 || port > 65535 || connections < 1 || connections > kMaxConnections) {
        std::fprintf(stderr, "raw_fetch_bench: bad port or connection count (1..%d)\n",
                     kMaxConnections);
        return 2;
    }

    std::string why;
    const std::vector<long> numbers = ListGroup(host, port, group, why);
    if (numbers.empty()) {
        std::printf("raw_fetch_bench skipped: %s (group %s at %s:%d)\n",
                    why.empty() ? "the group is empty" : why.c_str(), group.c_str(), host.c_str(),
                    port);
        return 0;
    }

    // Contiguous slices, as a client that splits a queue between its connections would.
    const size_t slices = std::min(numbers.size(), static_cast<size_t>(connections));
    std::vector<std::vector<long>> work(slices);
    for (size_t i = 0; i < numbers.size(); ++i)
        work[i * slices / numbers.size()].push_back(numbers[i]);

    std::vector<SSliceResult> results(slices);
    std::vector<std::thread> threads;
    const auto start = Clock::now();
    for (size_t i = 0; i < slices; ++i) {
        threads.emplace_back(FetchSlice, std::cref(host), port, std::cref(group),
                             std::cref(work[i]), std::ref(results[i]));
    }
    for (std::thread& thread : threads) thread.join();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();

    SSliceResult total;
    for (const SSliceResult& slice : results) {
        total.articles += slice.articles;
        total.bytes += slice.bytes;
        total.failed += slice.failed;
    }
    const double megabytes = static_cast<double>(total.bytes) / 1e6;
    std::printf("group %s: %zu articles listed, %zu connections\n", group.c_str(), numbers.size(),
                slices);
    std::printf("raw_fetch: articles=%ld failed=%ld bytes=%ld seconds=%.3f mbps=%.1f\n",
                total.articles, total.failed, total.bytes, seconds,
                seconds > 0 ? megabytes / seconds : 0.0);
    return total.failed == 0 && total.articles == static_cast<long>(numbers.size()) ? 0 : 1;
}
