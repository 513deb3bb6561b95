// decode_bench [MB] [DIR]: the attachment decoder beside the system's own decoders on the same
// payload (default 200 MB of random bytes), every side reading an encoded file and writing the
// decoded file in DIR (default: a new folder under /tmp), best of five runs each. Prints the
// times, the throughput of payload bytes and the ratios; asserts nothing about time, but
// checks that every decoded file matches the payload. Every side reads its input with plain
// reads (ours in 1 MiB chunks split into lines here, as the connection would hand them over).
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "store/attachment_decoder.h"
#include "store/sample_articles.h"

namespace {

using corvane::AttachmentDecoder;
using corvane::EFeed;
using Clock = std::chrono::steady_clock;

// Writes the lines of an encoded article, '\n' after each, as the news server's text would be.
void WriteLines(const std::string& path, const std::vector<std::string>& lines) {
    std::ofstream out(path, std::ios::binary);
    for (const std::string& line : lines) out << line << '\n';
}

std::vector<std::uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Feeds the file to a decoder line by line, in chunks of 1 MiB, the way the article job hands
// over received lines.
bool DecodeWithCorvane(const std::string& encoded, const std::string& directory) {
    AttachmentDecoder* decoder =
        AttachmentDecoder::Create(true, "alt.binaries.bench", directory, true, 1, nullptr);
    const int fd = ::open(encoded.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    std::vector<char> chunk(1 << 20);
    std::string carry;
    bool ok = true;
    for (ssize_t n; ok && (n = ::read(fd, chunk.data(), chunk.size())) > 0;) {
        std::string_view rest(chunk.data(), static_cast<std::size_t>(n));
        for (std::size_t eol; ok && (eol = rest.find('\n')) != std::string_view::npos;) {
            if (carry.empty()) {
                ok = decoder->FeedLine(rest.substr(0, eol)) == EFeed::kGoOn;
            } else {
                carry.append(rest.substr(0, eol));
                ok = decoder->FeedLine(carry) == EFeed::kGoOn;
                carry.clear();
            }
            rest.remove_prefix(eol + 1);
        }
        carry.append(rest);
    }
    ::close(fd);
    if (ok && !carry.empty()) ok = decoder->FeedLine(carry) == EFeed::kGoOn;
    ok = ok && decoder->Finish() == EFeed::kGoOn;
    if (!ok) decoder->Abort();
    decoder->Release();
    return ok;
}

// Best of five wall-clock times in seconds (the machine may be busy); a failed run gives -1.
// Before each run, untimed, the previous output is deleted and everything written so far is
// flushed to the disk, so that no side pays for the write-back of another side's files.
double BestOf5(const std::string& output, const std::function<bool()>& run) {
    double best = -1;
    for (int i = 0; i < 5; ++i) {
        ::unlink(output.c_str());
        ::sync();
        const auto start = Clock::now();
        if (!run()) return -1;
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        if (best < 0 || seconds < best) best = seconds;
    }
    return best;
}

bool Shell(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

void Report(const char* what, double seconds, std::size_t payload) {
    if (seconds < 0) {
        std::printf("  %-28s failed or not installed\n", what);
        return;
    }
    std::printf("  %-28s %7.3f s  %8.1f MB/s\n", what, seconds, payload / 1e6 / seconds);
}

bool Check(const char* what, const std::string& path, const std::vector<std::uint8_t>& payload) {
    const bool same = ReadAll(path) == payload;
    if (!same)
        std::printf("  MISMATCH: %s wrote %s differently from the payload\n", what, path.c_str());
    return same;
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 200;
    std::string dir;
    if (argc > 2) {
        dir = argv[2];
    } else {
        char tmpl[] = "/tmp/corvane-decode-bench-XXXXXX";
        if (mkdtemp(tmpl) == nullptr) return 1;
        dir = tmpl;
    }
    const std::size_t size = megabytes * 1000 * 1000;
    std::printf("decode_bench: %zu MB of payload in %s\n", megabytes, dir.c_str());
    const auto payload = corvane::SampleBytes(size, 2024);
    WriteLines(dir + "/payload.uu", corvane::UuencodedLines(payload, "out-uu.bin"));
    WriteLines(dir + "/payload.b64", corvane::Base64Lines(payload));
    // Our decoder needs a header naming the file before base64 lines.
    WriteLines(dir + "/payload.mime", {"Content-Type: application/octet-stream; name=out-b64.bin",
                                       "Content-Transfer-Encoding: base64", ""});
    Shell("cat '" + dir + "/payload.b64' >> '" + dir + "/payload.mime'");

    const double uu =
        BestOf5(dir + "/out-uu.bin", [&] { return DecodeWithCorvane(dir + "/payload.uu", dir); });
    const double uuSystem = BestOf5(dir + "/sys-uu.bin", [&] {
        return Shell("uudecode -o '" + dir + "/sys-uu.bin' '" + dir + "/payload.uu'");
    });
    const double b64 = BestOf5(dir + "/out-b64.bin",
                               [&] { return DecodeWithCorvane(dir + "/payload.mime", dir); });
    const double b64System = BestOf5(dir + "/sys-b64.bin", [&] {
        return Shell("base64 -d '" + dir + "/payload.b64' > '" + dir + "/sys-b64.bin'");
    });

    std::printf("uuencode:\n");
    Report("corvane decoder", uu, size);
    Report("uudecode", uuSystem, size);
    if (uu > 0 && uuSystem > 0)
        std::printf("  ratio uudecode/corvane      %7.2fx\n", uuSystem / uu);
    std::printf("base64:\n");
    Report("corvane decoder", b64, size);
    Report("base64 -d", b64System, size);
    if (b64 > 0 && b64System > 0)
        std::printf("  ratio base64 -d/corvane     %7.2fx\n", b64System / b64);

    bool same = Check("corvane (uuencode)", dir + "/out-uu.bin", payload) &&
                Check("corvane (base64)", dir + "/out-b64.bin", payload);
    if (uuSystem > 0) same = Check("uudecode", dir + "/sys-uu.bin", payload) && same;
    if (b64System > 0) same = Check("base64 -d", dir + "/sys-b64.bin", payload) && same;
    if (argc <= 2) std::filesystem::remove_all(dir);
    return same ? 0 : 1;
}
