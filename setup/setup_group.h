#pragma once
// One newsgroup of a setup: its name, whether "Do All Groups" takes it, whether its articles
// start out as attachments or text, the sub-directory its files go to, and how far its
// headers have been taken in. A plain record of the setup document, owned by the setup's
// group list; main thread only. The header work item gets copies of these values, never the
// record.
#include <cstdint>
#include <string>
#include <string_view>

#include "setup/archive.h"

namespace corvane {

class CSetupGroup : public CSerializable {
public:
    static constexpr std::uint16_t kSchema = 4;

    static constexpr std::int32_t kTypeText = 0;
    static constexpr std::int32_t kTypeAttachment = 1;

    CSetupGroup() = default;
    CSetupGroup(const CSetupGroup&) = default;
    CSetupGroup& operator=(const CSetupGroup&) = default;

    std::string_view ClassName() const override { return "CSetupGroup"; }
    std::uint16_t Schema() const override { return kSchema; }
    void Serialize(CArchive& ar) override;

    const std::string& Name() const { return m_name; }
    void SetName(std::string name) { m_name = std::move(name); }
    const std::string& RelativePath() const { return m_relativePath; }
    void SetRelativePath(std::string path) { m_relativePath = std::move(path); }

    // A group read from a file keeps its saved state; the user and the wizard enable the
    // groups they add themselves.
    std::int32_t m_enabled = 0;
    std::int32_t m_type = kTypeAttachment;
    std::int32_t m_highestArticle = 0;  // raised by intake, zeroed by Reset

private:
    std::string m_name;
    std::string m_relativePath;  // below the setup's save path
};

}  // namespace corvane
