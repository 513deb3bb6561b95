#pragma once
// The tree the attachment browser shows on each tab, built from a sorted snapshot: file items
// (each holding its entry) and, on the Person/File and Origin/File tabs, one node per author or
// origin with that author's or origin's files below it. The tree is a value owned by the
// browser model on the main thread; a window draws it as it is and reports which item was
// chosen by its SBrowserItemRef.
#include <cstddef>
#include <string>
#include <vector>

#include "browser/browser_entries.h"

namespace corvane {

// The icons of the tree's image list, by index.
inline constexpr int kIconFile = 0;
inline constexpr int kIconExpanded = 1;
inline constexpr int kIconCollapsed = 2;
inline constexpr int kIconPicture = 3;

enum class EBrowserItemKind { kFile, kAuthor, kOrigin };

// The marker an item carries, which tells the selection what the item is.
inline constexpr int kMarkerFile = 0;
inline constexpr int kMarkerOrigin = 1;
inline constexpr int kMarkerAuthor = 2;

struct SBrowserItem {
    EBrowserItemKind kind = EBrowserItemKind::kFile;
    std::string text;  // the file's full path, or the author or origin
    int icon = kIconFile;
    BrowserEntryPtr entry;               // file items only
    std::vector<SBrowserItem> children;  // author and origin nodes only

    int Marker() const;
};

// Where an item is: its top-level row and, for an item below a node, its row under it.
struct SBrowserItemRef {
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::size_t top = kNone;
    std::size_t child = kNone;

    bool operator==(const SBrowserItemRef&) const = default;
};

// The file item's icon: a picture by its extension, otherwise a plain file.
int FileIcon(const std::string& path);

// The top-level items for the tab from entries already sorted for it: Files/Date newest first,
// Files/Name in array order, the other two grouped under one node per run of equal authors
// (or origins). Nodes start collapsed. Node and child rows are kept in text order (bytes), a
// new item going after any with the same text.
std::vector<SBrowserItem> BuildBrowserTree(const std::vector<BrowserEntryPtr>& entries,
                                           EBrowserTab tab);

// The item at ref, or null when ref names no item.
const SBrowserItem* FindItem(const std::vector<SBrowserItem>& tree, const SBrowserItemRef& ref);
SBrowserItem* FindItem(std::vector<SBrowserItem>& tree, const SBrowserItemRef& ref);

}  // namespace corvane
