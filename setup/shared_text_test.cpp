#include "setup/shared_text.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace corvane {
namespace {

TEST(SharedText, EqualTextsShareOneCopy) {
    const std::size_t before = CSharedText::PooledCount();
    CSharedText a("alt.binaries.shared.one");
    CSharedText b(std::string("alt.binaries.shared.") + "one");
    EXPECT_TRUE(a.SameCopy(b));
    EXPECT_EQ(&a.Str(), &b.Str());
    EXPECT_EQ(CSharedText::PooledCount(), before + 1);
    CSharedText c("alt.binaries.shared.two");
    EXPECT_FALSE(a.SameCopy(c));
    EXPECT_EQ(c.Str(), "alt.binaries.shared.two");
    EXPECT_EQ(CSharedText::PooledCount(), before + 2);
}

TEST(SharedText, LastHandleTakesTheCopyOutOfThePool) {
    const std::size_t before = CSharedText::PooledCount();
    auto a = std::make_unique<CSharedText>("alt.binaries.shared.last");
    CSharedText copy(*a);
    a.reset();
    EXPECT_EQ(copy.Str(), "alt.binaries.shared.last");
    EXPECT_EQ(CSharedText::PooledCount(), before + 1);
    copy = CSharedText();
    EXPECT_EQ(CSharedText::PooledCount(), before);
    // Named again after it went, the text gets a fresh copy with the same contents.
    CSharedText again("alt.binaries.shared.last");
    EXPECT_EQ(again.Str(), "alt.binaries.shared.last");
}

TEST(SharedText, EmptyTextHoldsNothing) {
    const std::size_t before = CSharedText::PooledCount();
    CSharedText empty("");
    CSharedText none;
    EXPECT_TRUE(empty.Empty());
    EXPECT_EQ(empty.Str(), "");
    EXPECT_TRUE(empty.SameCopy(none));
    EXPECT_EQ(CSharedText::PooledCount(), before);
}

TEST(SharedText, AssignmentAndMovesKeepCountsRight) {
    const std::size_t before = CSharedText::PooledCount();
    CSharedText a("alt.binaries.shared.assign");
    CSharedText b("alt.binaries.shared.other");
    b = a;  // drops the only handle of "other"
    EXPECT_EQ(CSharedText::PooledCount(), before + 1);
    EXPECT_EQ(b.Str(), "alt.binaries.shared.assign");
    CSharedText moved(std::move(a));
    EXPECT_TRUE(a.Empty());  // NOLINT(bugprone-use-after-move): a moved-from handle is empty
    EXPECT_TRUE(moved.SameCopy(b));
    b = std::move(moved);
    EXPECT_EQ(b.Str(), "alt.binaries.shared.assign");
    b = CSharedText();
    EXPECT_EQ(CSharedText::PooledCount(), before);
}

// Workers name records while another thread drops them, as header workers and the main
// thread do; the pool must end with nothing listed and every text intact on the way.
TEST(SharedText, ManyThreadsMakeAndDropHandlesOfFewTexts) {
    const std::size_t before = CSharedText::PooledCount();
    constexpr int kThreads = 4;
    constexpr int kRounds = 20000;
    const std::string names[] = {"alt.binaries.race.a", "alt.binaries.race.b",
                                 "alt.binaries.race.c"};
    std::vector<int> mismatches(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            std::vector<CSharedText> held;
            for (int i = 0; i < kRounds; ++i) {
                const std::string& name = names[(i + t) % 3];
                CSharedText text(name);
                if (text.Str() != name) ++mismatches[t];
                held.push_back(std::move(text));
                // Dropping in bursts brings counts to 0 often, racing the other threads.
                if (held.size() == 3) held.clear();
            }
        });
    }
    for (auto& th : threads) th.join();
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(mismatches[t], 0) << t;
    EXPECT_EQ(CSharedText::PooledCount(), before);
}

}  // namespace
}  // namespace corvane
