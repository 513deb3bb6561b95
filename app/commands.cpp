#include "app/commands.h"

namespace corvane::cmd {

const std::vector<SCommandInfo>& CommandTable() {
    static const std::vector<SCommandInfo> table = {
        {kNew, "&New", "Create a new setup file"},
        {kOpen, "&Open", "Open a setup file"},
        {kSave, "&Save", "Save your setup file"},
        {kSaveAs, "Save &As", ""},
        {kExit, "E&xit", "Exit Corvane"},
        {kDoAllGroups, "Do All Groups", "Process all enabled newsgroups"},
        {kDoGroup, "Do Group", "Process selected newsgroup"},
        {kGroupList, "Download/Update Group List",
         "Download or Update list of newsgroups at the server"},
        {kReset, "Reset", "Reset all article information"},
        {kSelectAll, "Select all articles", ""},
        {kSelectNone, "Select None", ""},
        {kGrabSelected, "Grab Selected Articles", "Schedule selected articles for download"},
        {kDownloadFirst, "Download Article First", ""},
        {kGrabAll, "Grab All Articles", "Schedule all articles for download"},
        {kTextAttachment, "Text  <--> Attachment",
         "Convert article between text and attachment retrieval."},
        {kRemoveSelected, "Remove Selected Articles", "Remove selected articles"},
        {kCancelSelected, "Cancel Selected Download", ""},
        {kStopAll, "Stop All Downloads", "Stop downloading and empty queue"},
        {kEmptyQueue, "Empty Download Queue", "Empty the download queue"},
        {kKillPerson, "Kill Person", "Kill the author of the selected article"},
        {kKillSite, "Kill Site", "Kill the site of the selected article"},
        {kFind, "Find", "Search for text in the subjects"},
        {kBrowse, "Open Browse Window", "Open browse window"},
        {kAutomate, "Automate Corvane", "Automate Corvane"},
        {kImport, "Import Downloaded File data", ""},
        {kEmptyLog, "Empty Log", "Empty the downloaded log"},
        {kOptions, "Options", "Change Corvane setup details"},
        {kShowWizard, "Show Wizard on New", ""},
        {kLargeToolbar, "Show Large Toolbar", ""},
        {kHelp, "&Help", "Get some help"},
        {kAbout, "&About Corvane", ""},
        {kEnable, "Enable", ""},
    };
    return table;
}

const SCommandInfo* FindCommand(int id) {
    for (const auto& info : CommandTable()) {
        if (info.id == id) return &info;
    }
    return nullptr;
}

int CancelButtonSlot(int id) {
    if (id >= 1077 && id <= 1084) return id - 1077;
    if (id >= 1085 && id <= 1091) return id - 1085;
    if (id == 1300) return 7;
    return -1;
}

int LocateButtonSlot(int id) {
    if (id >= 1116 && id <= 1123) return id - 1116;
    if (id >= 1203 && id <= 1210) return id - 1203;
    return -1;
}

}  // namespace corvane::cmd
