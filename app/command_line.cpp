#include "app/command_line.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>

namespace corvane {
namespace {

constexpr std::string_view kAuto = "auto";
constexpr std::string_view kNoGui = "nogui";
constexpr std::string_view kDelayStart = "S:";
constexpr std::string_view kShutDown = "F:";

std::optional<uint32_t> ParseSeconds(std::string_view digits) {
    if (digits.empty()) return std::nullopt;
    uint64_t value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<uint64_t>(c - '0');
        // Checked at every digit, so a long run of digits cannot wrap the 64-bit sum either.
        if (value > std::numeric_limits<uint32_t>::max()) return std::nullopt;
    }
    return static_cast<uint32_t>(value);
}

bool NamesSwitch(std::string_view name) {
    return name == kAuto || name == kNoGui || name.starts_with(kDelayStart) ||
           name.starts_with(kShutDown);
}

void ApplySwitch(std::string_view name, SCommandLine& line) {
    if (name == kAuto) {
        line.autoRequested = true;
        line.autoStartPending = true;
    } else if (name == kNoGui) {
        line.noGui = true;
    } else if (name.starts_with(kDelayStart)) {
        if (const auto seconds = ParseSeconds(name.substr(kDelayStart.size()))) {
            line.delayStartPresent = true;
            line.delayStartSeconds = *seconds;
        }
    } else if (name.starts_with(kShutDown)) {
        if (const auto seconds = ParseSeconds(name.substr(kShutDown.size()))) {
            line.shutDownPresent = true;
            line.shutDownSeconds = *seconds;
        }
    }
}

std::int32_t ToSetupSeconds(uint32_t seconds) {
    return static_cast<std::int32_t>(
        std::min<uint32_t>(seconds, std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

SCommandLine ParseCommandLine(const std::vector<std::string>& args) {
    SCommandLine line;
    for (const std::string& arg : args) {
        if (arg.empty()) continue;
        const std::string_view name = std::string_view(arg).substr(1);
        if (arg.front() == '-' || (arg.front() == '/' && NamesSwitch(name))) {
            ApplySwitch(name, line);
        } else {
            line.fileName = arg;
        }
    }
    return line;
}

void ApplySwitches(const SCommandLine& commandLine, CSetup& setup) {
    if (commandLine.delayStartPresent) {
        setup.m_delayStartSeconds = ToSetupSeconds(commandLine.delayStartSeconds);
        setup.m_delayStart = commandLine.delayStartSeconds != 0 ? 1 : 0;
    }
    if (commandLine.shutDownPresent) {
        setup.m_shutDownAfterSeconds = ToSetupSeconds(commandLine.shutDownSeconds);
        setup.m_shutDownMode = commandLine.shutDownSeconds == 0 ? CSetup::kShutDownWhenIdle
                                                                : CSetup::kShutDownAfterTime;
    }
}

}  // namespace corvane
