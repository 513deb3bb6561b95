#pragma once
// The attachment browser without its window: the snapshot of the download log, the current
// tab and its tree, what a selection shows (status panes, text lines or picture path) and
// which buttons it enables, and the commands Kill Person, Kill Site, Remove, Remove File,
// Empty Log and Refresh. Main thread only: it reads and changes the download log through the
// log's own lock (workers may add entries meanwhile; they appear at the next refresh), asks
// its questions through the prompt, and keeps "Curtab", "Shrink" and the "wp2" placement in
// the settings store. The window draws Tree(), View(), Panes() and Buttons() as they are
// after each call. The log, prompt and store must outlive the model.
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "app/settings_keys.h"
#include "browser/browser_entries.h"
#include "browser/browser_tree.h"
#include "platform/prompt.h"
#include "platform/settings_store.h"
#include "setup/log_entry.h"
#include "setup/setup.h"

namespace corvane {

inline constexpr const char* kEmptyLogQuestion = "Are you sure? This will completely empty the log";
inline constexpr std::size_t kBrowserPaneCount = 5;

struct SBrowserButtons {
    bool killPerson = false;
    bool killSite = false;
    bool remove = false;
    bool removeFile = false;

    bool operator==(const SBrowserButtons&) const = default;
};

// The right-hand side: the list box with a text file's lines, or the image view with the
// path of the picture to load (empty: the view is cleared).
struct SBrowserView {
    bool showList = false;
    std::vector<std::string> lines;
    bool linesComplete = true;
    std::string picturePath;
};

class CBrowserModel {
public:
    enum class ERemoveResult {
        kRemoved,         // the entry left the log (and the file the disk, for Remove File)
        kNotLogged,       // the log no longer held it (trimmed or emptied); the item went anyway
        kFileNotDeleted,  // the entry left the log, but the file could not be deleted
        kNothingSelected,
    };

    // onClosed tells the main window that the browser has closed.
    CBrowserModel(CDownloadLog& log, IPrompt& prompt, ISettingsStore& store,
                  std::function<void()> onClosed);

    // Reads "Shrink", "Curtab" and the placement, takes the snapshot and builds the tree.
    void Open();
    // Stores "Curtab", clears the view, tells the main window, stores "Shrink" and the
    // placement. The model may be opened again afterwards.
    void Close();

    void SelectTab(EBrowserTab tab);
    // Takes the snapshot again, sorts it for the tab, rebuilds the tree and clears the view.
    void Refresh();

    // While the window repopulates its tree it reports selections that are not the user's.
    void SetTreeBuilding(bool building) { m_treeBuilding = building; }
    void Select(const SBrowserItemRef& ref);
    // Switches a node between its expanded and collapsed icons.
    void SetExpanded(const SBrowserItemRef& ref, bool expanded);

    // The ban commands act on the selected author / origin; false when there is none.
    bool KillPerson(CSetup& setup);
    bool KillSite(CSetup& setup);
    ERemoveResult Remove();
    ERemoveResult RemoveFile();
    // Asks first; answered No, nothing changes. Returns whether the log was emptied.
    bool EmptyLog();

    void SetShrink(bool shrink) { m_shrink = shrink; }
    bool Shrink() const { return m_shrink; }
    // The window hands over its placement before Close stores it.
    void SetPlacement(const SWindowPlacement& placement) { m_placement = placement; }
    const SWindowPlacement& Placement() const { return m_placement; }

    EBrowserTab Tab() const { return m_tab; }
    const std::vector<BrowserEntryPtr>& Entries() const { return m_entries; }
    const std::vector<SBrowserItem>& Tree() const { return m_tree; }
    const SBrowserItemRef& Selected() const { return m_selected; }
    const std::string& SelectedAuthor() const { return m_selectedAuthor; }
    const std::string& SelectedOrigin() const { return m_selectedOrigin; }
    const SBrowserView& View() const { return m_view; }
    const std::array<std::string, kBrowserPaneCount>& Panes() const { return m_panes; }
    const SBrowserButtons& Buttons() const { return m_buttons; }

private:
    void Rebuild();
    void ClearView();
    void ShowFile(const SBrowserEntry& entry);
    ERemoveResult RemoveSelected(bool deleteFile);

    CDownloadLog& m_log;
    IPrompt& m_prompt;
    ISettingsStore& m_store;
    std::function<void()> m_onClosed;

    EBrowserTab m_tab = EBrowserTab::kFilesDate;
    bool m_shrink = false;
    SWindowPlacement m_placement = kBrowserPlacementDefaults;
    std::vector<BrowserEntryPtr> m_entries;  // positions 1..count are indexes 0..count-1
    std::vector<SBrowserItem> m_tree;
    bool m_treeBuilding = false;

    SBrowserItemRef m_selected;  // a file item, or none
    std::string m_selectedAuthor;
    std::string m_selectedOrigin;
    SBrowserView m_view;
    std::array<std::string, kBrowserPaneCount> m_panes;  // pane 0 stays empty
    SBrowserButtons m_buttons;
};

}  // namespace corvane
