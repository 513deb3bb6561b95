#pragma once
// The newsgroup chooser behind the Groups page's Add: the name the user types or picks from
// the known newsgroups, the group's type and its relative path. It owns only these working
// values; Accept appends the new group to the setup it is given (the Options sheet's copy).
// Main thread only. Also the name filter the wizard's group page shares.
#include <cstdint>
#include <string>
#include <vector>

#include "setup/setup.h"

namespace corvane {

// The names that contain `filter`, byte for byte (case-sensitive), in their given order.
std::vector<std::string> FilterGroupNames(const std::vector<std::string>& names,
                                          const std::string& filter);

class CNewsgroupChooserModel {
public:
    // `known` are the names the user may pick from (possibly none: the name is then typed).
    explicit CNewsgroupChooserModel(std::vector<std::string> known = {});

    void SetFilter(const std::string& filter);
    const std::vector<std::string>& Shown() const { return m_shown; }
    // Picking a listed name puts it in the name edit; a row that is not shown picks nothing.
    void Pick(std::size_t shownRow);

    void SetName(std::string name) { m_name = std::move(name); }
    const std::string& Name() const { return m_name; }
    void SetType(std::int32_t type);
    std::int32_t Type() const { return m_type; }
    void SetRelativePath(std::string path) { m_relativePath = std::move(path); }
    const std::string& RelativePath() const { return m_relativePath; }

    // A group needs a name; nothing else can be wrong.
    bool CanAccept() const { return !m_name.empty(); }
    // Appends an enabled group with the chosen values; false (and nothing added) without a name.
    bool Accept(CSetup& setup) const;

private:
    std::vector<std::string> m_known;
    std::vector<std::string> m_shown;
    std::string m_name;
    std::int32_t m_type = CSetupGroup::kTypeAttachment;
    std::string m_relativePath;
};

}  // namespace corvane
