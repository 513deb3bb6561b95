#include "app/auto_settings.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>

namespace corvane {

namespace {

constexpr bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The digits from text[at] on, stopping at the first other character; values past limit are
// held at limit + 1, which is enough to refuse them without overflowing.
int ReadNumber(std::string_view text, std::size_t at, int limit) {
    int value = 0;
    for (; at < text.size() && IsDigit(text[at]); ++at) {
        value = value * 10 + (text[at] - '0');
        if (value > limit) return limit + 1;
    }
    return value;
}

std::int32_t Flag(bool on) {
    return on ? 1 : 0;
}

}  // namespace

std::string FormatTimeField(int seconds) {
    char text[48];
    std::snprintf(text, sizeof text, "%.2d:%.2d:%.2d", seconds / 3600, (seconds % 3600) / 60,
                  seconds % 60);
    return text;
}

std::optional<int> ParseTimeField(std::string_view text) {
    text = text.substr(0, std::min(text.size(), kTimeFieldMaxChars));
    if (text.size() < 8 || text[2] != ':' || text[5] != ':') return std::nullopt;
    constexpr std::size_t kDigitsAt[] = {0, 1, 3, 4, 6, 7};
    for (std::size_t at : kDigitsAt)
        if (!IsDigit(text[at])) return std::nullopt;
    const int hours = ReadNumber(text, 0, 23);
    const int minutes = ReadNumber(text, 3, 59);
    const int seconds = ReadNumber(text, 6, 59);
    if (hours > 23 || minutes > 59 || seconds > 59) return std::nullopt;
    return hours * 3600 + minutes * 60 + seconds;
}

CAutoDialogModel::CAutoDialogModel(const CSetup& setup, bool dialupConnected)
    : m_hangUpEnabled(dialupConnected) {
    m_opened.autoHangUp = setup.m_autoHangUp;
    m_opened.delayStart = setup.m_delayStart;
    m_opened.delayStartSeconds = setup.m_delayStartSeconds;
    m_opened.shutDownMode = setup.m_shutDownMode;
    m_opened.shutDownAfterSeconds = setup.m_shutDownAfterSeconds;
    m_opened.autoQueueArticles = setup.m_autoQueueArticles;
    m_opened.processArticlesBeforeGroups = setup.m_processArticlesBeforeGroups;
    m_opened.hideWhileDownloading = setup.m_hideWhileDownloading;
    m_opened.queueEverythingOnEngage = setup.m_queueEverythingOnEngage;
    m_accepted = m_opened;

    m_controls.hangUpWhenFinished = m_opened.autoHangUp != 0;
    m_controls.delayStart = m_opened.delayStart != 0;
    m_controls.delayStartTime = FormatTimeField(m_opened.delayStartSeconds);
    m_controls.shutDownMode = m_opened.shutDownMode;
    m_controls.shutDownAfterTime = FormatTimeField(m_opened.shutDownAfterSeconds);
    m_controls.autoQueueArticles = m_opened.autoQueueArticles != 0;
    m_controls.processArticlesBeforeGroups = m_opened.processArticlesBeforeGroups != 0;
    m_controls.hideWhileDownloading = m_opened.hideWhileDownloading != 0;
    m_controls.queueEverythingOnEngage = m_opened.queueEverythingOnEngage != 0;
}

std::optional<STimeFieldError> CAutoDialogModel::Accept() {
    if (!IsOpen()) return std::nullopt;
    const std::optional<int> delay = ParseTimeField(m_controls.delayStartTime);
    if (!delay) return STimeFieldError{ETimeField::kDelayStart};
    const std::optional<int> shutDown = ParseTimeField(m_controls.shutDownAfterTime);
    if (!shutDown) return STimeFieldError{ETimeField::kShutDownAfter};

    SValues taken = m_opened;
    if (m_hangUpEnabled) taken.autoHangUp = Flag(m_controls.hangUpWhenFinished);
    taken.delayStart = Flag(m_controls.delayStart);
    taken.delayStartSeconds = *delay;
    taken.shutDownMode = m_controls.shutDownMode;
    taken.shutDownAfterSeconds = *shutDown;
    taken.autoQueueArticles = Flag(m_controls.autoQueueArticles);
    taken.processArticlesBeforeGroups = Flag(m_controls.processArticlesBeforeGroups);
    taken.queueEverythingOnEngage = Flag(m_controls.queueEverythingOnEngage);
    m_accepted = taken;
    return std::nullopt;
}

std::optional<STimeFieldError> CAutoDialogModel::Press(EAutoResult button) {
    if (!IsOpen()) return std::nullopt;
    if (button == EAutoResult::kEscape) {
        m_accepted = m_opened;
        m_result = button;
        return std::nullopt;
    }
    if (auto error = Accept()) return error;
    m_result = button;
    return std::nullopt;
}

void CAutoDialogModel::ApplyTo(CSetup& setup) const {
    setup.m_autoHangUp = m_accepted.autoHangUp;
    setup.m_delayStart = m_accepted.delayStart;
    setup.m_delayStartSeconds = m_accepted.delayStartSeconds;
    setup.m_shutDownMode = m_accepted.shutDownMode;
    setup.m_shutDownAfterSeconds = m_accepted.shutDownAfterSeconds;
    setup.m_autoQueueArticles = m_accepted.autoQueueArticles;
    setup.m_processArticlesBeforeGroups = m_accepted.processArticlesBeforeGroups;
    setup.m_hideWhileDownloading = m_accepted.hideWhileDownloading;
    setup.m_queueEverythingOnEngage = m_accepted.queueEverythingOnEngage;
}

}  // namespace corvane
