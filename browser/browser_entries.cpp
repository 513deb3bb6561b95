#include "browser/browser_entries.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <functional>
#include <utility>

#include "app/article_sort.h"

namespace corvane {

namespace {

int Sign(int c) {
    return (c > 0) - (c < 0);
}

int CompareBytes(std::string_view a, std::string_view b) {
    return Sign(a.compare(b));
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) {
            return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

bool SameTexts(const CLogEntry& log, const SBrowserEntry& entry) {
    return log.FileName() == entry.fileName && log.Newsgroup() == entry.newsgroup &&
           log.Subject() == entry.subject && log.Origin() == entry.origin &&
           log.Author() == entry.author && log.Lines() == entry.lines;
}

// Restores the heap below `root` within positions 1..end; `less` takes 1-based positions.
void SiftDown(std::size_t root, std::size_t end, const std::function<bool(size_t, size_t)>& less,
              const std::function<void(size_t, size_t)>& swap) {
    while (2 * root <= end) {
        std::size_t child = 2 * root;
        if (child < end && less(child, child + 1)) ++child;
        if (!less(root, child)) return;
        swap(root, child);
        root = child;
    }
}

}  // namespace

EBrowserTab BrowserTabFromNumber(int number) {
    if (number < 1 || number > kBrowserTabCount) return EBrowserTab::kFilesDate;
    return static_cast<EBrowserTab>(number);
}

const char* BrowserTabCaption(EBrowserTab tab) {
    static constexpr std::array<const char*, kBrowserTabCount> kCaptions = {
        "Files/Date", "Files/Name", "Person/File", "Origin/File"};
    return kCaptions[static_cast<std::size_t>(tab) - 1];
}

std::vector<BrowserEntryPtr> SnapshotLog(const CDownloadLog& log) {
    std::vector<BrowserEntryPtr> entries;
    log.ForEach([&entries](const CLogEntry& e) {
        auto copy = std::make_shared<SBrowserEntry>();
        copy->source = &e;
        copy->fileName = e.FileName();
        copy->newsgroup = e.Newsgroup();
        copy->subject = e.Subject();
        copy->origin = e.Origin();
        copy->author = e.Author();
        copy->lines = e.Lines();
        entries.push_back(std::move(copy));
    });
    return entries;
}

bool StillLogged(const CDownloadLog& log, const SBrowserEntry& entry) {
    bool found = false;
    log.ForEach([&](const CLogEntry& e) {
        if (&e == entry.source && SameTexts(e, entry)) found = true;
    });
    return found;
}

int CompareBrowserEntries(EBrowserTab tab, const SBrowserEntry& a, const SBrowserEntry& b) {
    switch (tab) {
        case EBrowserTab::kFilesDate:
            return 0;
        case EBrowserTab::kFilesName:
            return CompareBytes(FoldCase(a.fileName), FoldCase(b.fileName));
        case EBrowserTab::kPersonFile:
            if (int c = CompareBytes(a.author, b.author); c != 0) return c;
            return CompareBytes(a.fileName, b.fileName);
        case EBrowserTab::kOriginFile:
            if (int c = CompareBytes(a.origin, b.origin); c != 0) return c;
            return CompareBytes(a.fileName, b.fileName);
    }
    return 0;
}

void SortForTab(std::vector<BrowserEntryPtr>& entries, EBrowserTab tab) {
    const std::size_t count = entries.size();
    if (tab == EBrowserTab::kFilesDate || count < 2) return;

    // Files/Name folds each path once rather than at every comparison.
    std::vector<std::string> folded;
    if (tab == EBrowserTab::kFilesName) {
        folded.reserve(count);
        for (const auto& e : entries) folded.push_back(FoldCase(e->fileName));
    }
    const auto less = [&](std::size_t i, std::size_t j) {
        if (tab == EBrowserTab::kFilesName) return folded[i - 1] < folded[j - 1];
        return CompareBrowserEntries(tab, *entries[i - 1], *entries[j - 1]) < 0;
    };
    const auto swap = [&](std::size_t i, std::size_t j) {
        std::swap(entries[i - 1], entries[j - 1]);
        if (!folded.empty()) std::swap(folded[i - 1], folded[j - 1]);
    };

    for (std::size_t start = count / 2; start >= 1; --start) SiftDown(start, count, less, swap);
    for (std::size_t end = count; end >= 2; --end) {
        swap(1, end);
        SiftDown(1, end - 1, less, swap);
    }
}

bool IsPictureName(std::string_view path) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos) return false;
    const std::string_view ext = path.substr(dot + 1);
    for (std::string_view known : {"jpg", "bmp", "jpeg", "png", "gif"}) {
        if (EqualsNoCase(ext, known)) return true;
    }
    return false;
}

bool IsTextFileName(std::string_view path) {
    return path.ends_with("txt") || path.ends_with("TXT");
}

}  // namespace corvane
