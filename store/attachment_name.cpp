#include "store/attachment_name.h"

namespace corvane {
namespace {

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsControl(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7f;
}

}  // namespace

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (Upper(text[i]) != Upper(prefix[i])) return false;
    }
    return true;
}

std::size_t FindNoCase(std::string_view text, std::string_view word) {
    if (word.empty() || text.size() < word.size()) return std::string_view::npos;
    for (std::size_t i = 0; i + word.size() <= text.size(); ++i) {
        if (StartsWithNoCase(text.substr(i), word)) return i;
    }
    return std::string_view::npos;
}

std::string SafeFileName(std::string_view raw, std::string_view fallback) {
    const std::size_t cut = raw.find_last_of("/\\");
    if (cut != std::string_view::npos) raw.remove_prefix(cut + 1);
    std::string name;
    name.reserve(raw.size() < kMaxFileName ? raw.size() : kMaxFileName);
    for (const char c : raw) {
        if (IsControl(c)) continue;
        name.push_back(c);
        if (name.size() == kMaxFileName) break;
    }
    if (name.empty() || name == "." || name == "..") return std::string(fallback);
    return name;
}

std::string FallbackFileName(std::int32_t articleNumber) {
    return "attachment-" + std::to_string(articleNumber) + ".bin";
}

bool ParseBeginLine(std::string_view line, std::string_view& name) {
    constexpr std::string_view kBegin = "begin ";
    if (!line.starts_with(kBegin)) return false;
    std::size_t i = kBegin.size();
    // The mode: blanks, an optional sign, at least one digit. Its value is of no use here.
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i < line.size() && (line[i] == '+' || line[i] == '-')) ++i;
    const std::size_t digits = i;
    while (i < line.size() && line[i] >= '0' && line[i] <= '9') ++i;
    if (i == digits) return false;
    while (i < line.size() && IsBlank(line[i])) ++i;
    std::size_t end = i;
    // The name stops where a C string would.
    while (end < line.size() && line[end] != '\0' && line[end] != '\n') ++end;
    if (end == i) return false;
    if (end - i > kMaxFileName) end = i + kMaxFileName;
    name = line.substr(i, end - i);
    return true;
}

bool IsAttachmentHeader(std::string_view line) {
    return StartsWithNoCase(line, "CONTENT-TYPE:") ||
           StartsWithNoCase(line, "CONTENT-DISPOSITION:");
}

EMimeName FindMimeName(std::string_view header, std::string_view& name) {
    constexpr std::string_view kName = "NAME=";
    const std::size_t at = FindNoCase(header, kName);
    if (at == std::string_view::npos) return EMimeName::kNone;
    std::size_t start = at + kName.size();
    if (start >= header.size()) return EMimeName::kAtEnd;
    std::size_t end;
    if (header[start] == '"') {
        ++start;
        end = header.find('"', start);
        if (end == std::string_view::npos || end == start) end = header.size();
    } else {
        end = header.find_first_of("; \t\r\"", start);
        if (end == std::string_view::npos) end = header.size();
    }
    name = header.substr(start, end - start);
    return EMimeName::kFound;
}

}  // namespace corvane
