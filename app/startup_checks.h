#pragma once
// The start-up check on the user-interface toolkit: when the library the program runs with is
// older than the version it was made for, a warning offers newer copies, unless the user ticked
// "Don't show this again" at an earlier start. The version is passed in, packed as
// (major << 24) + (minor << 16) + build, so the decision is tested without the library; the
// GUI reports the version it runs with through RunningToolkitVersion() and shows the dialog
// with the texts below. Main thread, at start, before the main window exists.
//
// The file index needs no wrapper here: CFileIndex::Open already creates, checks and repairs
// the index and shows its messages; when it returns false the caller ends the program at once.
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/settings_store.h"

namespace corvane {

constexpr uint32_t PackVersion(uint32_t major, uint32_t minor, uint32_t build) {
    return (major << 24) + (minor << 16) + build;
}

// A library that cannot say its version counts as this old one, so it gets the warning.
inline constexpr uint32_t kVersionEntryMissing = PackVersion(4, 0, 950);
// Below this the warning is shown.
inline constexpr uint32_t kWantedControlsVersion = PackVersion(4, 70, 0);

// The answer to "is the warning due": the version is too old and the user has not turned it
// off. The setting is read only when the version is too old.
bool ShouldShowControlsWarning(uint32_t packed, ISettingsStore& settings);
// Right after the dialog closes: 0 when "Don't show this again" was ticked, 1 when clear.
void RecordControlsWarningAnswer(bool dontShowAgain, ISettingsStore& settings);

// "major.minor.build" (missing trailing parts count as 0) packed; nothing when the text is not
// such a version or a part does not fit its place (major and minor 0-255, build 0-65535).
std::optional<uint32_t> ParsePackedVersion(std::string_view text);
// The version of the toolkit library this process runs with (its run-time version string; the
// version it was built against when that string cannot be read), packed.
uint32_t RunningToolkitVersion();

// The dialog: its title and check box are fixed; the links open in the default handler.
inline constexpr const char* kControlsWarningTitle = "Warning!";
inline constexpr const char* kControlsWarningText =
    "The Qt library installed on this system is older than the one Corvane was made for.  "
    "Corvane works with it, but it would look better and have more functionality with a "
    "newer version, which you can get from:";
inline constexpr const char* kDontShowAgainText = "Don't show this again";
inline constexpr std::array<const char*, 2> kControlsWarningLinks = {
    "https://www.qt.io/download", "https://download.qt.io/official_releases/qt/"};

}  // namespace corvane
