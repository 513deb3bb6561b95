#include "setup/msg_details.h"

#include <chrono>

namespace corvane {

CMsgDetails::CMsgDetails()
    : m_time(static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::seconds>(
                                            std::chrono::system_clock::now().time_since_epoch())
                                            .count())) {}

void CMsgDetails::Serialize(CArchive& ar) {
    ar.Transfer(m_time);
}

std::uint32_t CMsgDetails::AgeInDays(std::uint32_t now) const {
    return now > m_time ? (now - m_time) / kSecondsPerDay : 0;
}

}  // namespace corvane
