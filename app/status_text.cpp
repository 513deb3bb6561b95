#include "app/status_text.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace corvane {

namespace {

// The bytes the queue-time estimate assumes for every article line.
constexpr double kBytesPerLine = 62.0;
constexpr double kSlowestRate = 0.01;

template <typename... Args>
std::string Format(const char* format, Args... args) {
    const int length = std::snprintf(nullptr, 0, format, args...);
    if (length <= 0) return {};
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    std::snprintf(text.data(), text.size(), format, args...);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

std::string TimeOfDayText(const char* label, std::time_t moment) {
    std::tm local{};
    if (localtime_r(&moment, &local) == nullptr) return std::string(label) + "--:--:--";
    char text[16];
    std::strftime(text, sizeof text, "%H:%M:%S", &local);
    return std::string(label) + text;
}

}  // namespace

std::string CpsText(double bytesPerSecond) {
    return Format("cps: %06.0lf", bytesPerSecond);
}

std::string QueuedWorkText(long long items) {
    return Format("Queued Work: %.5lld", items);
}

std::string QueuedLinesText(long long lines) {
    return Format("Queued Lines: %.7lld", lines);
}

std::string StartTimeText(std::time_t moment) {
    return TimeOfDayText("Start time: ", moment);
}

std::string StopTimeText(std::time_t moment) {
    return TimeOfDayText("Stop time: ", moment);
}

std::string QueueTimeText(long long seconds) {
    if (seconds < 0) seconds = 0;
    const long long inDay = seconds % 86400;
    return Format("Queue time: %.2lld:%.2lld:%.2lld", inDay / 3600, (inDay % 3600) / 60,
                  inDay % 60);
}

std::optional<long long> QueueSeconds(long long queuedLines, double bytesPerSecond) {
    if (!(bytesPerSecond > kSlowestRate)) return std::nullopt;
    const double seconds =
        std::trunc(static_cast<double>(queuedLines) * kBytesPerLine / bytesPerSecond);
    // A long queue at a trickle can exceed any count of seconds; the pane shows the largest.
    constexpr double kMost = 9.2e18;
    if (seconds >= kMost) return std::numeric_limits<long long>::max();
    if (seconds <= -kMost) return std::numeric_limits<long long>::min();
    return static_cast<long long>(seconds);
}

}  // namespace corvane
