#pragma once
// The main window over a real model for tests: a memory settings store, the Qt prompt with
// its dialogs answered by the test, timers on a manual clock, and the real thread manager on
// scripted workers (or the program's own workers when a test asks for them).
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <chrono>
#include <filesystem>
#include <functional>

#include "app/main_model_test_support.h"
#include "gui/main_window.h"
#include "gui/qt_prompt.h"

namespace corvane::testsupport {

class CWindowHarness {
public:
    explicit CWindowHarness(bool realWorkers = false)
        : m_dir(MakeTempDir()),
          app(settings, prompt, clock, m_dir),
          timers(clock, queue),
          window(app),
          model(app, queue, timers, window, nullptr,
                realWorkers ? CThreadManager::WorkerFactory{}
                            : CThreadManager::WorkerFactory{[this](int) {
                                  return std::make_unique<CScriptedWorker>(script);
                              }}) {
        prompt.SetMessageFn([this](const std::string& text) { messages.push_back(text); });
        prompt.SetQuestionFn([this](const std::string& text) {
            questions.push_back(text);
            return answer;
        });
        prompt.SetFileFn([this](IPrompt::EFileDialog kind, std::string& path) {
            fileDialogs.push_back(kind);
            if (fileAnswers.empty()) return false;
            path = fileAnswers.front();
            fileAnswers.erase(fileAnswers.begin());
            return !path.empty();
        });
        window.Attach(model);
    }
    ~CWindowHarness() {
        window.Detach();
        std::filesystem::remove_all(m_dir);
    }

    void Start(const SCommandLine& commandLine = {}) {
        model.Initialise(commandLine);
        PumpFor(std::chrono::milliseconds(10));
    }
    // Handles the window's queue and Qt's events until the condition holds or time runs out.
    bool PumpUntil(const std::function<bool()>& done,
                   std::chrono::seconds limit = std::chrono::seconds(10)) {
        const auto until = std::chrono::steady_clock::now() + limit;
        while (!done()) {
            if (std::chrono::steady_clock::now() > until) return false;
            PumpOnce();
        }
        return true;
    }
    void PumpFor(std::chrono::milliseconds span) {
        const auto until = std::chrono::steady_clock::now() + span;
        while (std::chrono::steady_clock::now() < until) PumpOnce();
    }
    void PumpOnce() {
        SMessage message;
        if (queue.GetFor(message, std::chrono::milliseconds(5))) model.HandleMessage(message);
        QApplication::processEvents();
    }
    void AddGroup(const std::string& name, bool enabled = true) {
        auto group = std::make_unique<CSetupGroup>();
        group->SetName(name);
        group->m_enabled = enabled ? 1 : 0;
        app.Setup().m_groups.push_back(std::move(group));
        window.OnGroupsChanged();
    }
    void Header(int number, const std::string& subject, const std::string& group = "alt.pics") {
        auto article = std::make_unique<CArticle>();
        article->SetArticleNumber(number);
        article->SetSubject(subject);
        article->SetNewsgroup(group);
        article->SetMessageId("<" + std::to_string(number) + "." + group + "@example.org>");
        article->SetFrom("poster@example.org");
        article->SetOrigin("site.example");
        article->SetLines(10);
        queue.PostUntilAccepted(UWM_ARTICLE_HEADER, 0, article.release());
    }
    // Shows the window and makes it the active one, so its shortcuts fire.
    bool ShowActive() {
        window.show();
        QApplication::setActiveWindow(&window);
        return QTest::qWaitForWindowActive(&window);
    }

    std::string m_dir;
    CMemorySettingsStore settings;
    CQtPrompt prompt;
    CManualClock clock{1000000};
    CApplication app;
    CMessageQueue queue{CMainModel::kQueueCapacity};
    CManualTimerService timers;
    CJobScript script;
    CMainWindow window;
    CMainModel model;

    bool answer = false;
    std::vector<std::string> messages;
    std::vector<std::string> questions;
    std::vector<IPrompt::EFileDialog> fileDialogs;
    std::vector<std::string> fileAnswers;
};

}  // namespace corvane::testsupport
