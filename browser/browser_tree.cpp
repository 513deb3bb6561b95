#include "browser/browser_tree.h"

#include <algorithm>
#include <utility>

namespace corvane {

namespace {

SBrowserItem MakeFileItem(const BrowserEntryPtr& entry) {
    SBrowserItem item;
    item.kind = EBrowserItemKind::kFile;
    item.text = entry->fileName;
    item.icon = FileIcon(entry->fileName);
    item.entry = entry;
    return item;
}

// Inserts after every item whose text does not sort after the new one.
SBrowserItem& InsertSorted(std::vector<SBrowserItem>& items, SBrowserItem item) {
    const auto at = std::upper_bound(
        items.begin(), items.end(), item,
        [](const SBrowserItem& a, const SBrowserItem& b) { return a.text < b.text; });
    return *items.insert(at, std::move(item));
}

std::vector<SBrowserItem> BuildGrouped(const std::vector<BrowserEntryPtr>& entries,
                                       EBrowserItemKind kind) {
    std::vector<SBrowserItem> tree;
    const auto key = [kind](const SBrowserEntry& e) -> const std::string& {
        return kind == EBrowserItemKind::kAuthor ? e.author : e.origin;
    };
    const std::string* previous = nullptr;
    SBrowserItem* node = nullptr;
    for (const auto& entry : entries) {
        if (previous == nullptr || key(*entry) != *previous) {
            SBrowserItem fresh;
            fresh.kind = kind;
            fresh.text = key(*entry);
            fresh.icon = kIconCollapsed;
            // Inserting may move the other nodes, so only the new node's address is kept.
            node = &InsertSorted(tree, std::move(fresh));
        }
        previous = &key(*entry);
        InsertSorted(node->children, MakeFileItem(entry));
    }
    return tree;
}

}  // namespace

int SBrowserItem::Marker() const {
    switch (kind) {
        case EBrowserItemKind::kAuthor:
            return kMarkerAuthor;
        case EBrowserItemKind::kOrigin:
            return kMarkerOrigin;
        case EBrowserItemKind::kFile:
            break;
    }
    return kMarkerFile;
}

int FileIcon(const std::string& path) {
    return IsPictureName(path) ? kIconPicture : kIconFile;
}

std::vector<SBrowserItem> BuildBrowserTree(const std::vector<BrowserEntryPtr>& entries,
                                           EBrowserTab tab) {
    std::vector<SBrowserItem> tree;
    switch (tab) {
        case EBrowserTab::kFilesDate:
            tree.reserve(entries.size());
            for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
                tree.push_back(MakeFileItem(*it));
            }
            break;
        case EBrowserTab::kFilesName:
            tree.reserve(entries.size());
            for (const auto& entry : entries) tree.push_back(MakeFileItem(entry));
            break;
        case EBrowserTab::kPersonFile:
            tree = BuildGrouped(entries, EBrowserItemKind::kAuthor);
            break;
        case EBrowserTab::kOriginFile:
            tree = BuildGrouped(entries, EBrowserItemKind::kOrigin);
            break;
    }
    return tree;
}

const SBrowserItem* FindItem(const std::vector<SBrowserItem>& tree, const SBrowserItemRef& ref) {
    if (ref.top >= tree.size()) return nullptr;
    const SBrowserItem& top = tree[ref.top];
    if (ref.child == SBrowserItemRef::kNone) return &top;
    if (ref.child >= top.children.size()) return nullptr;
    return &top.children[ref.child];
}

SBrowserItem* FindItem(std::vector<SBrowserItem>& tree, const SBrowserItemRef& ref) {
    return const_cast<SBrowserItem*>(
        FindItem(static_cast<const std::vector<SBrowserItem>&>(tree), ref));
}

}  // namespace corvane
