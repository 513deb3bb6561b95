#pragma once
// The program's numbered texts. The table is constant data: any thread may read it, and the
// pointers stay valid for the life of the program.
namespace corvane {

// Numbers of the texts, named after where they are shown.
constexpr int kIdsDiskFull = 144;
constexpr int kIdsSetupSaveFailed = 147;
// The setup dialogs: the wizard's forward checks, the sheet's title, the list headers.
constexpr int kIdsWaitForGroupList = 156;
constexpr int kIdsOptionsTitle = 160;
constexpr int kIdsEnterNewsServer = 180;
constexpr int kIdsChooseConnection = 181;
constexpr int kIdsEnterNewsGroup = 182;
// Message boxes of the dial-up layer.
constexpr int kIdsDialupStatusFailed = 185;
constexpr int kIdsDialupEnumFailed = 186;
constexpr int kIdsSetupLoadFailed = 191;
// The Options sheet's group list and the two group types.
constexpr int kIdsColumnNewsGroup = 200;
constexpr int kIdsColumnStatus = 201;
constexpr int kIdsColumnRelPath = 202;
constexpr int kIdsGroupTypeText = 212;
constexpr int kIdsGroupTypeAttachment = 213;
// Status texts of a worker's row.
constexpr int kIdsConnecting = 215;
constexpr int kIdsConnectFailed = 216;
constexpr int kIdsReceiveError = 217;
constexpr int kIdsGroupUnknown = 218;
// Follows the group name while a group's bounds are refreshed.
constexpr int kIdsUpdating = 219;
constexpr int kIdsGettingNewsgroupList = 220;
constexpr int kIdsUpdatingNewsgroupList = 222;
// The Criteria page's two lists.
constexpr int kIdsColumnCriteriaName = 253;
constexpr int kIdsColumnCriteriaAction = 254;
constexpr int kIdsColumnCriteriaLogic = 255;
constexpr int kIdsColumnField = 256;
constexpr int kIdsColumnOperator = 257;
constexpr int kIdsColumnValue = 258;
// The connection pane of the main window's status bar.
constexpr int kIdsDialupUndefinedError = 57357;  // printf form, takes the code as a long
constexpr int kIdsDialupConnected = 57358;
constexpr int kIdsDialupConnecting = 57359;
constexpr int kIdsDialupNotConnected = 57360;

// The text with that number, or an empty text for a number the table does not hold, so a
// caller never has to test for null.
const char* ResourceString(int id);

}  // namespace corvane
