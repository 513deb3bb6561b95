#include "dialup/work_gate.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "work/messages.h"

namespace corvane {
namespace {

// A lost line must give every waiting item back to the window through the real manager.
TEST(ThreadManagerGateTest, RemoveAllWorkReturnsTheWaitingItems) {
    CMessageQueue window;
    CThreadManager manager;
    manager.Start(window, 0, [](int) { return std::unique_ptr<CThreadWorker>(); });
    CThreadManagerGate gate(manager);
    gate.Pause();
    auto item = std::make_unique<CWorkItem>();
    item->group = "alt.test";
    manager.AddItem(std::move(item));
    gate.RemoveAllWork();

    SMessage message;
    std::unique_ptr<CWorkItem> back;
    while (!back && window.GetFor(message, std::chrono::seconds(30))) {
        if (message.number == UWM_ITEM_RETURNED)
            back.reset(static_cast<CWorkItem*>(message.lParam));
    }
    ASSERT_TRUE(back);
    EXPECT_EQ(back->group, "alt.test");
    gate.Resume();
    manager.Shutdown();
    manager.WaitStopped();
}

}  // namespace
}  // namespace corvane
