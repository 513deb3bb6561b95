#pragma once
// The attachment browser's picture of the download log: one SBrowserEntry per log entry, in
// log order (positions 1..count), and the four tabs' orders over it. The snapshot copies each
// entry's texts under the log's lock, because the log frees entries whenever it trims or is
// emptied; the entry's address is kept only to find it again in the log for Remove. Plain data
// and functions; the browser's thread (the main thread) owns the vectors it is handed.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "setup/log_entry.h"

namespace corvane {

enum class EBrowserTab { kFilesDate = 1, kFilesName = 2, kPersonFile = 3, kOriginFile = 4 };

inline constexpr int kBrowserTabCount = 4;

// A stored tab number (counted from 1) as a tab; anything outside 1..4, as a hand-edited
// settings file may hold, opens on the first tab.
EBrowserTab BrowserTabFromNumber(int number);
// The tab's caption: "Files/Date", "Files/Name", "Person/File", "Origin/File".
const char* BrowserTabCaption(EBrowserTab tab);

struct SBrowserEntry {
    // Identity only: never dereferenced, since the log may have freed it since the snapshot.
    const CLogEntry* source = nullptr;
    std::string fileName;  // full path of the saved file
    std::string newsgroup;
    std::string subject;
    std::string origin;
    std::string author;
    std::int32_t lines = 0;
};

using BrowserEntryPtr = std::shared_ptr<const SBrowserEntry>;

// Every entry of the log, oldest first, copied under the log's lock.
std::vector<BrowserEntryPtr> SnapshotLog(const CDownloadLog& log);

// Whether the snapshot entry is still in the log: the same address holding the same texts,
// so that a new entry that happens to reuse a freed address is not mistaken for it.
bool StillLogged(const CDownloadLog& log, const SBrowserEntry& entry);

// Negative, zero or positive as a comes before, with or after b on the tab. Files/Date has no
// order of its own (every pair is equal); Files/Name compares the paths with their letters
// folded; the other two compare author (or origin), then path, byte by byte.
int CompareBrowserEntries(EBrowserTab tab, const SBrowserEntry& a, const SBrowserEntry& b);

// A heap sort over positions 1..count by the tab's order. It is not stable: equal keys come
// out in the order the heap leaves them (two equal entries alone swap places), which users of
// earlier versions see and which the tests pin. Files/Date is left in log order.
void SortForTab(std::vector<BrowserEntryPtr>& entries, EBrowserTab tab);

// A picture file by its extension (the text after the last "."): jpg, jpeg, bmp, png or gif
// in any case.
bool IsPictureName(std::string_view path);
// A text file: the path ends in "txt" or "TXT" exactly (the decoder writes text articles with
// ".txt"); a mixed-case ending such as ".Txt" is treated as a picture.
bool IsTextFileName(std::string_view path);

}  // namespace corvane
