#include "platform/message_queue.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace corvane {
namespace {

TEST(MessageQueue, ServesInPostingOrderAndStopsAtQuit) {
    CMessageQueue queue;
    int payload = 7;
    ASSERT_TRUE(queue.Post(1034, 0, &payload));
    ASSERT_TRUE(queue.Post(1033, 3));
    queue.PostQuit();
    ASSERT_TRUE(queue.Post(1035));

    SMessage message;
    ASSERT_TRUE(queue.Get(message));
    EXPECT_EQ(message.number, 1034u);
    EXPECT_EQ(message.lParam, &payload);
    ASSERT_TRUE(queue.Get(message));
    EXPECT_EQ(message.number, 1033u);
    EXPECT_EQ(message.wParam, 3);
    EXPECT_FALSE(queue.Get(message)) << "the quit message ends the loop";
    EXPECT_EQ(queue.Size(), 1u) << "what follows the quit message stays queued";
}

TEST(MessageQueue, FullQueueRefusesAPostButAlwaysTakesQuit) {
    CMessageQueue queue(2);
    EXPECT_TRUE(queue.Post(1));
    EXPECT_TRUE(queue.Post(2));
    EXPECT_FALSE(queue.Post(3));
    queue.PostQuit();
    EXPECT_EQ(queue.Size(), 3u);

    auto owned = std::make_unique<int>(5);
    EXPECT_FALSE(PostOwned(queue, 4, 0, owned));
    EXPECT_NE(owned, nullptr) << "a refused post leaves the object with its sender";
}

TEST(MessageQueue, PostUntilAcceptedWaitsForRoomAndLosesNothing) {
    CMessageQueue queue(4);
    constexpr int kCount = 2000;
    std::thread sender([&] {
        for (int i = 0; i < kCount; ++i) queue.PostUntilAccepted(1043, i);
        queue.PostQuit();
    });
    std::vector<intptr_t> received;
    SMessage message;
    while (queue.Get(message)) received.push_back(message.wParam);
    sender.join();
    ASSERT_EQ(received.size(), static_cast<size_t>(kCount));
    for (int i = 0; i < kCount; ++i) ASSERT_EQ(received[i], i);
}

TEST(MessageQueue, GetForAndTryGetReportWhetherAMessageWasTaken) {
    CMessageQueue queue;
    SMessage message;
    EXPECT_FALSE(queue.TryGet(message));
    EXPECT_FALSE(queue.GetFor(message, std::chrono::milliseconds(5)));
    EXPECT_EQ(message.number, 0u);
    queue.PostQuit();
    EXPECT_TRUE(queue.GetFor(message, std::chrono::milliseconds(5)));
    EXPECT_EQ(message.number, kQuitMessage);
}

}  // namespace
}  // namespace corvane
