#include "app/startup_checks.h"

#include <QtGlobal>
#include <charconv>

#include "app/settings_keys.h"

namespace corvane {
namespace {

constexpr uint32_t kMaxMajor = 0xff;
constexpr uint32_t kMaxMinor = 0xff;
constexpr uint32_t kMaxBuild = 0xffff;

// One dot-separated part: digits only, at most `limit`. Moves `text` past the part and its dot.
std::optional<uint32_t> TakePart(std::string_view& text, uint32_t limit) {
    const size_t dot = text.find('.');
    const std::string_view part = text.substr(0, dot);
    text = dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
    if (part.empty()) return std::nullopt;
    uint32_t value = 0;
    const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
    if (error != std::errc() || end != part.data() + part.size() || value > limit) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

bool ShouldShowControlsWarning(uint32_t packed, ISettingsStore& settings) {
    if (packed >= kWantedControlsVersion) return false;
    return settings.ReadInt(kSectionData, kKeyShowWarn1, kDefaultShowWarn1) != 0;
}

void RecordControlsWarningAnswer(bool dontShowAgain, ISettingsStore& settings) {
    settings.WriteInt(kSectionData, kKeyShowWarn1, dontShowAgain ? 0 : 1);
}

std::optional<uint32_t> ParsePackedVersion(std::string_view text) {
    if (text.empty() || text.back() == '.') return std::nullopt;
    const auto major = TakePart(text, kMaxMajor);
    if (!major) return std::nullopt;
    uint32_t minor = 0;
    uint32_t build = 0;
    if (!text.empty()) {
        const auto part = TakePart(text, kMaxMinor);
        if (!part) return std::nullopt;
        minor = *part;
    }
    if (!text.empty()) {
        const auto part = TakePart(text, kMaxBuild);
        if (!part || !text.empty()) return std::nullopt;
        build = *part;
    }
    return PackVersion(*major, minor, build);
}

uint32_t RunningToolkitVersion() {
    if (const char* running = qVersion()) {
        if (const auto packed = ParsePackedVersion(running)) return *packed;
    }
    return PackVersion(QT_VERSION_MAJOR, QT_VERSION_MINOR, QT_VERSION_PATCH);
}

}  // namespace corvane
