#include "resources/string_table.h"

#include <algorithm>
#include <iterator>

namespace corvane {

namespace {

struct CEntry {
    int id;
    const char* text;
};

// Kept sorted by number. The double blanks between sentences are part of the texts.
constexpr CEntry kTable[] = {
    {kIdsDiskFull, "Disk Full"},
    {kIdsSetupSaveFailed,
     "The path where you are storing your setup file has run out of space.  Corvane has not "
     "saved the file.  The previous version of your file still exists."},
    {kIdsWaitForGroupList,
     "You must wait until all groups are downloaded.  This should only take about 2-3 mins"},
    {kIdsOptionsTitle, "Options"},
    {kIdsEnterNewsServer, "You must enter a news server."},
    {kIdsChooseConnection,
     "You must select either direct connection, or choose a Dial-Up from the drop down list."},
    {kIdsEnterNewsGroup, "You must enter a news group."},
    {kIdsDialupStatusFailed, "Failure to Get Connect Status"},
    {kIdsDialupEnumFailed, "Failure to Enum Connections"},
    {kIdsSetupLoadFailed, "Error loading setup file"},
    {kIdsColumnNewsGroup, "News Group"},
    {kIdsColumnStatus, "Status"},
    {kIdsColumnRelPath, "Rel. Path"},
    {kIdsGroupTypeText, "Text"},
    {kIdsGroupTypeAttachment, "Attachment"},
    {kIdsConnecting, "Connecting"},
    {kIdsConnectFailed, "Connect failed"},
    {kIdsReceiveError, "Receive error"},
    {kIdsGroupUnknown, "Group unknown"},
    {kIdsUpdating, "- updating"},
    {kIdsGettingNewsgroupList, "Getting newsgroup list"},
    {kIdsUpdatingNewsgroupList, "Updating newsgroup list"},
    {kIdsColumnCriteriaName, "Name"},
    {kIdsColumnCriteriaAction, "Action"},
    {kIdsColumnCriteriaLogic, "Logic"},
    {kIdsColumnField, "Field"},
    {kIdsColumnOperator, "Operator"},
    {kIdsColumnValue, "Value"},
    {kIdsDialupUndefinedError, "Undefined RAS error %ld"},
    {kIdsDialupConnected, "Connected"},
    {kIdsDialupConnecting, "Connecting"},
    {kIdsDialupNotConnected, "Not Connected"},
};

}  // namespace

const char* ResourceString(int id) {
    const auto it = std::lower_bound(std::begin(kTable), std::end(kTable), id,
                                     [](const CEntry& e, int n) { return e.id < n; });
    return it != std::end(kTable) && it->id == id ? it->text : "";
}

}  // namespace corvane
