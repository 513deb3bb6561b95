#pragma once
// One remembered message-ID's record: when it was made. The message-ID map of the main window
// owns these (keyed by message-ID) and drops the old ones after a load. Main thread only.
#include <cstdint>
#include <string_view>

#include "setup/archive.h"

namespace corvane {

class CMsgDetails : public CSerializable {
public:
    static constexpr std::uint16_t kSchema = 1;
    static constexpr std::uint32_t kSecondsPerDay = 86400;

    // Stamped with the current time, as an entry made now.
    CMsgDetails();
    explicit CMsgDetails(std::uint32_t time) : m_time(time) {}

    std::string_view ClassName() const override { return "CMsgDetails"; }
    std::uint16_t Schema() const override { return kSchema; }
    void Serialize(CArchive& ar) override;

    // Seconds since 1970-01-01 00:00 UTC.
    std::uint32_t Time() const { return m_time; }
    void SetTime(std::uint32_t time) { m_time = time; }
    // Whole days between the entry and now, the remainder dropped; an entry stamped in the
    // future (a clock set back) is 0 days old rather than ancient.
    std::uint32_t AgeInDays(std::uint32_t now) const;

private:
    std::uint32_t m_time;
};

}  // namespace corvane
