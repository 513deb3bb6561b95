#pragma once
// The desktop front end: the same wiring as the headless one, with the Qt application, the
// dialog prompt, the main window and the start-up warning. The window's queue is drained on
// the Qt event loop by CQueuePump, so workers, timers and the user's actions are all handled
// on the main thread. Main thread only.
#include <QObject>
#include <chrono>
#include <string>
#include <vector>

#include "gui/main_window.h"

class QTimer;

namespace corvane {

class CQtTimerService;

// Passes the window queue's messages to the model every few milliseconds, a bounded number
// per turn so the window keeps painting under a flood of header records. A message box shown
// while a message is handled runs a nested event loop; the pump does not re-enter itself then.
class CQueuePump final : public QObject {
    Q_OBJECT
public:
    static constexpr int kIntervalMs = 10;
    static constexpr std::chrono::milliseconds kTurnBudget{30};

    // `timers`, when given, is told of every timer message taken, so its id may post again.
    explicit CQueuePump(CMainModel& model, CQtTimerService* timers = nullptr,
                        QObject* parent = nullptr);
    void Start();
    // Handles what is queued now, within the turn's budget; true when the model has ended.
    bool PumpOnce();

signals:
    void Ended();

private:
    CMainModel& m_model;
    CQtTimerService* m_timers;
    QTimer* m_timer;
    bool m_pumping = false;
    bool m_endSignalled = false;
};

// Runs the whole program with its window; the process's exit status. The dialogs of the
// other desktop parts are passed in; without them the window shows none.
int RunGui(const std::vector<std::string>& args);
int RunGui(const std::vector<std::string>& args, const SMainWindowDialogs& dialogs);

}  // namespace corvane
