#include "dialogs/newsgroup_chooser_model.h"

#include <memory>

namespace corvane {

std::vector<std::string> FilterGroupNames(const std::vector<std::string>& names,
                                          const std::string& filter) {
    std::vector<std::string> shown;
    for (const std::string& name : names) {
        if (name.find(filter) != std::string::npos) shown.push_back(name);
    }
    return shown;
}

CNewsgroupChooserModel::CNewsgroupChooserModel(std::vector<std::string> known)
    : m_known(std::move(known)), m_shown(m_known) {}

void CNewsgroupChooserModel::SetFilter(const std::string& filter) {
    m_shown = FilterGroupNames(m_known, filter);
}

void CNewsgroupChooserModel::Pick(std::size_t shownRow) {
    if (shownRow < m_shown.size()) m_name = m_shown[shownRow];
}

void CNewsgroupChooserModel::SetType(std::int32_t type) {
    // Only the two types the radio buttons offer; anything else keeps the current choice.
    if (type == CSetupGroup::kTypeText || type == CSetupGroup::kTypeAttachment) m_type = type;
}

bool CNewsgroupChooserModel::Accept(CSetup& setup) const {
    if (!CanAccept()) return false;
    auto group = std::make_unique<CSetupGroup>();
    group->SetName(m_name);
    group->m_enabled = 1;
    group->m_type = m_type;
    group->SetRelativePath(m_relativePath);
    setup.m_groups.push_back(std::move(group));
    return true;
}

}  // namespace corvane
