#include "tools/news_server/spool.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "tools/news_server/clock_text.h"

namespace corvane::testserver {
namespace fs = std::filesystem;
namespace {

// The spool is written by tests, but a runaway file must not take the memory of a test run.
constexpr std::uintmax_t kMaxArticleBytes = 64u << 20;
// More digits than a long holds cannot be an article number of ours.
constexpr size_t kMaxNumberDigits = 18;
constexpr const char* kXrefHost = "corvane.test";

std::optional<long> NumberFromName(const std::string& name) {
    if (name.empty() || name.size() > kMaxNumberDigits) return std::nullopt;
    long value = 0;
    for (char c : name) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value <= 0) return std::nullopt;
    return value;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

bool IsContinuation(const std::string& line) {
    return !line.empty() && (line[0] == ' ' || line[0] == '\t');
}

std::optional<std::string> ReadSmallFile(const fs::path& path) {
    std::error_code error;
    if (!fs::is_regular_file(path, error)) return std::nullopt;
    const auto size = fs::file_size(path, error);
    if (error || size > kMaxArticleBytes) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

std::optional<std::string> SArticle::Header(const std::string& name) const {
    for (size_t i = 0; i < headerLines.size(); ++i) {
        const std::string& line = headerLines[i];
        if (line.size() <= name.size() || line[name.size()] != ':') continue;
        if (strncasecmp(line.c_str(), name.c_str(), name.size()) != 0) continue;
        std::string value = line.substr(name.size() + 1);
        // Unfolding removes only the line break; the continuation's leading blank stays.
        for (size_t next = i + 1; next < headerLines.size() && IsContinuation(headerLines[next]);
             ++next) {
            value += headerLines[next];
        }
        const size_t first = value.find_first_not_of(" \t");
        return first == std::string::npos ? std::string() : value.substr(first);
    }
    return std::nullopt;
}

SArticle ParseArticle(const std::string& text) {
    SArticle article;
    bool inBody = false;
    for (std::string& line : SplitLines(text)) {
        article.wireBytes += static_cast<long>(line.size()) + 2;
        if (!inBody && line.empty()) {
            inBody = true;
            continue;
        }
        (inBody ? article.bodyLines : article.headerLines).push_back(std::move(line));
    }
    return article;
}

CSpool::CSpool(std::string directory) : m_directory(std::move(directory)) {}

bool CSpool::IsValidGroupName(const std::string& name) {
    return !name.empty() && name[0] != '.' && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

std::string CSpool::GroupPath(const std::string& group) const {
    return m_directory + "/" + group;
}

std::vector<std::string> CSpool::GroupNames() const {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(m_directory, error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        std::error_code typeError;
        if (IsValidGroupName(name) && it->is_directory(typeError)) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool CSpool::HasGroup(const std::string& group) const {
    std::error_code error;
    return IsValidGroupName(group) && fs::is_directory(GroupPath(group), error);
}

std::vector<long> CSpool::ArticleNumbers(const std::string& group) const {
    std::vector<long> numbers;
    if (!IsValidGroupName(group)) return numbers;
    std::error_code error;
    for (fs::directory_iterator it(GroupPath(group), error), end; !error && it != end;
         it.increment(error)) {
        auto number = NumberFromName(it->path().filename().string());
        std::error_code typeError;
        if (number && it->is_regular_file(typeError)) numbers.push_back(*number);
    }
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

SGroupStats CSpool::Stats(const std::string& group) const {
    const std::vector<long> numbers = ArticleNumbers(group);
    SGroupStats stats;
    if (numbers.empty()) return stats;
    stats.count = static_cast<long>(numbers.size());
    stats.low = numbers.front();
    stats.high = numbers.back();
    return stats;
}

std::optional<SArticle> CSpool::Read(const std::string& group, long number) const {
    if (!IsValidGroupName(group) || number <= 0) return std::nullopt;
    auto text = ReadSmallFile(GroupPath(group) + "/" + std::to_string(number));
    if (!text) return std::nullopt;
    return ParseArticle(*text);
}

bool CSpool::HoldsMessageId(const std::string& group, const std::string& messageId,
                            SArticleRef& found) const {
    for (long number : ArticleNumbers(group)) {
        auto article = Read(group, number);
        if (article && article->Header("Message-ID") == messageId) {
            found = SArticleRef{group, number};
            return true;
        }
    }
    return false;
}

std::optional<SArticleRef> CSpool::FindMessageId(const std::string& messageId,
                                                 const std::string& preferredGroup) const {
    SArticleRef found;
    if (HasGroup(preferredGroup) && HoldsMessageId(preferredGroup, messageId, found)) {
        return found;
    }
    for (const std::string& group : GroupNames()) {
        if (group != preferredGroup && HoldsMessageId(group, messageId, found)) return found;
    }
    return std::nullopt;
}

std::optional<std::time_t> CSpool::CreatedAt(const std::string& group) const {
    if (!HasGroup(group)) return std::nullopt;
    if (auto stamp = ReadSmallFile(GroupPath(group) + "/.created")) {
        if (auto created = ParseCreatedStamp(*stamp)) return created;
    }
    std::error_code error;
    const auto written = fs::last_write_time(GroupPath(group), error);
    if (error) return std::nullopt;
    const auto system = std::chrono::file_clock::to_sys(written);
    return std::chrono::system_clock::to_time_t(
        std::chrono::time_point_cast<std::chrono::system_clock::duration>(system));
}

std::string OverviewField(std::string value) {
    std::replace_if(
        value.begin(), value.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; },
        ' ');
    return value;
}

std::string MessageIdOf(const SArticle& article) {
    return article.Header("Message-ID").value_or("<>");
}

std::string OverviewLine(const std::string& group, long number, const SArticle& article) {
    auto field = [&article](const char* name) {
        return OverviewField(article.Header(name).value_or(""));
    };
    std::string xref =
        article.Header("Xref").has_value()
            ? "Xref: " + field("Xref")
            : std::string("Xref: ") + kXrefHost + " " + group + ":" + std::to_string(number);
    return std::to_string(number) + "\t" + field("Subject") + "\t" + field("From") + "\t" +
           field("Date") + "\t" + field("Message-ID") + "\t" + field("References") + "\t" +
           std::to_string(article.wireBytes) + "\t" + std::to_string(article.bodyLines.size()) +
           "\t" + OverviewField(xref);
}

}  // namespace corvane::testserver
