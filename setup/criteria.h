#pragma once
// The selection rules of a setup. A CCriteria is one condition (which article value, how it
// is compared, with what); a CCriteriaGroup is one named rule that owns its conditions and
// says what a match does. Both are plain records of the setup document: main thread only,
// owned by the setup (or, while the Options sheet is open, by its copy of the setup); copies
// are deep, so no condition is ever shared between two setups. How a rule is evaluated
// belongs to the article selection, not here.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "setup/archive.h"

namespace corvane {

class CCriteria : public CSerializable {
public:
    static constexpr std::uint16_t kSchema = 1;

    // Field codes: which article value is tested. Lines and No. Groups compare as numbers.
    static constexpr std::int32_t kFieldSubject = 0;
    static constexpr std::int32_t kFieldLines = 1;
    static constexpr std::int32_t kFieldSender = 2;
    static constexpr std::int32_t kFieldOrigin = 3;
    static constexpr std::int32_t kFieldAuthor = 4;
    static constexpr std::int32_t kFieldNewsgroup = 5;
    static constexpr std::int32_t kFieldGroupCount = 6;
    static constexpr std::int32_t kFieldFilename = 7;

    CCriteria() = default;
    CCriteria(std::int32_t field, std::int32_t op, std::string value)
        : m_field(field), m_operator(op), m_value(std::move(value)) {}
    CCriteria(const CCriteria&) = default;
    CCriteria& operator=(const CCriteria&) = default;

    std::string_view ClassName() const override { return "CCriteria"; }
    std::uint16_t Schema() const override { return kSchema; }
    void Serialize(CArchive& ar) override;

    // Texts of the Criteria page; a code the page does not know shows as an empty text.
    static std::string_view FieldText(std::int32_t field);
    static std::string_view OperatorText(std::int32_t op);

    std::int32_t m_field = -1;
    std::int32_t m_operator = -1;
    std::string m_value;  // as typed; numeric fields parse it when evaluated
};

class CCriteriaGroup : public CSerializable {
public:
    static constexpr std::uint16_t kSchema = 2;

    static constexpr std::int32_t kActionInclude = 0;
    static constexpr std::int32_t kActionExclude = 1;
    static constexpr std::int32_t kActionAttachment = 2;
    static constexpr std::int32_t kActionText = 3;
    static constexpr std::int32_t kActionHighPriority = 4;
    static constexpr std::int32_t kActionMediumPriority = 5;
    static constexpr std::int32_t kActionLowPriority = 6;

    static constexpr std::int32_t kLogicAnd = 0;
    static constexpr std::int32_t kLogicOr = 1;

    CCriteriaGroup() = default;
    CCriteriaGroup(std::string name, std::int32_t action, std::int32_t logic)
        : m_action(action), m_name(std::move(name)), m_logic(logic) {}
    // Deep: the copy owns copies of the conditions, never the conditions themselves.
    CCriteriaGroup(const CCriteriaGroup& other);
    CCriteriaGroup& operator=(const CCriteriaGroup&) = delete;

    std::string_view ClassName() const override { return "CCriteriaGroup"; }
    std::uint16_t Schema() const override { return kSchema; }
    void Serialize(CArchive& ar) override;

    static std::string_view ActionText(std::int32_t action);

    std::vector<std::unique_ptr<CCriteria>> m_criteria;  // in evaluation order
    std::int32_t m_action = kActionInclude;
    std::string m_name;
    std::int32_t m_logic = kLogicAnd;
};

}  // namespace corvane
