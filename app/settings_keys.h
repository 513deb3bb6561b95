#pragma once
// The names and defaults of every per-user setting of the main window and the attachment
// browser, in one place so that a reader and a writer can never disagree on a spelling, plus
// the two records that are stored as groups of values: a window's placement and the list
// column widths. Plain constants and functions over an ISettingsStore; any thread may use the
// constants, the functions run on the thread that owns the store (the main thread).
#include <array>
#include <string>
#include <string_view>

#include "platform/settings_store.h"

namespace corvane {

inline constexpr const char* kSectionData = "Data";
inline constexpr const char* kSectionColumns = "Columns";

// Section Data.
inline constexpr const char* kKeyShowWarn1 = "ShowWarn1";  // 0 once "Don't show this again"
inline constexpr int kDefaultShowWarn1 = 1;
inline constexpr const char* kKeyLastFile = "LastFile";  // the setup file saved last
inline constexpr const char* kDefaultLastFile = "";
inline constexpr const char* kKeyWizard = "Wizard";  // "Show Wizard on New"
inline constexpr int kDefaultWizard = 1;
inline constexpr const char* kKeyBigTool = "BigTool";  // "Show Large Toolbar"
inline constexpr int kDefaultBigTool = 1;
inline constexpr const char* kKeyHome = "Home";  // the maker's web address in the About box
inline constexpr const char* kDefaultHome = "https://velmora.example/corvane/";
inline constexpr const char* kKeyBrowsePath = "BrowsePath";  // default: DefaultBrowsePath()
inline constexpr const char* kKeyCurtab = "Curtab";          // browser tab, counted from 1
inline constexpr int kDefaultCurtab = 1;
inline constexpr const char* kKeyShrink = "Shrink";  // "Shrink image to fit window"
inline constexpr int kDefaultShrink = 0;

// The browser starts in the save path. The stored default drops the path's trailing
// separator; this program keeps save paths without one, so only a separator is dropped and a
// path without one comes back whole.
std::string DefaultBrowsePath(const std::string& savePath);

// A window's placement: the eleven values are stored as "<prefix><field>" in section Data, in
// this order, and restored as one record.
struct SWindowPlacement {
    int length;
    int flags;
    int showCmd;
    int minX;
    int minY;
    int maxX;
    int maxY;
    int left;
    int top;
    int right;
    int bottom;

    bool operator==(const SWindowPlacement&) const = default;
};

inline constexpr const char* kMainPlacementPrefix = "wp";
inline constexpr const char* kBrowserPlacementPrefix = "wp2";
inline constexpr SWindowPlacement kMainPlacementDefaults{44, 0, 1, -1, -1, -1, -1, 0, 0, 773, 470};
inline constexpr SWindowPlacement kBrowserPlacementDefaults{44, 0, 1, -1,  -1, -1,
                                                            -1, 0, 0, 600, 400};
// The stored names after the prefix; the spellings (lower-case "left", "Minx") are the ones
// earlier runs wrote and must not change.
inline constexpr std::array<const char*, 11> kPlacementFields = {
    "Length", "Flags", "ShowCmd", "Minx", "Miny", "Maxx", "Maxy", "left", "top", "right", "bottom"};

// The browser's defaults for kBrowserPlacementPrefix, the main window's for any other prefix.
const SWindowPlacement& DefaultPlacement(std::string_view prefix);
SWindowPlacement LoadPlacement(ISettingsStore& store, std::string_view prefix);
void SavePlacement(ISettingsStore& store, std::string_view prefix,
                   const SWindowPlacement& placement);

// Section Columns: one width in pixels per list column.
struct SColumnKey {
    const char* name;
    int defaultWidth;
};

inline constexpr SColumnKey kColumnGroup{"cwGroup", 260};        // group list "News Group"
inline constexpr SColumnKey kColumnStatus{"cwStatus", 65};       // group list "Status"
inline constexpr SColumnKey kColumnRelPath{"cwRelPath", 80};     // group list "Rel. Path"
inline constexpr SColumnKey kColumnArtGroup{"cwArtGroup", 120};  // article list "Group"
inline constexpr SColumnKey kColumnSubject{"cwSubject", 250};    // article list "Subject"
inline constexpr SColumnKey kColumnDate{"cwID", 60};             // article list "Date"
inline constexpr SColumnKey kColumnFrom{"cwFrom", 100};          // article list "From"
inline constexpr SColumnKey kColumnLines{"cwLines", 60};         // article list "Lines"
inline constexpr SColumnKey kColumnOrigin{"cwPath", 10};         // article list "Origin"

// In the order the lists show them: the group list's three, then the article list's six.
inline constexpr std::array<SColumnKey, 3> kGroupListColumns = {kColumnGroup, kColumnStatus,
                                                                kColumnRelPath};
inline constexpr std::array<SColumnKey, 6> kArticleListColumns = {
    kColumnArtGroup, kColumnSubject, kColumnDate, kColumnFrom, kColumnLines, kColumnOrigin};

// A stored width that is negative or wider than any screen is not the user's choice (a
// hand-edited or damaged file); the column then gets its default. 0 stays 0: a hidden column.
inline constexpr int kMaxColumnWidth = 10000;
int ReadColumnWidth(ISettingsStore& store, const SColumnKey& column);
void WriteColumnWidth(ISettingsStore& store, const SColumnKey& column, int width);

}  // namespace corvane
