#include "app/headless_front.h"

#include <atomic>
#include <csignal>
#include <iostream>
#include <sstream>

#include "app/application.h"
#include "app/command_line.h"
#include "app/process_end.h"
#include "platform/clock.h"
#include "platform/settings_store.h"
#include "platform/timer_service.h"

namespace corvane {

namespace {

constexpr auto kProgressEvery = std::chrono::seconds(2);
constexpr auto kLoopWait = std::chrono::milliseconds(200);

std::atomic<int> g_signals{0};

void OnSignal(int) {
    g_signals.fetch_add(1);
}

// One line: "name: text" for every worker row that shows something.
std::string WorkerRowsText(const CMainModel& model) {
    std::ostringstream rows;
    for (int slot = 0; slot < CMainModel::kWorkerSlots; ++slot) {
        const CWorkerDisplay::SState state = model.WorkerRow(slot).State();
        if (state.status.empty()) continue;
        rows << "  [" << slot << "] " << state.status << " "
             << state.progress * 100 / kProgressSteps << "%\n";
    }
    return rows.str();
}

}  // namespace

void CHeadlessPrompt::ShowMessage(const std::string& text) {
    m_log << "corvane: message: " << text << std::endl;
}

bool CHeadlessPrompt::AskYesNo(const std::string& text) {
    m_log << "corvane: question: " << text << " -> Yes" << std::endl;
    return true;
}

void CHeadlessView::OnPaneChanged(int, const std::string&) {
    m_dirty = true;
}

void CHeadlessView::OnEnded() {
    PrintProgress(true);
}

void CHeadlessView::PrintProgress(bool force) {
    if (m_model == nullptr) return;
    const auto now = std::chrono::steady_clock::now();
    if (!force && now - m_lastPrint < kProgressEvery) return;
    std::string rows = WorkerRowsText(*m_model);
    if (!m_dirty && rows == m_lastRows && !force) return;
    std::ostringstream line;
    bool first = true;
    for (int pane = 1; pane < CMainModel::kPaneCount; ++pane) {
        const std::string& text = m_model->Pane(pane);
        if (text.empty()) continue;
        line << (first ? "" : " | ") << text;
        first = false;
    }
    line << (first ? "" : " | ") << "Listed: " << m_model->Rows().Count();
    m_out << "corvane: " << line.str() << '\n' << rows << std::flush;
    m_lastRows = std::move(rows);
    m_dirty = false;
    m_lastPrint = now;
}

int RunHeadless(const std::vector<std::string>& args) {
    const SCommandLine commandLine = ParseCommandLine(args);
    CIniSettingsStore settings(DefaultSettingsPath());
    CHeadlessPrompt prompt(std::cout);
    CSteadyClock clock;
    CApplication app(settings, prompt, clock);
    // The fatal database message has been shown: end at once, saving nothing.
    if (!app.OpenIndexes()) return 3;

    CMessageQueue queue(CMainModel::kQueueCapacity);
    CThreadTimerService timers(queue);
    CHeadlessView view(std::cout);
    CMainModel model(app, queue, timers, view);
    view.Attach(model);

    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    model.Initialise(commandLine);
    int signalsSeen = 0;
    bool forced = false;
    SMessage message;
    while (!model.Ended()) {
        if (queue.GetFor(message, kLoopWait)) model.HandleMessage(message);
        if (const int signals = g_signals.load(); signals != signalsSeen) {
            signalsSeen = signals;
            std::cout << "corvane: interrupted" << std::endl;
            if (signals == 1) {
                model.RequestClose();
            } else {
                forced = true;
                model.End();
            }
        }
        view.PrintProgress(false);
    }
    if (model.EndedFatally()) return 3;
    if (forced || model.EndedByForce()) EndProcessNow(0);
    std::cout << "corvane: finished; " << app.Log().Size() << " files in the download log"
              << std::endl;
    return 0;
}

}  // namespace corvane
