#include "gui/gui_front.h"

#include <QApplication>
#include <QTimer>

#include "app/application.h"
#include "app/command_line.h"
#include "app/process_end.h"
#include "app/startup_checks.h"
#include "gui/controls_warning_dialog.h"
#include "gui/icons.h"
#include "gui/qt_prompt.h"
#include "gui/qt_timer_service.h"
#include "platform/clock.h"
#include "platform/settings_store.h"

namespace corvane {

CQueuePump::CQueuePump(CMainModel& model, CQtTimerService* timers, QObject* parent)
    : QObject(parent), m_model(model), m_timers(timers), m_timer(new QTimer(this)) {
    connect(m_timer, &QTimer::timeout, this, [this] { PumpOnce(); });
}

void CQueuePump::Start() {
    m_timer->start(kIntervalMs);
}

bool CQueuePump::PumpOnce() {
    if (!m_pumping && !m_model.Ended()) {
        m_pumping = true;
        const auto until = std::chrono::steady_clock::now() + kTurnBudget;
        SMessage message;
        while (!m_model.Ended() && m_model.Queue().TryGet(message)) {
            if (m_timers != nullptr && message.number == kTimerMessage) {
                m_timers->Delivered(static_cast<unsigned>(message.wParam));
            }
            m_model.HandleMessage(message);
            if (std::chrono::steady_clock::now() > until) break;
        }
        m_pumping = false;
    }
    if (m_model.Ended() && !m_endSignalled) {
        m_endSignalled = true;
        m_timer->stop();
        emit Ended();
    }
    return m_model.Ended();
}

int RunGui(const std::vector<std::string>& args) {
    return RunGui(args, {});
}

int RunGui(const std::vector<std::string>& args, const SMainWindowDialogs& dialogs) {
    // Qt keeps argc and argv for the application's lifetime; they live until the return.
    std::vector<std::string> argStore = args;
    if (argStore.empty()) argStore.push_back("corvane");
    std::vector<char*> argv;
    for (std::string& arg : argStore) argv.push_back(arg.data());
    argv.push_back(nullptr);
    int argc = static_cast<int>(argStore.size());
    QApplication application(argc, argv.data());
    QApplication::setApplicationName("Corvane");
    QApplication::setWindowIcon(icons::Program());

    const SCommandLine commandLine = ParseCommandLine(args);
    CIniSettingsStore settings(DefaultSettingsPath());
    CQtPrompt prompt;
    CSteadyClock clock;
    CApplication app(settings, prompt, clock);
    RunControlsWarningIfDue(RunningToolkitVersion(), settings);
    // The fatal database message has been shown: end at once, saving nothing.
    if (!app.OpenIndexes()) return 3;

    CMessageQueue queue(CMainModel::kQueueCapacity);
    CQtTimerService timers(queue);
    CMainWindow window(app);
    prompt.SetParent(&window);
    window.SetDialogs(dialogs);
    CMainModel model(app, queue, timers, window);
    window.Attach(model);
    CQueuePump pump(model, &timers);
    QObject::connect(&pump, &CQueuePump::Ended, &application, &QApplication::quit);
    window.show();
    model.Initialise(commandLine);
    pump.Start();
    // Initialise may already have ended the window (auto mode on an idle setup).
    if (!model.Ended()) QApplication::exec();
    prompt.SetParent(nullptr);
    const int status = model.EndedFatally() ? 3 : 0;
    if (model.EndedByForce()) EndProcessNow(status);
    window.Detach();
    return status;
}

}  // namespace corvane
