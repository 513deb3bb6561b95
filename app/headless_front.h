#pragma once
// The terminal front end of `corvane -nogui`: runs the main window model without a display.
// Questions take their default answer (Yes, the first button) and every message box is
// written to the log stream; file dialogs are cancelled. The status panes and the worker rows
// are printed as short progress lines, at most one block every couple of seconds and only when
// something changed. Main thread only; SIGINT and SIGTERM ask the model to close (a second one
// ends the window at once).
#include <chrono>
#include <iosfwd>
#include <string>
#include <vector>

#include "app/main_model.h"
#include "platform/prompt.h"

namespace corvane {

class CHeadlessPrompt final : public IPrompt {
public:
    explicit CHeadlessPrompt(std::ostream& log) : m_log(log) {}
    void ShowMessage(const std::string& text) override;
    bool AskYesNo(const std::string& text) override;

private:
    std::ostream& m_log;
};

class CHeadlessView final : public IMainView {
public:
    explicit CHeadlessView(std::ostream& out) : m_out(out) {}
    void Attach(CMainModel& model) { m_model = &model; }
    void OnPaneChanged(int pane, const std::string& text) override;
    void OnEnded() override;
    // Prints the panes and busy worker rows when they changed and the last print is old enough.
    void PrintProgress(bool force);

private:
    std::ostream& m_out;
    CMainModel* m_model = nullptr;
    bool m_dirty = false;
    std::string m_lastRows;
    std::chrono::steady_clock::time_point m_lastPrint{};
};

// Runs the whole program headless; the process's exit status.
int RunHeadless(const std::vector<std::string>& args);

}  // namespace corvane
