#include "dialogs/options_sheet_model.h"

#include <algorithm>
#include <cctype>

#include "resources/string_table.h"

namespace corvane {

const std::array<SSheetColumn, 3> kSheetGroupColumns = {{
    {kIdsColumnNewsGroup, {"cwSGroup", 260}},
    {kIdsColumnStatus, {"cwSStatus", 120}},
    {kIdsColumnRelPath, {"cwSRelpath", 80}},
}};
const std::array<SSheetColumn, 3> kSheetCriteriaGroupColumns = {{
    {kIdsColumnCriteriaName, {"cwCGName", 85}},
    {kIdsColumnCriteriaAction, {"cwCGAction", 55}},
    {kIdsColumnCriteriaLogic, {"cwCGLogic", 55}},
}};
const std::array<SSheetColumn, 3> kSheetConditionColumns = {{
    {kIdsColumnField, {"cwCField", 120}},
    {kIdsColumnOperator, {"cwCOperator", 120}},
    {kIdsColumnValue, {"cwCValue", 120}},
}};

namespace {

constexpr std::int32_t kActionCount = 7;
constexpr std::int32_t kFieldCount = 8;
constexpr std::int32_t kOperatorCount = 16;
// No integer of interest here is longer; a longer text is no integer in range.
constexpr std::size_t kMaxIntegerText = 32;

int Clamp(int value, SRange range) {
    return std::clamp(value, range.low, range.high);
}

}  // namespace

std::string IntegerRangeMessage(SRange range) {
    return "Please enter an integer between " + std::to_string(range.low) + " and " +
           std::to_string(range.high) + ".";
}

std::optional<int> ParseIntegerIn(const std::string& text, SRange range) {
    if (text.size() > kMaxIntegerText) return std::nullopt;
    std::size_t at = 0;
    while (at < text.size() && text[at] == ' ') ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) negative = text[at++] == '-';
    long long value = 0;
    std::size_t digits = 0;
    while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) {
        value = value * 10 + (text[at++] - '0');
        if (value > 1'000'000'000LL) return std::nullopt;
        ++digits;
    }
    while (at < text.size() && text[at] == ' ') ++at;
    if (digits == 0 || at != text.size()) return std::nullopt;
    if (negative) value = -value;
    if (value < range.low || value > range.high) return std::nullopt;
    return static_cast<int>(value);
}

bool CriteriaGroupAcceptable(const SCriteriaGroupInput& input) {
    return input.action >= 0 && input.action < kActionCount && !input.name.empty() &&
           (input.logic == CCriteriaGroup::kLogicAnd || input.logic == CCriteriaGroup::kLogicOr);
}

bool ConditionAcceptable(const SConditionInput& input) {
    return input.field >= 0 && input.field < kFieldCount && input.op >= 0 &&
           input.op < kOperatorCount;
}

std::string_view GroupStatusText(std::int32_t enabled) {
    return enabled != 0 ? "Enabled" : "Disabled";
}

std::string_view LogicText(std::int32_t logic) {
    if (logic == CCriteriaGroup::kLogicAnd) return "And";
    if (logic == CCriteriaGroup::kLogicOr) return "Or";
    return "";
}

std::string_view GroupTypeText(std::int32_t type) {
    return ResourceString(type == CSetupGroup::kTypeText ? kIdsGroupTypeText
                                                         : kIdsGroupTypeAttachment);
}

COptionsSheetModel::COptionsSheetModel(std::unique_ptr<CSetup> copy, bool dialupAvailable,
                                       std::vector<std::string> dialupEntries)
    : m_owned(std::move(copy)),
      m_copy(m_owned.get()),
      m_dialupAvailable(dialupAvailable),
      m_entries(std::move(dialupEntries)) {
    Load();
}

COptionsSheetModel::COptionsSheetModel(CSetup& copy, bool dialupAvailable,
                                       std::vector<std::string> dialupEntries)
    : m_copy(&copy), m_dialupAvailable(dialupAvailable), m_entries(std::move(dialupEntries)) {
    Load();
}

void COptionsSheetModel::Load() {
    const CSetup& s = *m_copy;
    m_general.overwrite = s.m_overwrite != 0;
    m_general.giveUpLines = Clamp(s.m_giveUpLines, kGiveUpLinesRange);
    m_general.autoSaveMinutes = Clamp(s.m_autoSaveMinutes, kAutoSaveMinutesRange);
    m_general.crosspostsOnce = s.m_crosspostsOnce != 0;
    m_general.byArticleNumber = s.m_byArticleNumber != 0;
    m_general.showThumbnails = s.m_showThumbnails != 0;
    m_general.useFileDatabase = s.m_useFileDatabase != 0;
    m_general.logDownloads = s.m_logDownloads != 0;
    m_general.timeOutMinutes = Clamp(s.m_timeOutMinutes, kTimeOutMinutesRange);
    m_port = Clamp(s.m_port, kPortTypedRange);
    // Nothing here can dial, so every connection the copy makes is a direct one.
    if (!m_dialupAvailable) m_copy->m_directConnection = 1;
}

void COptionsSheetModel::SetGeneral(const SGeneralValues& values) {
    m_general = values;
    m_general.giveUpLines = Clamp(values.giveUpLines, kGiveUpLinesRange);
    m_general.autoSaveMinutes = Clamp(values.autoSaveMinutes, kAutoSaveMinutesRange);
    m_general.timeOutMinutes = Clamp(values.timeOutMinutes, kTimeOutMinutesRange);
}

std::optional<std::string> COptionsSheetModel::SetPortText(const std::string& text) {
    const std::optional<int> port = ParseIntegerIn(text, kPortTypedRange);
    if (!port) return IntegerRangeMessage(kPortTypedRange);
    m_port = *port;
    return std::nullopt;
}

int COptionsSheetModel::SelectedEntryRow() const {
    const std::string entry = m_copy->DialUpEntry();
    const auto it = std::find(m_entries.begin(), m_entries.end(), entry);
    return it == m_entries.end() ? -1 : static_cast<int>(it - m_entries.begin());
}

void COptionsSheetModel::SetDirectConnection(bool on) {
    if (!m_dialupAvailable) return;  // stays forced on
    m_copy->m_directConnection = on ? 1 : 0;
}

void COptionsSheetModel::SetDialUpEntry(std::string entry) {
    if (m_dialupAvailable) m_copy->SetDialUpEntry(std::move(entry));
}

std::vector<SGroupRow> COptionsSheetModel::GroupRows() const {
    std::vector<SGroupRow> rows;
    for (const auto& group : m_copy->m_groups) {
        rows.push_back({group->Name(), std::string(GroupStatusText(group->m_enabled)),
                        group->RelativePath(), group->m_type});
    }
    return rows;
}

bool COptionsSheetModel::RemoveGroup(std::size_t row) {
    auto& groups = m_copy->m_groups;
    if (row >= groups.size()) return false;
    groups.erase(groups.begin() + static_cast<std::ptrdiff_t>(row));
    return true;
}

bool COptionsSheetModel::SetGroupEnabled(std::size_t row, bool enabled) {
    if (row >= m_copy->m_groups.size()) return false;
    m_copy->m_groups[row]->m_enabled = enabled ? 1 : 0;
    return true;
}

std::optional<SGroupEdit> COptionsSheetModel::GroupForEdit(std::size_t row) const {
    if (row >= m_copy->m_groups.size()) return std::nullopt;
    const CSetupGroup& group = *m_copy->m_groups[row];
    return SGroupEdit{group.Name(), group.m_type, group.RelativePath()};
}

bool COptionsSheetModel::EditGroup(std::size_t row, const SGroupEdit& edit) {
    if (row >= m_copy->m_groups.size()) return false;
    CSetupGroup& group = *m_copy->m_groups[row];
    group.SetName(edit.name);
    group.m_type =
        edit.type == CSetupGroup::kTypeText ? CSetupGroup::kTypeText : CSetupGroup::kTypeAttachment;
    group.SetRelativePath(edit.relativePath);
    return true;
}

CCriteriaGroup* COptionsSheetModel::CriteriaGroupAt(std::size_t group) const {
    auto& groups = m_copy->m_criteriaGroups;
    return group < groups.size() ? groups[group].get() : nullptr;
}

std::vector<std::array<std::string, 3>> COptionsSheetModel::CriteriaGroupRows() const {
    std::vector<std::array<std::string, 3>> rows;
    for (const auto& group : m_copy->m_criteriaGroups) {
        rows.push_back({group->m_name, std::string(CCriteriaGroup::ActionText(group->m_action)),
                        std::string(LogicText(group->m_logic))});
    }
    return rows;
}

std::vector<std::array<std::string, 3>> COptionsSheetModel::ConditionRows(std::size_t group) const {
    std::vector<std::array<std::string, 3>> rows;
    if (const CCriteriaGroup* g = CriteriaGroupAt(group)) {
        for (const auto& c : g->m_criteria) {
            rows.push_back({std::string(CCriteria::FieldText(c->m_field)),
                            std::string(CCriteria::OperatorText(c->m_operator)), c->m_value});
        }
    }
    return rows;
}

bool COptionsSheetModel::AddCriteriaGroup(const SCriteriaGroupInput& input) {
    if (!CriteriaGroupAcceptable(input)) return false;
    m_copy->m_criteriaGroups.push_back(
        std::make_unique<CCriteriaGroup>(input.name, input.action, input.logic));
    return true;
}

std::optional<SCriteriaGroupInput> COptionsSheetModel::CriteriaGroupForEdit(
    std::size_t group) const {
    const CCriteriaGroup* g = CriteriaGroupAt(group);
    if (g == nullptr) return std::nullopt;
    return SCriteriaGroupInput{g->m_name, g->m_action, g->m_logic};
}

bool COptionsSheetModel::EditCriteriaGroup(std::size_t group, const SCriteriaGroupInput& input) {
    CCriteriaGroup* g = CriteriaGroupAt(group);
    if (g == nullptr || !CriteriaGroupAcceptable(input)) return false;
    g->m_name = input.name;
    g->m_action = input.action;
    g->m_logic = input.logic;
    return true;
}

bool COptionsSheetModel::RemoveCriteriaGroup(std::size_t group) {
    auto& groups = m_copy->m_criteriaGroups;
    if (group >= groups.size()) return false;
    groups.erase(groups.begin() + static_cast<std::ptrdiff_t>(group));
    return true;
}

bool COptionsSheetModel::AddCondition(std::size_t group, const SConditionInput& input) {
    CCriteriaGroup* g = CriteriaGroupAt(group);
    if (g == nullptr || !ConditionAcceptable(input)) return false;
    g->m_criteria.push_back(std::make_unique<CCriteria>(input.field, input.op, input.value));
    return true;
}

std::optional<SConditionInput> COptionsSheetModel::ConditionForEdit(std::size_t group,
                                                                    std::size_t row) const {
    const CCriteriaGroup* g = CriteriaGroupAt(group);
    if (g == nullptr || row >= g->m_criteria.size()) return std::nullopt;
    const CCriteria& c = *g->m_criteria[row];
    return SConditionInput{c.m_field, c.m_operator, c.m_value};
}

bool COptionsSheetModel::EditCondition(std::size_t group, std::size_t row,
                                       const SConditionInput& input) {
    CCriteriaGroup* g = CriteriaGroupAt(group);
    if (g == nullptr || row >= g->m_criteria.size() || !ConditionAcceptable(input)) return false;
    CCriteria& c = *g->m_criteria[row];
    c.m_field = input.field;
    c.m_operator = input.op;
    c.m_value = input.value;
    return true;
}

bool COptionsSheetModel::RemoveCondition(std::size_t group, std::size_t row) {
    CCriteriaGroup* g = CriteriaGroupAt(group);
    if (g == nullptr || row >= g->m_criteria.size()) return false;
    g->m_criteria.erase(g->m_criteria.begin() + static_cast<std::ptrdiff_t>(row));
    return true;
}

std::unique_ptr<CSetup> COptionsSheetModel::Commit() {
    CSetup& s = *m_copy;
    s.m_overwrite = m_general.overwrite ? 1 : 0;
    s.m_giveUpLines = m_general.giveUpLines;
    s.m_autoSaveMinutes = m_general.autoSaveMinutes;
    s.m_crosspostsOnce = m_general.crosspostsOnce ? 1 : 0;
    s.m_byArticleNumber = m_general.byArticleNumber ? 1 : 0;
    s.m_showThumbnails = m_general.showThumbnails ? 1 : 0;
    s.m_useFileDatabase = m_general.useFileDatabase ? 1 : 0;
    s.m_logDownloads = m_general.logDownloads ? 1 : 0;
    s.m_timeOutMinutes = m_general.timeOutMinutes;
    s.m_port = m_port;
    return std::move(m_owned);
}

}  // namespace corvane
