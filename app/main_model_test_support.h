#pragma once
// The main window model under test: a memory settings store, a recording prompt, a manual
// clock driving the timers, the real thread manager with scripted workers, and helpers that
// pump the window's queue the way a front end does.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <set>

#include "app/main_model.h"
#include "platform/settings_store.h"
#include "work/messages.h"

namespace corvane::testsupport {

// What the scripted workers do: every job is named (an article job by the article's subject,
// any other by its kind and group) and either finishes at once with its scripted result or,
// when the test holds it, waits until released or cancelled.
class CJobScript {
public:
    void Hold(const std::string& name) {
        std::lock_guard<std::mutex> guard(m_lock);
        m_held.insert(name);
    }
    void Release(const std::string& name, bool result = true) {
        std::lock_guard<std::mutex> guard(m_lock);
        m_held.erase(name);
        m_results[name] = result;
        m_changed.notify_all();
    }
    void SetResult(const std::string& name, bool result) {
        std::lock_guard<std::mutex> guard(m_lock);
        m_results[name] = result;
    }
    bool Run(const std::string& name, const CThreadWorker& worker) {
        std::unique_lock<std::mutex> guard(m_lock);
        m_started.push_back(name);
        m_changed.notify_all();
        while (m_held.count(name)) {
            if (worker.IsCancelled()) return false;
            m_changed.wait_for(guard, std::chrono::milliseconds(1));
        }
        auto it = m_results.find(name);
        return it == m_results.end() ? true : it->second;
    }
    // The job of that name shows `path` in its worker's preview before it runs.
    void SetPreview(const std::string& name, const std::string& path) {
        std::lock_guard<std::mutex> guard(m_lock);
        m_previews[name] = path;
    }
    std::string PreviewOf(const std::string& name) {
        std::lock_guard<std::mutex> guard(m_lock);
        auto it = m_previews.find(name);
        return it == m_previews.end() ? std::string() : it->second;
    }
    std::vector<std::string> Started() {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_started;
    }
    bool WaitStarted(const std::string& name) {
        std::unique_lock<std::mutex> guard(m_lock);
        return m_changed.wait_for(guard, std::chrono::seconds(10), [&] {
            return std::find(m_started.begin(), m_started.end(), name) != m_started.end();
        });
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::set<std::string> m_held;
    std::map<std::string, bool> m_results;
    std::map<std::string, std::string> m_previews;
    std::vector<std::string> m_started;
};

class CScriptedWorker final : public CThreadWorker {
public:
    explicit CScriptedWorker(CJobScript& script) : m_script(script) {}
    ~CScriptedWorker() override { Stop(); }
    bool DoWork(CWorkItem& item) override {
        if (item.article != nullptr) {
            if (item.window) item.window->PostUntilAccepted(UWM_ARTICLE_STARTED, 0, item.article);
            const std::string name(item.article->Subject());
            const std::string preview = m_script.PreviewOf(name);
            CWorkerDisplay* display = m_preview.load();
            if (display != nullptr && !preview.empty()) display->ShowPreview(preview);
            return m_script.Run(name, *this);
        }
        return m_script.Run(std::to_string(item.kind) + " " + item.group, *this);
    }
    void SetControls(WorkerControl kind, CWorkerDisplay* display) override {
        if (kind == WorkerControl::Preview) m_preview.store(display);
    }

private:
    CJobScript& m_script;
    std::atomic<CWorkerDisplay*> m_preview{nullptr};
};

inline std::string MakeTempDir() {
    char pattern[] = "/tmp/corvane-model-XXXXXX";
    return ::mkdtemp(pattern) ? pattern : "";
}

class CRecordingView : public IMainView {
public:
    void OnGroupsChanged() override { ++groupRefreshes; }
    void OnEnded() override { ended = true; }
    EAutoResult RunAutoDialog(CAutoDialogModel& dialog) override {
        if (editAuto) editAuto(dialog);
        return autoAnswer;
    }
    int groupRefreshes = 0;
    bool ended = false;
    std::function<void(CAutoDialogModel&)> editAuto;
    EAutoResult autoAnswer = EAutoResult::kEscape;
};

class MainModelTest : public ::testing::Test {
protected:
    MainModelTest()
        : m_dir(MakeTempDir()),
          app(settings, prompt, clock, m_dir),
          timers(clock, queue),
          model(app, queue, timers, view, nullptr,
                [this](int) { return std::make_unique<CScriptedWorker>(script); }) {}
    ~MainModelTest() override { std::filesystem::remove_all(m_dir); }

    // Handles queued messages until the condition holds (true) or a few seconds pass.
    bool PumpUntil(const std::function<bool()>& done) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        SMessage message;
        while (!done()) {
            if (std::chrono::steady_clock::now() > until) return false;
            if (queue.GetFor(message, std::chrono::milliseconds(5))) model.HandleMessage(message);
        }
        return true;
    }
    // Handles what arrives within the time given.
    void PumpFor(std::chrono::milliseconds span) {
        const auto until = std::chrono::steady_clock::now() + span;
        SMessage message;
        while (std::chrono::steady_clock::now() < until) {
            if (queue.GetFor(message, std::chrono::milliseconds(5))) model.HandleMessage(message);
        }
    }
    void Advance(std::int64_t ms) {
        timers.Advance(ms);
        SMessage message;
        while (queue.TryGet(message)) model.HandleMessage(message);
        PumpFor(std::chrono::milliseconds(20));
    }
    void AddGroup(const std::string& name, bool enabled = true) {
        auto group = std::make_unique<CSetupGroup>();
        group->SetName(name);
        group->m_enabled = enabled ? 1 : 0;
        app.Setup().m_groups.push_back(std::move(group));
    }
    // A header as the group-headers job posts it.
    void Header(int number, const std::string& subject, const std::string& group = "alt.pics",
                const std::string& from = "poster@example.org") {
        auto article = std::make_unique<CArticle>();
        article->SetArticleNumber(number);
        article->SetSubject(subject);
        article->SetNewsgroup(group);
        article->SetMessageId("<" + std::to_string(number) + "." + group + "@example.org>");
        article->SetFrom(from);
        article->SetOrigin("site.example");
        article->SetLines(10);
        queue.PostUntilAccepted(UWM_ARTICLE_HEADER, 0, article.release());
    }
    void Start(const SCommandLine& commandLine = {}) {
        model.Initialise(commandLine);
        PumpFor(std::chrono::milliseconds(10));
    }
    bool Listed(const std::string& subject) {
        for (CArticle* article : model.Rows().Rows()) {
            if (article->Subject() == subject) return true;
        }
        return false;
    }
    CArticle* Find(const std::string& subject) {
        for (CArticle* article : model.Rows().Rows()) {
            if (article->Subject() == subject) return article;
        }
        return nullptr;
    }
    void SelectOnly(const std::vector<std::string>& subjects) {
        model.Rows().SelectNone();
        for (const auto& subject : subjects) {
            model.Rows().SelectAndFocus(model.Rows().RowOf(Find(subject)));
        }
    }
    bool Quiet() {
        return model.OutstandingItems() == 0 && model.Idle();
    }

    std::string m_dir;
    CMemorySettingsStore settings;
    CRecordingPrompt prompt{false};
    CManualClock clock{1000000};
    CApplication app;
    CMessageQueue queue{CMainModel::kQueueCapacity};
    CManualTimerService timers;
    CRecordingView view;
    CJobScript script;
    CMainModel model;
};

}  // namespace corvane::testsupport
