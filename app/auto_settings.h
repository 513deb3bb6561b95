#pragma once
// Auto mode's settings as the user edits them: the time fields' text form, and a model of the
// Auto dialog that holds every control's value between opening and closing. The model copies
// what it needs from the setup when it is made and writes back only through ApplyTo, so the
// setup stays untouched while the dialog is open. Main thread only. Starting auto mode after
// Engage is the main window's business; the model only says how the dialog closed.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "setup/setup.h"

namespace corvane {

inline constexpr std::string_view kInvalidTimeText = "Invalid Time";
inline constexpr std::string_view kCancelAutoModeQuestion =
    "Corvane is currently in Auto mode.  Would you like to cancel?";

// A time field reads no more than this many characters of what was typed.
inline constexpr std::size_t kTimeFieldMaxChars = 18;

// Seconds as "hh:mm:ss". Hours are not taken modulo a day, so a stored time beyond 23:59:59
// shows as it is, and is then refused when the dialog is accepted.
std::string FormatTimeField(int seconds);
// The seconds of a typed "hh:mm:ss" with two-digit hours up to 23, and minutes and seconds up
// to 59; nothing for any other text. Digits running on after the seconds are read with them,
// and anything after those digits is ignored.
std::optional<int> ParseTimeField(std::string_view text);

enum class EAutoResult { kEngage, kClose, kEscape };
enum class ETimeField { kDelayStart, kShutDownAfter };

struct STimeFieldError {
    ETimeField field;
    std::string_view message = kInvalidTimeText;
};

class CAutoDialogModel {
public:
    // The values every control shows; the time fields as the text in them.
    struct SControls {
        bool hangUpWhenFinished = false;
        bool delayStart = false;
        std::string delayStartTime;
        std::int32_t shutDownMode = CSetup::kNoShutDown;  // neither button unless 0 or 1
        std::string shutDownAfterTime;
        bool autoQueueArticles = false;
        bool processArticlesBeforeGroups = false;
        bool hideWhileDownloading = false;
        bool queueEverythingOnEngage = false;
    };

    // dialupConnected: whether a dial-up connection for the setup's entry is up, which is
    // the only time the program can hang one up for the user.
    CAutoDialogModel(const CSetup& setup, bool dialupConnected);

    // What the user edits. A disabled control keeps the value it was opened with, whatever
    // is written here.
    SControls m_controls;

    bool HangUpEnabled() const { return m_hangUpEnabled; }
    // Shown so the stored value can be seen, but it has no effect to choose.
    bool HideWhileDownloadingEnabled() const { return false; }

    // Checks both time fields and takes every control's value. On a bad time nothing is
    // taken and the answer names the first field in error, in the dialog's order. Once the
    // dialog has closed, neither this nor Press changes anything.
    std::optional<STimeFieldError> Accept();
    // Engage and Close accept first and close only when that succeeds; Escape closes at once
    // and drops every edit.
    std::optional<STimeFieldError> Press(EAutoResult button);

    bool IsOpen() const { return !m_result.has_value(); }
    std::optional<EAutoResult> Result() const { return m_result; }

    // Writes every control's accepted value into the setup: the values the dialog was opened
    // with when nothing was accepted or it closed with Escape.
    void ApplyTo(CSetup& setup) const;

private:
    struct SValues {
        std::int32_t autoHangUp = 0;
        std::int32_t delayStart = 0;
        std::int32_t delayStartSeconds = 0;
        std::int32_t shutDownMode = CSetup::kNoShutDown;
        std::int32_t shutDownAfterSeconds = 0;
        std::int32_t autoQueueArticles = 0;
        std::int32_t processArticlesBeforeGroups = 0;
        std::int32_t hideWhileDownloading = 0;
        std::int32_t queueEverythingOnEngage = 0;
    };

    SValues m_opened;
    SValues m_accepted;
    bool m_hangUpEnabled;
    std::optional<EAutoResult> m_result;
};

}  // namespace corvane
