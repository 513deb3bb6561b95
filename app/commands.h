#pragma once
// The main window's commands: their numbers (shared by the menus, the toolbar, the context
// menus and the accelerators), their menu texts and hints, and the numbers of the worker rows'
// cancel and locate buttons. Plain data; any thread.
#include <string_view>
#include <vector>

namespace corvane::cmd {

inline constexpr int kNew = 1070;
inline constexpr int kOpen = 1047;
inline constexpr int kSave = 1048;
inline constexpr int kSaveAs = 32780;
inline constexpr int kExit = 32833;
inline constexpr int kDoAllGroups = 1044;
inline constexpr int kDoGroup = 1041;
inline constexpr int kGroupList = 1060;
inline constexpr int kReset = 1058;
inline constexpr int kSelectAll = 32826;
inline constexpr int kSelectNone = 32832;
inline constexpr int kGrabSelected = 1059;
inline constexpr int kDownloadFirst = 32830;
inline constexpr int kGrabAll = 1013;
inline constexpr int kTextAttachment = 1100;
inline constexpr int kRemoveSelected = 1035;
inline constexpr int kCancelSelected = 1141;
inline constexpr int kStopAll = 1067;
inline constexpr int kEmptyQueue = 1068;
inline constexpr int kKillPerson = 1074;
inline constexpr int kKillSite = 1073;
inline constexpr int kFind = 32825;
inline constexpr int kBrowse = 1162;
inline constexpr int kAutomate = 1002;
inline constexpr int kImport = 32831;
inline constexpr int kEmptyLog = 32834;
inline constexpr int kOptions = 1124;
inline constexpr int kShowWizard = 32815;
inline constexpr int kLargeToolbar = 32827;
inline constexpr int kHelp = 57670;
inline constexpr int kAbout = 32783;
inline constexpr int kEnable = 32835;
// The default-button command (Enter, Alt+F4, the small toolbar's last button): ignored.
inline constexpr int kDefaultButton = 1;

struct SCommandInfo {
    int id;
    std::string_view menuText;
    std::string_view hint;  // empty: the command has no tool tip
};
// Every command of the menus and context menus, in the order of the command table.
const std::vector<SCommandInfo>& CommandTable();
const SCommandInfo* FindCommand(int id);

// The worker slot (0-7) a row button belongs to, or -1: the Threads tab's and the
// Thumbnails tab's buttons of one slot do the same.
int CancelButtonSlot(int id);
int LocateButtonSlot(int id);

}  // namespace corvane::cmd
