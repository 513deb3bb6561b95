#include "work/thread_manager.h"

#include <gtest/gtest.h>

#include <array>
#include <condition_variable>
#include <map>
#include <set>

#include "work/messages.h"

namespace corvane {
namespace {

using namespace std::chrono_literals;

// What the fake workers of one test share: which item (named by its group) each worker
// started, and the results the test releases them with. A job runs until released or
// cancelled; a cancelled job fails.
class CScript {
public:
    void Started(int worker, const std::string& name) {
        std::lock_guard<std::mutex> guard(m_lock);
        m_started.emplace_back(worker, name);
        m_changed.notify_all();
    }
    // Waits until the job is released (its result) or cancelled (false).
    bool Await(const std::string& name, const CThreadWorker& worker) {
        std::unique_lock<std::mutex> guard(m_lock);
        while (!m_results.count(name)) {
            if (worker.IsCancelled()) return false;
            m_changed.wait_for(guard, 1ms);
        }
        return m_results[name];
    }
    void Release(const std::string& name, bool result = true) {
        std::lock_guard<std::mutex> guard(m_lock);
        m_results[name] = result;
        m_changed.notify_all();
    }
    // The worker that started the job, or -1 when it has not started within the wait.
    int WaitStarted(const std::string& name, std::chrono::milliseconds wait = 10s) {
        std::unique_lock<std::mutex> guard(m_lock);
        int worker = -1;
        m_changed.wait_for(guard, wait, [&] {
            for (const auto& [index, started] : m_started) {
                if (started == name) worker = index;
            }
            return worker >= 0;
        });
        return worker;
    }
    std::vector<std::string> StartOrder() {
        std::lock_guard<std::mutex> guard(m_lock);
        std::vector<std::string> names;
        for (const auto& entry : m_started) names.push_back(entry.second);
        return names;
    }

    std::array<std::atomic<bool>, 8> connected{};
    std::array<std::atomic<int>, 8> disconnects{};

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<std::pair<int, std::string>> m_started;
    std::map<std::string, bool> m_results;
};

class CFakeWorker final : public CThreadWorker {
public:
    explicit CFakeWorker(CScript& script) : m_script(script) {}
    bool DoWork(CWorkItem& item) override {
        m_script.Started(Index(), item.group);
        return m_script.Await(item.group, *this);
    }
    bool IsConnected() const override { return m_script.connected[Index()].load(); }
    void Disconnect() override {
        ++m_script.disconnects[Index()];
        m_script.connected[Index()] = false;
    }

private:
    CScript& m_script;
};

class ThreadManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_manager = std::make_unique<CThreadManager>();
        m_manager->Start(m_window, 8, [this](int) { return std::make_unique<CFakeWorker>(m_script); });
    }
    void TearDown() override {
        for (const auto& [name, item] : m_items) m_script.Release(name, false);
        m_manager.reset();
        SMessage message;
        while (m_window.TryGet(message)) Own(message);
    }

    const CWorkItem* Add(const std::string& name, int priority = 2, int kind = 2) {
        auto item = std::make_unique<CWorkItem>();
        item->window = &m_window;
        item->group = name;
        item->priority = priority;
        item->kind = kind;
        const CWorkItem* pointer = item.get();
        m_items[name] = pointer;
        m_manager->AddItem(std::move(item));
        return pointer;
    }

    // Takes an item that came back, returning its name.
    std::string Own(const SMessage& message) {
        if (message.number != UWM_ITEM_DONE && message.number != UWM_ITEM_RETURNED) return {};
        std::unique_ptr<CWorkItem> item(static_cast<CWorkItem*>(message.lParam));
        m_items.erase(item->group);
        return item->group;
    }

    // The next window message: its number, and the item's name when it carried one.
    std::pair<unsigned, std::string> Next() {
        SMessage message;
        if (!m_window.GetFor(message, 10s)) return {0, "(nothing within 10 s)"};
        return {message.number, Own(message)};
    }

    // Nothing more reaches the window while the manager settles.
    void ExpectQuiet() {
        SMessage message;
        if (m_window.GetFor(message, 100ms)) {
            ADD_FAILURE() << "unexpected window message " << message.number << " " << Own(message);
        }
    }

    using Message = std::pair<unsigned, std::string>;
    CMessageQueue m_window;
    CScript m_script;
    std::unique_ptr<CThreadManager> m_manager;
    std::map<std::string, const CWorkItem*> m_items;
};

TEST_F(ThreadManagerTest, TwoAllowedRunTwoAtOnceAndTheThirdWaitsItsTurn) {
    m_manager->SetThreadCount(2);
    Add("a");
    Add("b");
    Add("c");
    EXPECT_EQ(Next(), Message(UWM_QUEUE_BUSY, ""));
    ASSERT_GE(m_script.WaitStarted("a"), 0);
    ASSERT_GE(m_script.WaitStarted("b"), 0);
    EXPECT_EQ(m_script.WaitStarted("c", 100ms), -1);

    m_script.Release("a");
    EXPECT_EQ(Next(), Message(UWM_ITEM_DONE, "a"));
    ASSERT_GE(m_script.WaitStarted("c"), 0);
    m_script.Release("b", false);
    EXPECT_EQ(Next(), Message(UWM_ITEM_RETURNED, "b"));
    m_script.Release("c");
    EXPECT_EQ(Next(), Message(UWM_ITEM_DONE, "c"));
    EXPECT_EQ(Next(), Message(UWM_QUEUE_IDLE, ""));
    ExpectQuiet();

    // The next period of work is announced once more, and ends once more.
    Add("d");
    Add("e");
    EXPECT_EQ(Next(), Message(UWM_QUEUE_BUSY, ""));
    m_script.Release("d");
    m_script.Release("e");
    std::set<Message> done{Next(), Next()};
    EXPECT_EQ(done, (std::set<Message>{{UWM_ITEM_DONE, "d"}, {UWM_ITEM_DONE, "e"}}));
    EXPECT_EQ(Next(), Message(UWM_QUEUE_IDLE, ""));
    ExpectQuiet();
}

TEST_F(ThreadManagerTest, FirstItemsRunAheadOfTheHighQueueLastInFirstOut) {
    m_manager->SetThreadCount(1);
    Add("running");
    ASSERT_GE(m_script.WaitStarted("running"), 0);
    Add("low", 3);
    Add("medium", 2);
    Add("high1", 1);
    Add("high2", 1);
    Add("first1", 0);
    Add("first2", 0);
    for (const char* name : {"running", "first2", "first1", "high1", "high2", "medium", "low"}) {
        ASSERT_GE(m_script.WaitStarted(name), 0) << name;
        m_script.Release(name);
    }
    EXPECT_EQ(m_script.StartOrder(), (std::vector<std::string>{"running", "first2", "first1", "high1",
                                                                "high2", "medium", "low"}));
}

TEST_F(ThreadManagerTest, RaisingTheCountBySeveralStepsStartsOneMoreItem) {
    m_manager->SetThreadCount(1);
    Add("x");
    ASSERT_GE(m_script.WaitStarted("x"), 0);
    Add("q1");
    Add("q2");
    Add("q3");
    m_manager->SetThreadCount(3);
    ASSERT_GE(m_script.WaitStarted("q1"), 0);
    EXPECT_EQ(m_script.WaitStarted("q2", 100ms), -1);
    // The others fill as work ends.
    m_script.Release("q1");
    ASSERT_GE(m_script.WaitStarted("q2"), 0);
    EXPECT_EQ(m_script.WaitStarted("q3", 100ms), -1);
}

TEST_F(ThreadManagerTest, EmptyQueueLeavesRunningWorkWhileStopAllCancelsIt) {
    m_manager->SetThreadCount(1);
    Add("x");
    Add("q1");
    Add("q2");
    EXPECT_EQ(Next(), Message(UWM_QUEUE_BUSY, ""));
    ASSERT_GE(m_script.WaitStarted("x"), 0);

    m_manager->EmptyQueue();
    EXPECT_EQ(Next(), Message(UWM_ITEM_RETURNED, "q1"));
    EXPECT_EQ(Next(), Message(UWM_ITEM_RETURNED, "q2"));
    ExpectQuiet();

    Add("q3");
    m_manager->EmptyQueue();
    for (int i = 0; i < 8; ++i) m_manager->CancelWorker(i);
    std::set<Message> back{Next(), Next()};
    EXPECT_EQ(back, (std::set<Message>{{UWM_ITEM_RETURNED, "q3"}, {UWM_ITEM_RETURNED, "x"}}));
    EXPECT_EQ(Next(), Message(UWM_QUEUE_IDLE, ""));
}

TEST_F(ThreadManagerTest, RemovingItemsReturnsWaitingOnesAndCancelsRunningOnes) {
    m_manager->SetThreadCount(1);
    const CWorkItem* running = Add("running");
    const CWorkItem* waiting = Add("waiting");
    EXPECT_EQ(Next(), Message(UWM_QUEUE_BUSY, ""));
    const int worker = m_script.WaitStarted("running");
    ASSERT_GE(worker, 0);
    EXPECT_EQ(m_manager->GetWorkerItem(worker), running);

    m_manager->RemoveItem(waiting);
    EXPECT_EQ(Next(), Message(UWM_ITEM_RETURNED, "waiting"));
    m_manager->RemoveItem(waiting);  // already gone: nothing happens
    ExpectQuiet();

    m_manager->RemoveItem(running);
    EXPECT_EQ(Next(), Message(UWM_ITEM_RETURNED, "running"));
    EXPECT_EQ(Next(), Message(UWM_QUEUE_IDLE, ""));
    EXPECT_EQ(m_manager->GetWorkerItem(worker), nullptr);
}

TEST_F(ThreadManagerTest, RemovingEverythingCancelsEveryRunningJob) {
    m_manager->SetThreadCount(2);
    Add("a");
    Add("b");
    Add("c");
    ASSERT_GE(m_script.WaitStarted("a"), 0);
    ASSERT_GE(m_script.WaitStarted("b"), 0);
    m_manager->RemoveItem(nullptr);
    std::set<std::string> back;
    for (int i = 0; i < 4; ++i) {
        const Message message = Next();
        if (message.first == UWM_ITEM_RETURNED) back.insert(message.second);
    }
    EXPECT_EQ(back, (std::set<std::string>{"a", "b", "c"}));
}

TEST_F(ThreadManagerTest, AConnectedIdleWorkerIsChosenBeforeALowerOneWithoutConnection) {
    m_script.connected[5] = true;
    m_manager->SetThreadCount(2);
    Add("a");
    EXPECT_EQ(m_script.WaitStarted("a"), 5);
    Add("b");
    EXPECT_EQ(m_script.WaitStarted("b"), 0);
}

TEST_F(ThreadManagerTest, ACancelAfterAJobEndedDoesNotReachTheNextJob) {
    m_manager->SetThreadCount(1);
    Add("first");
    EXPECT_EQ(Next(), Message(UWM_QUEUE_BUSY, ""));
    const int worker = m_script.WaitStarted("first");
    m_script.Release("first");
    EXPECT_EQ(Next(), Message(UWM_ITEM_DONE, "first"));
    EXPECT_EQ(Next(), Message(UWM_QUEUE_IDLE, ""));
    m_manager->CancelWorker(worker);  // idle now: ignored

    Add("second");
    EXPECT_EQ(Next(), Message(UWM_QUEUE_BUSY, ""));
    ASSERT_EQ(m_script.WaitStarted("second"), worker);
    ExpectQuiet();  // not cancelled
    m_script.Release("second");
    EXPECT_EQ(Next(), Message(UWM_ITEM_DONE, "second"));
}

TEST_F(ThreadManagerTest, PausedOrNoneAllowedNothingStarts) {
    EXPECT_EQ(m_manager->GetWorkerItem(0), nullptr);
    Add("waits");  // allowed is 0 until the window sets it
    EXPECT_EQ(m_script.WaitStarted("waits", 100ms), -1);
    m_manager->Pause();
    m_manager->SetThreadCount(1);
    EXPECT_EQ(m_script.WaitStarted("waits", 100ms), -1);
    m_manager->Resume();
    ASSERT_GE(m_script.WaitStarted("waits"), 0);

    // With allowed back at 0 the queue idles even though an item waits.
    Add("stays");
    m_manager->SetThreadCount(0);
    m_script.Release("waits");
    EXPECT_EQ(Next(), Message(UWM_QUEUE_BUSY, ""));
    EXPECT_EQ(Next(), Message(UWM_ITEM_DONE, "waits"));
    EXPECT_EQ(Next(), Message(UWM_QUEUE_IDLE, ""));
    EXPECT_EQ(m_script.WaitStarted("stays", 100ms), -1);
}

TEST_F(ThreadManagerTest, DisconnectIdleReachesOnlyIdleWorkers) {
    m_manager->SetThreadCount(1);
    m_script.connected[0] = true;
    m_script.connected[3] = true;
    Add("busy");
    ASSERT_EQ(m_script.WaitStarted("busy"), 0);
    m_manager->DisconnectIdle();
    auto allIdleReached = [&] {
        for (int i = 1; i < 8; ++i) {
            if (m_script.disconnects[i].load() == 0) return false;
        }
        return true;
    };
    for (int wait = 0; wait < 10000 && !allIdleReached(); ++wait) std::this_thread::sleep_for(1ms);
    EXPECT_FALSE(m_script.connected[3]);
    EXPECT_EQ(m_script.disconnects[0].load(), 0);
    EXPECT_TRUE(m_script.connected[0]);
    for (int i = 1; i < 8; ++i) EXPECT_EQ(m_script.disconnects[i].load(), 1) << i;
}

TEST_F(ThreadManagerTest, ShutdownCancelsRunningWorkAndReturnsItemsAddedMeanwhile) {
    m_manager->SetThreadCount(1);
    Add("running");
    Add("queued");
    EXPECT_EQ(Next(), Message(UWM_QUEUE_BUSY, ""));
    ASSERT_GE(m_script.WaitStarted("running"), 0);
    m_manager->Shutdown();
    Add("late");
    std::set<Message> back{Next(), Next(), Next(), Next()};
    EXPECT_EQ(back, (std::set<Message>{{UWM_ITEM_RETURNED, "running"},
                                       {UWM_ITEM_RETURNED, "queued"},
                                       {UWM_ITEM_RETURNED, "late"},
                                       {UWM_MANAGER_STOPPED, ""}}));
    m_manager->WaitStopped();
    Add("after");
    EXPECT_EQ(Next(), Message(UWM_ITEM_RETURNED, "after"));
}

}  // namespace
}  // namespace corvane
