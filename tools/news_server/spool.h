#pragma once
// CSpool reads the test server's article store: <spool>/<group>/<number> files, each a whole
// article, and an optional <spool>/<group>/.created stamp. Nothing is cached, so articles
// written while the server runs are seen by the next command. Stateless apart from the
// directory name: any thread may use its own or a shared instance.
#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace corvane::testserver {

// One article split into lines without their line ends. A line ending in CR LF and one
// ending in LF alone read the same.
struct SArticle {
    std::vector<std::string> headerLines;
    std::vector<std::string> bodyLines;
    // Size as sent with CR LF line ends, before dot-stuffing.
    long wireBytes = 0;

    // The value of the first header of that name (case-insensitive), continuation lines
    // unfolded; nullopt when there is none.
    std::optional<std::string> Header(const std::string& name) const;
};

SArticle ParseArticle(const std::string& text);

struct SGroupStats {
    long count = 0, low = 1, high = 0;  // an empty group reads count 0, low 1, high 0
};

struct SArticleRef {
    std::string group;
    long number = 0;
};

class CSpool {
public:
    explicit CSpool(std::string directory);

    // A name the peer may use: no path separator, not hidden, not empty.
    static bool IsValidGroupName(const std::string& name);

    std::vector<std::string> GroupNames() const;  // sorted
    bool HasGroup(const std::string& group) const;
    std::vector<long> ArticleNumbers(const std::string& group) const;  // ascending
    SGroupStats Stats(const std::string& group) const;
    std::optional<SArticle> Read(const std::string& group, long number) const;
    // Looks in the preferred group first, then in every group.
    std::optional<SArticleRef> FindMessageId(const std::string& messageId,
                                             const std::string& preferredGroup) const;
    // From the group's .created stamp ("YYYYMMDD HHMMSS", UTC), else the directory's mtime.
    std::optional<std::time_t> CreatedAt(const std::string& group) const;

private:
    std::string GroupPath(const std::string& group) const;
    bool HoldsMessageId(const std::string& group, const std::string& messageId,
                        SArticleRef& found) const;

    std::string m_directory;
};

// Overview and header listings are tab-separated lines, so a value shown in them may carry
// neither tabs nor line ends: those become blanks.
std::string OverviewField(std::string value);

// "num\tSubject\tFrom\tDate\tMessage-ID\tReferences\tbytes\tlines\tXref: ...".
std::string OverviewLine(const std::string& group, long number, const SArticle& article);

// The article's Message-ID, or "<>" for an article without one.
std::string MessageIdOf(const SArticle& article);

}  // namespace corvane::testserver
