#pragma once
// The Options sheet without its window: the working copy of the setup that every page edits,
// the General page's values and their ranges, the port check, the dial-up page's rules, the
// Groups and Criteria pages' list operations and the OK rules of their small dialogs, and the
// stored widths of the pages' list columns. The sheet either owns the copy it edits (Commit
// hands it over for the main window to install) or edits a copy the main window made; the
// current setup is never touched, so a cancelled sheet changes nothing. Main thread only.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/settings_keys.h"
#include "setup/setup.h"

namespace corvane {

// A list column of the sheet: its header text number and where its width is stored.
struct SSheetColumn {
    int titleId;
    SColumnKey key;
};
extern const std::array<SSheetColumn, 3> kSheetGroupColumns;
extern const std::array<SSheetColumn, 3> kSheetCriteriaGroupColumns;
extern const std::array<SSheetColumn, 3> kSheetConditionColumns;

// The General page: taken from the copy when the sheet opens, written back only on OK.
struct SGeneralValues {
    bool overwrite = false;
    int giveUpLines = 50;
    int autoSaveMinutes = 10;
    bool crosspostsOnce = true;
    bool byArticleNumber = true;
    bool showThumbnails = true;
    bool useFileDatabase = true;
    bool logDownloads = true;
    int timeOutMinutes = 1;
};

struct SRange {
    int low;
    int high;
};
inline constexpr SRange kGiveUpLinesRange{1, 10000};
inline constexpr SRange kAutoSaveMinutesRange{1, 60};
inline constexpr SRange kTimeOutMinutesRange{1, 5};
// The spin button stops one short of what may be typed.
inline constexpr SRange kPortSpinRange{1, 32767};
inline constexpr SRange kPortTypedRange{1, 32768};

// "Please enter an integer between low and high."
std::string IntegerRangeMessage(SRange range);
// A typed integer within the range, or nothing (blanks around the digits are allowed).
std::optional<int> ParseIntegerIn(const std::string& text, SRange range);

struct SGroupRow {
    std::string name;
    std::string status;  // "Enabled" / "Disabled"
    std::string relativePath;
    std::int32_t type;
};

// What the Edit Group and Criteria dialogs hand back; -1 is "nothing chosen".
struct SGroupEdit {
    std::string name;
    std::int32_t type = CSetupGroup::kTypeAttachment;
    std::string relativePath;
};
struct SCriteriaGroupInput {
    std::string name;
    std::int32_t action = -1;
    std::int32_t logic = -1;
};
struct SConditionInput {
    std::int32_t field = -1;
    std::int32_t op = -1;
    std::string value;
};

// The Criteria Group dialog closes on OK only with an action, a name and a logic chosen.
bool CriteriaGroupAcceptable(const SCriteriaGroupInput& input);
// The Criteria Dialog closes on OK only with a field and an operator chosen.
bool ConditionAcceptable(const SConditionInput& input);

std::string_view GroupStatusText(std::int32_t enabled);
std::string_view LogicText(std::int32_t logic);
std::string_view GroupTypeText(std::int32_t type);

class COptionsSheetModel {
public:
    // Without a dial-up service the sheet forces direct connection on the copy.
    COptionsSheetModel(std::unique_ptr<CSetup> copy, bool dialupAvailable,
                       std::vector<std::string> dialupEntries = {});
    COptionsSheetModel(CSetup& copy, bool dialupAvailable,
                       std::vector<std::string> dialupEntries = {});

    CSetup& Copy() { return *m_copy; }

    // General page; out-of-range values are brought into range, as the spin buttons do.
    const SGeneralValues& General() const { return m_general; }
    void SetGeneral(const SGeneralValues& values);

    // Server page: live edits of the copy.
    void SetNewsServer(std::string server) { m_copy->SetNewsServer(std::move(server)); }
    void SetUser(std::string user) { m_copy->SetUser(std::move(user)); }
    void SetPassword(std::string password) { m_copy->SetPassword(std::move(password)); }
    void SetRequiresLogin(bool on) { m_copy->m_requiresLogin = on ? 1 : 0; }
    bool LoginFieldsEnabled() const { return m_copy->m_requiresLogin != 0; }
    // The port as typed: kept when valid, else the message to show (the old value stays).
    std::optional<std::string> SetPortText(const std::string& text);
    int Port() const { return m_port; }

    // Dial Up page: live edits of the copy.
    bool DialupAvailable() const { return m_dialupAvailable; }
    const std::vector<std::string>& DialupEntries() const { return m_entries; }
    // The combo row of the copy's entry (exact match), or -1.
    int SelectedEntryRow() const;
    void SetDirectConnection(bool on);
    void SetDialUpEntry(std::string entry);
    void SetConnectIfNotConnected(bool on) { m_copy->m_connectIfNotConnected = on ? 1 : 0; }
    void SetHangUpWhenFinished(bool on) { m_copy->m_hangUpWhenFinished = on ? 1 : 0; }
    bool DirectConnectionEnabled() const { return m_dialupAvailable; }
    // The entry combo and its two check boxes.
    bool DialupControlsEnabled() const {
        return m_dialupAvailable && m_copy->m_directConnection == 0;
    }

    // Groups page. Operations on a row that does not exist do nothing and answer false.
    std::vector<SGroupRow> GroupRows() const;
    bool RemoveGroup(std::size_t row);
    bool SetGroupEnabled(std::size_t row, bool enabled);
    std::optional<SGroupEdit> GroupForEdit(std::size_t row) const;
    bool EditGroup(std::size_t row, const SGroupEdit& edit);

    // Criteria page.
    std::vector<std::array<std::string, 3>> CriteriaGroupRows() const;
    std::vector<std::array<std::string, 3>> ConditionRows(std::size_t group) const;
    bool AddCriteriaGroup(const SCriteriaGroupInput& input);
    std::optional<SCriteriaGroupInput> CriteriaGroupForEdit(std::size_t group) const;
    bool EditCriteriaGroup(std::size_t group, const SCriteriaGroupInput& input);
    bool RemoveCriteriaGroup(std::size_t group);
    bool AddCondition(std::size_t group, const SConditionInput& input);
    std::optional<SConditionInput> ConditionForEdit(std::size_t group, std::size_t row) const;
    bool EditCondition(std::size_t group, std::size_t row, const SConditionInput& input);
    bool RemoveCondition(std::size_t group, std::size_t row);

    // OK: the General values and the port go into the copy. Gives back the copy when the
    // sheet owns it (for CMainModel::ApplyOptions), null when it edits the caller's copy.
    std::unique_ptr<CSetup> Commit();

private:
    void Load();
    CCriteriaGroup* CriteriaGroupAt(std::size_t group) const;

    std::unique_ptr<CSetup> m_owned;
    CSetup* m_copy;
    bool m_dialupAvailable;
    std::vector<std::string> m_entries;
    SGeneralValues m_general;
    int m_port = 119;
};

}  // namespace corvane
