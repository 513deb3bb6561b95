#include "setup/criteria.h"

#include <array>

namespace corvane {

namespace {

// Looks a code up in a table of texts indexed by code; codes outside it have no text, so a
// rule from a newer or damaged file still shows (blank) instead of failing.
template <std::size_t N>
std::string_view TextOf(const std::array<std::string_view, N>& texts, std::int32_t code) {
    if (code < 0 || static_cast<std::size_t>(code) >= N) return {};
    return texts[static_cast<std::size_t>(code)];
}

}  // namespace

void CCriteria::Serialize(CArchive& ar) {
    ar.Transfer(m_field);
    ar.Transfer(m_operator);
    ar.Transfer(m_value);
}

std::string_view CCriteria::FieldText(std::int32_t field) {
    static constexpr std::array<std::string_view, 8> kTexts = {
        "Subject", "Lines", "Sender", "Origin", "Author", "Newsgroup", "No. Groups", "Filename",
    };
    return TextOf(kTexts, field);
}

std::string_view CCriteria::OperatorText(std::int32_t op) {
    static constexpr std::array<std::string_view, 16> kTexts = {
        "=",
        "Not =",
        ">",
        ">=",
        "<",
        "<=",
        "Contains",
        "Not Contains",
        "= Ignore case",
        "Not = Ignore case",
        "Contains Ignore case",
        "Not Contains Ignore case",
        "Begins with",
        "Ends with",
        "Begins with (ignore case)",
        "Ends with (ignore case)",
    };
    return TextOf(kTexts, op);
}

CCriteriaGroup::CCriteriaGroup(const CCriteriaGroup& other)
    : CSerializable(other), m_action(other.m_action), m_name(other.m_name), m_logic(other.m_logic) {
    m_criteria.reserve(other.m_criteria.size());
    for (const auto& criteria : other.m_criteria)
        m_criteria.push_back(std::make_unique<CCriteria>(*criteria));
}

void CCriteriaGroup::Serialize(CArchive& ar) {
    const std::uint16_t schema = ar.IsStoring() ? kSchema : ar.Schema();
    ar.Transfer(m_action);
    ar.Transfer(m_name);
    // Rules saved before the choice existed all combined their conditions with And.
    if (schema >= 2)
        ar.Transfer(m_logic);
    else
        m_logic = kLogicAnd;
    ar.SerializeList(m_criteria);
}

std::string_view CCriteriaGroup::ActionText(std::int32_t action) {
    static constexpr std::array<std::string_view, 7> kTexts = {
        "Include",       "Exclude",       "Attachment",   "Text",
        "High Priority", "Med. Priority", "Low Priority",
    };
    return TextOf(kTexts, action);
}

}  // namespace corvane
