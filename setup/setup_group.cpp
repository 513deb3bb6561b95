#include "setup/setup_group.h"

namespace corvane {

void CSetupGroup::Serialize(CArchive& ar) {
    const std::uint16_t schema = ar.IsStoring() ? kSchema : ar.Schema();
    ar.Transfer(m_enabled);
    ar.Transfer(m_name);
    // Before groups had a type every group collected attachments.
    if (schema >= 2)
        ar.Transfer(m_type);
    else
        m_type = kTypeAttachment;
    if (schema >= 3)
        ar.Transfer(m_relativePath);
    else
        m_relativePath.clear();
    // A group saved before the mark existed has taken nothing in yet as far as it knows.
    if (schema >= 4)
        ar.Transfer(m_highestArticle);
    else
        m_highestArticle = 0;
}

}  // namespace corvane
