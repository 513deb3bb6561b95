#include "store/sample_articles.h"

namespace corvane {
namespace {

char UuChar(unsigned value) {
    return value == 0 ? '`' : static_cast<char>(value + 32);
}

constexpr std::string_view kBase64Alphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

}  // namespace

std::vector<std::string> UuencodedLines(const std::vector<std::uint8_t>& bytes,
                                        std::string_view name) {
    std::vector<std::string> lines;
    lines.push_back("begin 644 " + std::string(name));
    for (std::size_t at = 0; at < bytes.size(); at += 45) {
        const std::size_t n = bytes.size() - at < 45 ? bytes.size() - at : 45;
        std::string line(1, UuChar(static_cast<unsigned>(n)));
        for (std::size_t i = 0; i < n; i += 3) {
            const unsigned a = bytes[at + i];
            const unsigned b = i + 1 < n ? bytes[at + i + 1] : 0;
            const unsigned c = i + 2 < n ? bytes[at + i + 2] : 0;
            line.push_back(UuChar(a >> 2));
            line.push_back(UuChar((a << 4 | b >> 4) & 63));
            line.push_back(UuChar((b << 2 | c >> 6) & 63));
            line.push_back(UuChar(c & 63));
        }
        lines.push_back(std::move(line));
    }
    lines.push_back("`");
    lines.push_back("end");
    return lines;
}

std::vector<std::string> Base64Lines(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < bytes.size(); at += 57) {
        const std::size_t n = bytes.size() - at < 57 ? bytes.size() - at : 57;
        std::string line;
        for (std::size_t i = 0; i < n; i += 3) {
            const std::size_t left = n - i;
            const unsigned v = unsigned(bytes[at + i]) << 16 |
                               (left > 1 ? unsigned(bytes[at + i + 1]) << 8 : 0) |
                               (left > 2 ? unsigned(bytes[at + i + 2]) : 0);
            line.push_back(kBase64Alphabet[v >> 18]);
            line.push_back(kBase64Alphabet[(v >> 12) & 63]);
            line.push_back(left > 1 ? kBase64Alphabet[(v >> 6) & 63] : '=');
            line.push_back(left > 2 ? kBase64Alphabet[v & 63] : '=');
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

std::vector<std::string> MimeAttachmentLines(const std::vector<std::uint8_t>& bytes,
                                             std::string_view name, std::string_view boundary) {
    const std::string separator = "--" + std::string(boundary);
    std::vector<std::string> lines = {
        "This is a multi-part message in MIME format.",
        separator,
        "Content-Type: application/octet-stream; name=\"" + std::string(name) + "\"",
        "Content-Transfer-Encoding: base64",
        "Content-Disposition: attachment; filename=\"" + std::string(name) + "\"",
        "",
    };
    for (std::string& line : Base64Lines(bytes)) lines.push_back(std::move(line));
    lines.push_back("");
    lines.push_back(separator + "--");
    return lines;
}

std::vector<std::uint8_t> SampleBytes(std::size_t count, std::uint32_t seed) {
    std::vector<std::uint8_t> bytes(count);
    std::uint32_t x = seed * 2654435761u + 1;
    for (auto& b : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<std::uint8_t>(x >> 24);
    }
    return bytes;
}

}  // namespace corvane
