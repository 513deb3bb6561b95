#include "browser/browser_model.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>

#include "app/kill_commands.h"
#include "browser/browser_view.h"

namespace corvane {

namespace {

// Only a file is deleted: a damaged log could name a directory, which must survive.
bool DeleteFile(const std::string& path) {
    std::error_code ec;
    const auto status = std::filesystem::symlink_status(path, ec);
    if (ec) return status.type() == std::filesystem::file_type::not_found;
    if (status.type() == std::filesystem::file_type::directory) return false;
    std::filesystem::remove(path, ec);
    return !ec;
}

}  // namespace

CBrowserModel::CBrowserModel(CDownloadLog& log, IPrompt& prompt, ISettingsStore& store,
                             std::function<void()> onClosed)
    : m_log(log), m_prompt(prompt), m_store(store), m_onClosed(std::move(onClosed)) {}

void CBrowserModel::Open() {
    m_shrink = m_store.ReadInt(kSectionData, kKeyShrink, kDefaultShrink) != 0;
    m_panes = {};
    m_buttons = {};
    m_selectedAuthor.clear();
    m_selectedOrigin.clear();
    m_tab = BrowserTabFromNumber(m_store.ReadInt(kSectionData, kKeyCurtab, kDefaultCurtab));
    Rebuild();
    m_placement = LoadPlacement(m_store, kBrowserPlacementPrefix);
    m_view = {};
}

void CBrowserModel::Close() {
    m_store.WriteInt(kSectionData, kKeyCurtab, static_cast<int>(m_tab));
    ClearView();
    if (m_onClosed) m_onClosed();
    m_store.WriteInt(kSectionData, kKeyShrink, m_shrink ? 1 : 0);
    SavePlacement(m_store, kBrowserPlacementPrefix, m_placement);
}

void CBrowserModel::SelectTab(EBrowserTab tab) {
    m_tab = tab;
    Refresh();
}

void CBrowserModel::Refresh() {
    Rebuild();
    ClearView();
}

void CBrowserModel::Rebuild() {
    m_entries = SnapshotLog(m_log);
    SortForTab(m_entries, m_tab);
    m_tree = BuildBrowserTree(m_entries, m_tab);
    // The old items are gone, so nothing is left for Remove to act on; the ban commands keep
    // the author and origin they were given.
    m_selected = {};
    m_buttons.remove = false;
    m_buttons.removeFile = false;
}

void CBrowserModel::ClearView() {
    m_view.picturePath.clear();
}

void CBrowserModel::Select(const SBrowserItemRef& ref) {
    if (m_treeBuilding) return;
    const SBrowserItem* item = FindItem(m_tree, ref);
    if (item == nullptr) return;
    switch (item->kind) {
        case EBrowserItemKind::kOrigin:
            m_selectedOrigin = item->text;
            m_buttons.killSite = true;
            break;
        case EBrowserItemKind::kAuthor:
            m_selectedAuthor = item->text;
            m_buttons.killPerson = true;
            break;
        case EBrowserItemKind::kFile:
            ShowFile(*item->entry);
            m_selected = ref;
            return;
    }
    // A node is not a file: Remove has nothing to act on until a file is chosen again.
    m_selected = {};
    m_buttons.remove = false;
    m_buttons.removeFile = false;
}

void CBrowserModel::ShowFile(const SBrowserEntry& entry) {
    m_selectedOrigin = entry.origin;
    m_selectedAuthor = entry.author;
    m_panes[1] = entry.newsgroup;
    m_panes[2] = entry.origin;
    m_panes[3] = entry.author;
    m_panes[4] = entry.subject;
    if (IsTextFileName(entry.fileName)) {
        STextFileLines text = ReadTextFileLines(entry.fileName);
        m_view.showList = true;
        m_view.lines = std::move(text.lines);
        m_view.linesComplete = text.complete;
    } else {
        m_view.showList = false;
        m_view.lines.clear();
        m_view.linesComplete = true;
        m_view.picturePath = entry.fileName;
    }
    m_buttons = {true, true, true, true};
}

void CBrowserModel::SetExpanded(const SBrowserItemRef& ref, bool expanded) {
    SBrowserItem* item = FindItem(m_tree, ref);
    if (item == nullptr || item->kind == EBrowserItemKind::kFile) return;
    item->icon = expanded ? kIconExpanded : kIconCollapsed;
}

bool CBrowserModel::KillPerson(CSetup& setup) {
    if (!m_buttons.killPerson) return false;
    corvane::KillPerson(setup, m_selectedAuthor);
    return true;
}

bool CBrowserModel::KillSite(CSetup& setup) {
    if (!m_buttons.killSite) return false;
    corvane::KillSite(setup, m_selectedOrigin);
    return true;
}

CBrowserModel::ERemoveResult CBrowserModel::Remove() {
    return RemoveSelected(false);
}

CBrowserModel::ERemoveResult CBrowserModel::RemoveFile() {
    return RemoveSelected(true);
}

CBrowserModel::ERemoveResult CBrowserModel::RemoveSelected(bool deleteFile) {
    const SBrowserItem* item = FindItem(m_tree, m_selected);
    if (item == nullptr || item->kind != EBrowserItemKind::kFile) {
        return ERemoveResult::kNothingSelected;
    }
    const BrowserEntryPtr entry = item->entry;

    // Only this thread removes entries, so one that is still logged now is removed next.
    const bool logged = StillLogged(m_log, *entry) && m_log.Remove(entry->source);
    bool fileDeleted = true;
    if (deleteFile) {
        // The view must not go on naming a file that is gone.
        ClearView();
        fileDeleted = DeleteFile(entry->fileName);
    }

    auto& siblings =
        m_selected.child == SBrowserItemRef::kNone ? m_tree : m_tree[m_selected.top].children;
    const std::size_t row =
        m_selected.child == SBrowserItemRef::kNone ? m_selected.top : m_selected.child;
    siblings.erase(siblings.begin() + static_cast<std::ptrdiff_t>(row));
    std::erase(m_entries, entry);
    m_selected = {};
    m_buttons.remove = false;
    m_buttons.removeFile = false;

    if (!logged) return ERemoveResult::kNotLogged;
    return fileDeleted ? ERemoveResult::kRemoved : ERemoveResult::kFileNotDeleted;
}

bool CBrowserModel::EmptyLog() {
    if (!m_prompt.AskYesNo(kEmptyLogQuestion)) return false;
    m_log.Clear();
    Refresh();
    return true;
}

}  // namespace corvane
