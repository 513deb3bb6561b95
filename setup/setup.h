#pragma once
// The setup: everything the user configures for one news server (connection, dial-up,
// download and auto-mode options), its newsgroups and its selection rules. The application
// object owns the one current setup and replaces it whole (New, Open, a failed load, a
// confirmed Options sheet, which edits a copy); a few commands change single values in place.
// Main thread only. A setup owns its groups and criteria groups; a copy is deep, so two setups
// never share a record. Only the setup's own record is serialised here: the file's article
// state that follows it is read and written by the file's save and load.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "setup/archive.h"
#include "setup/criteria.h"
#include "setup/setup_group.h"

namespace corvane {

class CSetup : public CSerializable {
public:
    static constexpr std::uint16_t kSchema = 16;

    // Shut-down modes of auto mode; any other value means no automatic shut-down.
    static constexpr std::int32_t kShutDownAfterTime = 0;
    static constexpr std::int32_t kShutDownWhenIdle = 1;
    static constexpr std::int32_t kNoShutDown = 2;

    CSetup() = default;
    // Deep copy of everything the user configures. The presence flags describe the file a
    // setup was read from, which the copy was not, so they start clear.
    CSetup(const CSetup& other);
    CSetup& operator=(const CSetup&) = delete;

    std::string_view ClassName() const override { return "CSetup"; }
    std::uint16_t Schema() const override { return kSchema; }
    void Serialize(CArchive& ar) override;

    // The first Exclude rule that kills on any one condition (Or), made and appended as
    // "Kill" when there is none, so the kill commands always have a rule to add to.
    CCriteriaGroup& FindKillGroup();
    // Files from before rules existed hold one flat list of conditions; they become one
    // Include/And rule named "Convert" at the end of the rules, in their order.
    void ConvertLegacyCriteria(std::vector<std::unique_ptr<CCriteria>> legacy);

    std::string NewsServer() const { return m_newsServer; }
    void SetNewsServer(std::string server) { m_newsServer = std::move(server); }
    std::string User() const { return m_user; }
    void SetUser(std::string user) { m_user = std::move(user); }
    std::string Password() const { return m_password; }
    void SetPassword(std::string password) { m_password = std::move(password); }
    std::string SavePath() const { return m_savePath; }
    void SetSavePath(std::string path) { m_savePath = std::move(path); }
    std::string DialUpEntry() const { return m_dialUpEntry; }
    void SetDialUpEntry(std::string entry) { m_dialUpEntry = std::move(entry); }

    // Set only by reading: whether the download log and the range map follow this record
    // in its file. Always written as 1, because this program writes both.
    std::int32_t m_logPresent = 0;
    std::int32_t m_rangesPresent = 0;

    std::int32_t m_crosspostsOnce = 1;
    std::int32_t m_byArticleNumber = 1;
    std::int32_t m_useFileDatabase = 1;
    std::int32_t m_reserved = 0;  // no use but to survive load, copy and save
    std::int32_t m_directConnection = 0;
    std::int32_t m_connectIfNotConnected = 1;
    std::int32_t m_hangUpWhenFinished = 0;
    std::int32_t m_autoQueueArticles = 0;
    std::vector<std::unique_ptr<CSetupGroup>> m_groups;             // in the user's order
    std::vector<std::unique_ptr<CCriteriaGroup>> m_criteriaGroups;  // in evaluation order
    std::int32_t m_requiresLogin = 0;
    std::int32_t m_threads = 1;  // download workers allowed to run, 0-8

    // Auto mode. Queue-everything and auto-hang-up live only as long as the program runs.
    std::int32_t m_queueEverythingOnEngage = 1;
    std::int32_t m_delayStartSeconds = 0;
    std::int32_t m_shutDownAfterSeconds = 0;
    std::int32_t m_autoHangUp = 0;
    std::int32_t m_delayStart = 0;
    std::int32_t m_hideWhileDownloading = 0;
    std::int32_t m_shutDownMode = kNoShutDown;
    std::int32_t m_processArticlesBeforeGroups = 1;

    std::int32_t m_port = 119;
    std::int32_t m_giveUpLines = 50;  // kept and edited; no job reads it
    std::int32_t m_autoSaveMinutes = 10;
    std::int32_t m_overwrite = 0;
    std::int32_t m_timeOutMinutes = 1;
    std::int32_t m_logDownloads = 1;
    std::int32_t m_showThumbnails = 1;

private:
    void SerializeOptions(CArchive& ar, std::uint16_t schema);

    std::string m_dialUpEntry;
    std::string m_savePath;  // filled in at start when empty
    std::string m_user;
    std::string m_password;  // kept and saved in clear: the server gets it in clear anyway
    std::string m_newsServer;
};

// Makes the four setup record classes known to a reader, under the names and schemas this
// program writes.
void RegisterSetupRecordClasses(CClassRegistry& registry);

}  // namespace corvane
