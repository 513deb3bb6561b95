#include "dialogs/wizard_model.h"

#include <algorithm>

#include "dialogs/newsgroup_chooser_model.h"
#include "dialogs/options_sheet_model.h"
#include "resources/string_table.h"

namespace corvane {

CWizardModel::CWizardModel(CSetup& current, bool dialupAvailable,
                           std::vector<std::string> dialupEntries)
    : m_setup(current), m_dialupAvailable(dialupAvailable), m_entries(std::move(dialupEntries)) {
    m_values.server = current.NewsServer();
    m_values.user = current.User();
    m_values.password = current.Password();
    m_values.requiresLogin = current.m_requiresLogin != 0;
    // A new user's server almost always listens on the standard port.
    m_values.port = 119;
    if (!m_dialupAvailable) m_setup.m_directConnection = 1;
}

bool CWizardModel::CanGoBack() const {
    return m_page != kIntro && !m_downloading;
}

bool CWizardModel::CanGoNext() const {
    return m_page < kDone && !m_downloading;
}

std::optional<int> CWizardModel::ForwardCheck() const {
    switch (m_page) {
        case kConnection:
            if (m_setup.m_directConnection == 0 && m_setup.DialUpEntry().empty())
                return kIdsChooseConnection;
            return std::nullopt;
        case kServer:
            if (m_values.server.empty()) return kIdsEnterNewsServer;
            return std::nullopt;
        case kDownload:
            if (m_downloading) return kIdsWaitForGroupList;
            return std::nullopt;
        case kSelectGroup:
            if (m_values.group.empty()) return kIdsEnterNewsGroup;
            return std::nullopt;
        default:
            return std::nullopt;
    }
}

std::optional<int> CWizardModel::Next() {
    if (m_page >= kDone) return std::nullopt;
    if (const std::optional<int> refusal = ForwardCheck()) return refusal;
    ++m_page;
    return std::nullopt;
}

void CWizardModel::Back() {
    if (CanGoBack()) --m_page;
}

void CWizardModel::SetDirectConnection(bool on) {
    if (m_dialupAvailable) m_setup.m_directConnection = on ? 1 : 0;
}

void CWizardModel::SetDialUpEntry(std::string entry) {
    if (m_dialupAvailable) m_setup.SetDialUpEntry(std::move(entry));
}

void CWizardModel::SetPort(int port) {
    m_values.port = std::clamp(port, kPortSpinRange.low, kPortSpinRange.high);
}

std::optional<SWizardValues> CWizardModel::StartDownload() {
    if (m_downloading) return std::nullopt;
    m_downloading = true;
    return m_values;
}

void CWizardModel::SetGroupNames(std::vector<std::string> names) {
    m_names = std::move(names);
    m_shown = m_names;
}

void CWizardModel::ApplyFilter(const std::string& filter) {
    m_shown = FilterGroupNames(m_names, filter);
}

void CWizardModel::ChooseShownGroup(std::size_t row) {
    if (row < m_shown.size()) m_values.group = m_shown[row];
}

}  // namespace corvane
