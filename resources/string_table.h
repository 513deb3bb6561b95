#pragma once
// The program's numbered texts. The table is constant data: any thread may read it, and the
// pointers stay valid for the life of the program.
namespace corvane {

// Numbers of the texts, named after where they are shown.
constexpr int kIdsDiskFull = 144;
constexpr int kIdsSetupSaveFailed = 147;
constexpr int kIdsSetupLoadFailed = 191;
// Status texts of a worker's row.
constexpr int kIdsConnecting = 215;
constexpr int kIdsConnectFailed = 216;
constexpr int kIdsReceiveError = 217;
constexpr int kIdsGroupUnknown = 218;
// Follows the group name while a group's bounds are refreshed.
constexpr int kIdsUpdating = 219;
constexpr int kIdsGettingNewsgroupList = 220;
constexpr int kIdsUpdatingNewsgroupList = 222;

// The text with that number, or an empty text for a number the table does not hold, so a
// caller never has to test for null.
const char* ResourceString(int id);

}  // namespace corvane
