#include "nntp/corvane_worker.h"

#include <gtest/gtest.h>

#include "nntp/session_fixture.h"
#include "resources/string_table.h"
#include "work/messages.h"
#include "work/thread_manager.h"

namespace corvane {
namespace {

using namespace std::chrono_literals;
using Lines = std::vector<std::string>;

// A job of the tests' own: select the item's group and read the reply, the way every real
// job opens its work.
bool SelectGroupJob(CCorvaneWorker& worker, CWorkItem& item) {
    if (!worker.ConnectFor(item)) return false;
    CNntpConnection& connection = worker.Connection();
    connection.SendLine("GROUP " + item.group + "\r\n");
    std::string reply;
    if (!connection.ReceiveLine(reply)) {
        connection.SetStatusText(ResourceString(kIdsReceiveError));
        return false;
    }
    return reply.compare(0, 3, "211") == 0;
}

class CorvaneWorkerTest : public SessionTest {
protected:
    std::unique_ptr<CWorkItem> Item(const std::string& group, int kind = 2) {
        auto item = std::make_unique<CWorkItem>();
        item->window = &m_window;
        item->group = group;
        item->kind = kind;
        item->server = "127.0.0.1";
        item->port = m_server->Port();
        return item;
    }
    CJobTable Jobs() { return CJobTable{{WorkKind::GroupHeaders, SelectGroupJob}}; }
    CMessageQueue m_window;
};

TEST_F(CorvaneWorkerTest, ASecondJobOnTheSameWorkerSendsNoGreetingCommands) {
    StartServer();
    CCorvaneWorker worker(0, m_services, Jobs());
    CWorkerDisplay row;
    worker.SetControls(WorkerControl::Status, &row);
    EXPECT_TRUE(worker.DoWork(*Item("alt.test")));
    EXPECT_EQ(row.State().status, "Connecting");
    EXPECT_TRUE(worker.DoWork(*Item("alt.test")));
    EXPECT_FALSE(worker.DoWork(*Item("alt.none")));
    EXPECT_EQ(m_server->ConnectionsAccepted(), 1);
    EXPECT_EQ(CommandsOf(1), (Lines{"MODE READER", "GROUP alt.test", "GROUP alt.test", "GROUP alt.none"}));
}

TEST_F(CorvaneWorkerTest, AFailedConnectShowsConnectFailed) {
    CCorvaneWorker worker(0, m_services, Jobs());
    CWorkerDisplay row;
    worker.SetControls(WorkerControl::Status, &row);
    auto item = Item("alt.test");
    item->port = 1;
    EXPECT_FALSE(worker.DoWork(*item));
    EXPECT_EQ(row.State().status, "Connect failed");
}

TEST_F(CorvaneWorkerTest, AKindWithoutAJobComesBackAsReturned) {
    CThreadManager manager;
    manager.Start(m_window, 2, [&](int index) {
        return std::make_unique<CCorvaneWorker>(index, m_services, Jobs());
    });
    manager.SetThreadCount(1);
    manager.AddItem(Item("alt.test", 3));
    SMessage message;
    ASSERT_TRUE(m_window.GetFor(message, 10s));
    EXPECT_EQ(message.number, UWM_QUEUE_BUSY);
    ASSERT_TRUE(m_window.GetFor(message, 10s));
    EXPECT_EQ(message.number, UWM_ITEM_RETURNED);
    std::unique_ptr<CWorkItem> back(static_cast<CWorkItem*>(message.lParam));
    EXPECT_EQ(back->kind, 3);
    EXPECT_EQ(m_server->ConnectionsAccepted(), 0);
}

TEST_F(CorvaneWorkerTest, CancellingAJobWaitingOnASilentServerEndsItPromptly) {
    testserver::SBehaviour behaviour;
    behaviour.silentAfterCommands = 1;
    StartServer(behaviour);
    m_services.SetTimeoutMs(10 * 60000);  // the cancel, not the time-out, must end the read
    CThreadManager manager;
    manager.Start(m_window, 1, [&](int index) {
        return std::make_unique<CCorvaneWorker>(index, m_services, Jobs());
    });
    manager.SetThreadCount(1);
    auto owned = Item("alt.test");
    const CWorkItem* item = owned.get();
    manager.AddItem(std::move(owned));
    SMessage message;
    ASSERT_TRUE(m_window.GetFor(message, 10s));
    EXPECT_EQ(message.number, UWM_QUEUE_BUSY);
    // Wait until the job sits in its read of the GROUP reply.
    for (int i = 0; i < 10000 && CommandsOf(1).size() < 2; ++i) std::this_thread::sleep_for(1ms);
    ASSERT_EQ(CommandsOf(1), (Lines{"MODE READER", "GROUP alt.test"}));
    manager.RemoveItem(item);
    ASSERT_TRUE(m_window.GetFor(message, 60s));
    EXPECT_EQ(message.number, UWM_ITEM_RETURNED);
    std::unique_ptr<CWorkItem> back(static_cast<CWorkItem*>(message.lParam));
    EXPECT_EQ(back.get(), item);
    ASSERT_TRUE(m_window.GetFor(message, 10s));
    EXPECT_EQ(message.number, UWM_QUEUE_IDLE);
}

}  // namespace
}  // namespace corvane
