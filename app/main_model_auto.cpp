// The main window model's auto mode (the Automate command, engaging, the delayed start and the
// shut-down time) and its close procedure with the shut-down watchdog.
#include <ctime>

#include "app/main_model.h"
#include "app/status_text.h"

namespace corvane {

namespace {

constexpr const char* kCancelAutoQuestion =
    "Corvane is currently in Auto mode.  Would you like to cancel?";
constexpr const char* kBusyQuestion =
    "Corvane is busy downloading.  Would you like to cancel all work and exit Corvane?";
constexpr const char* kForceQuestion =
    "Corvane has not shutdown cleanly after 10 seconds.  Would you like to force shutdown?\n"
    "Note that forcing will leave half downloaded files in the download path.";
constexpr int kWatchdogMs = 10000;

// A time of zero still has to fire: at the next tick of the timer service.
std::int64_t SecondsToTimerMs(std::int32_t seconds) {
    return seconds > 0 ? static_cast<std::int64_t>(seconds) * 1000 : 1;
}

}  // namespace

void CMainModel::Automate() {
    CSetup& setup = m_app.Setup();
    if (AutoMode()) {
        if (!m_app.Prompt().AskYesNo(kCancelAutoQuestion)) return;
        m_autoMode[0] = m_autoMode[1] = false;
        m_timers.KillTimer(4);
        m_timers.KillTimer(5);
        SetPane(6, std::string());
        SetPane(5, std::string());
        return;
    }
    CAutoDialogModel dialog(setup, m_dialup.IsDialupConnected(setup));
    const EAutoResult result = m_view.RunAutoDialog(dialog);
    dialog.ApplyTo(setup);
    m_app.PublishSetup();
    if (result == EAutoResult::kEngage) StartAutoMode();
}

void CMainModel::StartAutoMode() {
    const CSetup& setup = m_app.Setup();
    if (setup.m_delayStart == 0 && setup.m_queueEverythingOnEngage != 0) QueueEverything();
    SetPane(6, std::string());
    if (setup.m_delayStart == 0 && setup.m_shutDownMode == CSetup::kShutDownAfterTime)
        StartShutDownTimer();
    SetPane(5, std::string());
    if (setup.m_delayStart != 0) {
        StartTimer(5, SecondsToTimerMs(setup.m_delayStartSeconds));
        SetPane(5, StartTimeText(std::time(nullptr) + setup.m_delayStartSeconds));
    }
    m_autoMode[0] = m_autoMode[1] = true;
}

void CMainModel::QueueEverything() {
    if (m_app.Setup().m_processArticlesBeforeGroups != 0) {
        GrabArticles(m_rows.Rows(), -1);
        DoAllGroups();
    } else {
        DoAllGroups();
        GrabArticles(m_rows.Rows(), -1);
    }
}

void CMainModel::StartShutDownTimer() {
    const std::int32_t seconds = m_app.Setup().m_shutDownAfterSeconds;
    StartTimer(4, SecondsToTimerMs(seconds));
    SetPane(6, StopTimeText(std::time(nullptr) + seconds));
}

void CMainModel::OnDelayedStart() {
    m_timers.KillTimer(5);
    QueueEverything();
    SetPane(5, std::string());
    if (m_app.Setup().m_shutDownMode == CSetup::kShutDownAfterTime) StartShutDownTimer();
}

void CMainModel::RequestClose() {
    if (m_closing) return;
    if (!m_idle) {
        if (!m_app.Prompt().AskYesNo(kBusyQuestion)) return;
        StopAll();
    }
    Save();
    for (unsigned id : {1u, 4u, 2u}) m_timers.KillTimer(id);
    m_closing = true;
    m_manager.Shutdown();
    if (!m_idle) StartTimer(15, kWatchdogMs);
}

void CMainModel::OnWatchdog() {
    // However long the question stays open, the next one comes a whole interval after a No,
    // never straight after it from ticks that fell due meanwhile.
    m_timers.KillTimer(15);
    if (!m_app.Prompt().AskYesNo(kForceQuestion)) {
        if (!m_ended) StartTimer(15, kWatchdogMs);
        return;
    }
    m_forced = true;
    m_dialup.HangUp(m_app.Setup());
    End();
}

void CMainModel::End() {
    if (m_ended) return;
    m_ended = true;
    for (unsigned id : {1u, 2u, 4u, 5u, 7u, 10u, 15u}) m_timers.KillTimer(id);
    m_view.OnEnded();
}

}  // namespace corvane
