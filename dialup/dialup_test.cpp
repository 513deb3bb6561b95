#include "dialup/dialup.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "dialup/fake_dialup_service.h"
#include "dialup/work_gate.h"
#include "work/messages.h"

namespace corvane {
namespace {

class CCountingGate final : public IWorkGate {
public:
    void Pause() override { ++pauses; }
    void Resume() override { ++resumes; }
    void RemoveAllWork() override { ++removals; }
    int pauses = 0;
    int resumes = 0;
    int removals = 0;
};

using SStatus = CFakeDialupService::SStatus;

class DialupTest : public ::testing::Test {
protected:
    DialupTest() { m_setup.SetDialUpEntry("Provider"); }

    // The UWM_DIALUP_STATE values waiting in the window's queue, in order.
    std::vector<intptr_t> DialupPosts() {
        std::vector<intptr_t> values;
        SMessage message;
        while (m_window.TryGet(message)) {
            if (message.number == UWM_DIALUP_STATE) {
                values.push_back(reinterpret_cast<intptr_t>(message.lParam));
            }
        }
        return values;
    }

    CFakeDialupService m_service;
    CMessageQueue m_window;
    CRecordingPrompt m_prompt;
    CCountingGate m_gate;
    CSetup m_setup;
    CDialup m_dialup{&m_service, m_window, m_prompt};
};

TEST_F(DialupTest, DirectConnectionQueuesAtOnceWithoutDialling) {
    m_setup.m_directConnection = 1;
    EXPECT_EQ(m_dialup.EnsureConnection(m_setup), CDialup::kConnected);
    EXPECT_EQ(m_dialup.StatusText(), "Connected");
    EXPECT_TRUE(m_dialup.ReadyToQueue(m_setup, m_gate));
    EXPECT_EQ(m_gate.pauses, 0);
    EXPECT_EQ(m_service.EnumCount(), 0);
    EXPECT_EQ(m_service.DialCount(), 0);
    EXPECT_FALSE(m_dialup.IsDialupConnected(m_setup));
    // Nothing was dialled or taken over, so there is nothing to end.
    m_setup.m_hangUpWhenFinished = 1;
    m_setup.m_autoHangUp = 1;
    m_dialup.HangUp(m_setup);
    EXPECT_TRUE(m_service.HungUp().empty());
    EXPECT_TRUE(DialupPosts().empty());
}

TEST_F(DialupTest, DiallingNotWantedCountsAsConnected) {
    m_setup.m_connectIfNotConnected = 0;
    EXPECT_EQ(m_dialup.EnsureConnection(m_setup), CDialup::kConnected);
    EXPECT_EQ(m_dialup.StatusText(), "Connected");
    EXPECT_EQ(m_service.DialCount(), 0);
}

TEST(DialupWithoutServiceTest, EveryEnsureConnectionAnswersConnected) {
    CMessageQueue window;
    CRecordingPrompt prompt;
    CDialup dialup(nullptr, window, prompt);
    CSetup setup;
    setup.SetDialUpEntry("Provider");
    for (int direct = 0; direct <= 1; ++direct) {
        for (int connect = 0; connect <= 1; ++connect) {
            setup.m_directConnection = direct;
            setup.m_connectIfNotConnected = connect;
            EXPECT_EQ(dialup.EnsureConnection(setup), CDialup::kConnected);
        }
    }
    EXPECT_EQ(dialup.StatusText(), "Connected");
    EXPECT_FALSE(dialup.IsDialupConnected(setup));
    setup.m_autoHangUp = 1;
    setup.m_hangUpWhenFinished = 1;
    dialup.HangUp(setup);
    EXPECT_EQ(dialup.StatusText(), "Connected");
    EXPECT_TRUE(prompt.Messages().empty());
    EXPECT_EQ(window.Size(), 0u);
}

TEST_F(DialupTest, ConnectionOfAnotherProgramIsTakenOverAndKeptAtTheEnd) {
    m_service.AddConnection("Other", 5, {});
    m_service.AddConnection("Provider", 7, {});
    EXPECT_EQ(m_dialup.EnsureConnection(m_setup), CDialup::kConnected);
    EXPECT_EQ(m_dialup.StatusText(), "Connected");
    EXPECT_EQ(m_service.DialCount(), 0);
    EXPECT_FALSE(m_dialup.DialledByUs());
    // Held for up: the real line is not asked again.
    EXPECT_EQ(m_dialup.EnsureConnection(m_setup), CDialup::kConnected);
    EXPECT_EQ(m_service.EnumCount(), 1);

    m_setup.m_hangUpWhenFinished = 1;
    m_dialup.HangUp(m_setup);
    EXPECT_TRUE(m_service.HungUp().empty());
    EXPECT_EQ(m_dialup.StatusText(), "Connected");

    m_setup.m_autoHangUp = 1;
    m_dialup.HangUp(m_setup);
    EXPECT_EQ(m_service.HungUp(), std::vector<DialupHandle>{7});
    EXPECT_EQ(m_dialup.StatusText(), "Not Connected");
    EXPECT_FALSE(m_dialup.IsUp());
    EXPECT_EQ(DialupPosts(), std::vector<intptr_t>{0});
    // The handle died with the line; a second hang-up must not touch it again.
    m_dialup.HangUp(m_setup);
    EXPECT_EQ(m_service.HungUp().size(), 1u);
}

TEST_F(DialupTest, EntryNamesAreComparedCaseSensitively) {
    m_service.AddConnection("provider", 3, {});
    EXPECT_EQ(m_dialup.EnsureConnection(m_setup), CDialup::kDialling);
    EXPECT_EQ(m_service.DialCount(), 1);
    EXPECT_FALSE(m_dialup.IsDialupConnected(m_setup));
}

TEST_F(DialupTest, HalfOpenConnectionOfTheEntryIsHungUpBeforeLookingOn) {
    m_service.AddConnection("Provider", 3, {0, 0x1000});
    m_service.AddConnection("Provider", 4, {0, kDialStateConnected});
    EXPECT_EQ(m_dialup.EnsureConnection(m_setup), CDialup::kConnected);
    EXPECT_EQ(m_service.HungUp(), std::vector<DialupHandle>{3});
    EXPECT_EQ(m_service.DialCount(), 0);
    m_setup.m_autoHangUp = 1;
    m_dialup.HangUp(m_setup);
    EXPECT_EQ(m_service.HungUp(), (std::vector<DialupHandle>{3, 4}));
}

TEST_F(DialupTest, UnreadableStatusShowsItsBoxAndDials) {
    m_service.AddConnection("Provider", 3, {1, 0});
    m_service.AddConnection("Provider", 4, {0, kDialStateConnected});
    EXPECT_EQ(m_dialup.EnsureConnection(m_setup), CDialup::kDialling);
    EXPECT_EQ(m_prompt.Messages(), std::vector<std::string>{"Failure to Get Connect Status"});
    EXPECT_EQ(m_service.DialCount(), 1);
    EXPECT_EQ(m_dialup.StatusText(), "Connecting");
}

TEST_F(DialupTest, FailedEnumerationShowsItsBoxAndQueuesNothing) {
    m_service.SetEnumResult(600);
    EXPECT_FALSE(m_dialup.ReadyToQueue(m_setup, m_gate));
    EXPECT_EQ(m_prompt.Messages(), std::vector<std::string>{"Failure to Enum Connections"});
    EXPECT_EQ(m_service.DialCount(), 0);
    EXPECT_EQ(m_gate.pauses, 0);
    EXPECT_FALSE(m_dialup.IsUp());
    EXPECT_FALSE(m_dialup.IsDialupConnected(m_setup));
}

TEST_F(DialupTest, DialUsesTheEntryAndItsStoredParameters) {
    SDialParams stored;
    stored.entry = "ignored";
    stored.user = "joe";
    stored.password = "secret";
    stored.phoneNumber = "5551234";
    m_service.SetStoredParams(stored);
    m_dialup.EnsureConnection(m_setup);
    const SDialParams used = m_service.LastDialParams();
    EXPECT_EQ(used.entry, "Provider");
    EXPECT_EQ(used.user, "joe");
    EXPECT_EQ(used.password, "secret");
    EXPECT_EQ(used.phoneNumber, "5551234");
}

TEST_F(DialupTest, OverlongEntryNameIsCutToTheServiceLimit) {
    m_setup.SetDialUpEntry(std::string(400, 'e'));
    m_dialup.EnsureConnection(m_setup);
    EXPECT_EQ(m_service.LastDialParams().entry, std::string(kDialupMaxText, 'e'));
}

TEST_F(DialupTest, CommandsDuringTheDialPauseAndStartOnConnect) {
    m_service.SetDialAnswer(0, 42);
    EXPECT_TRUE(m_dialup.ReadyToQueue(m_setup, m_gate));
    EXPECT_TRUE(m_dialup.IsDialling());
    EXPECT_TRUE(m_dialup.IsUp());
    EXPECT_EQ(m_dialup.StatusText(), "Connecting");
    EXPECT_TRUE(m_dialup.ReadyToQueue(m_setup, m_gate));
    EXPECT_EQ(m_gate.pauses, 2);
    EXPECT_EQ(m_service.DialCount(), 1);
    EXPECT_EQ(m_service.EnumCount(), 1);

    m_service.ReportFromServiceThread(0x1001, 0);  // an in-between state
    EXPECT_TRUE(DialupPosts().empty());
    EXPECT_TRUE(m_dialup.IsDialling());

    m_service.ReportFromServiceThread(kDialStateConnected, 0);
    EXPECT_FALSE(m_dialup.IsDialling());
    EXPECT_TRUE(m_dialup.DialledByUs());
    EXPECT_EQ(DialupPosts(), std::vector<intptr_t>{1});
    m_dialup.OnDialupState(true, m_gate);
    EXPECT_EQ(m_gate.resumes, 1);
    EXPECT_EQ(m_dialup.StatusText(), "Connected");

    EXPECT_EQ(m_dialup.EnsureConnection(m_setup), CDialup::kConnected);
    EXPECT_EQ(m_gate.pauses, 2);

    // Not asked to hang up: the line stays.
    m_dialup.HangUp(m_setup);
    EXPECT_TRUE(m_service.HungUp().empty());
    m_setup.m_hangUpWhenFinished = 1;
    m_dialup.HangUp(m_setup);
    EXPECT_EQ(m_service.HungUp(), std::vector<DialupHandle>{42});
    EXPECT_EQ(m_dialup.StatusText(), "Not Connected");
    EXPECT_EQ(DialupPosts(), std::vector<intptr_t>{0});
}

TEST_F(DialupTest, DialThatCannotStartShowsTheServiceText) {
    m_service.SetDialAnswer(623, 0);
    m_service.SetErrorText(623, "The entry could not be found.");
    EXPECT_FALSE(m_dialup.ReadyToQueue(m_setup, m_gate));
    EXPECT_EQ(m_dialup.StatusText(), "The entry could not be found.");
    EXPECT_FALSE(m_dialup.IsUp());
    EXPECT_FALSE(m_dialup.IsDialling());
    EXPECT_EQ(m_gate.pauses, 0);
    // Nothing is held: the next command tries again.
    m_dialup.EnsureConnection(m_setup);
    EXPECT_EQ(m_service.DialCount(), 2);
}

TEST_F(DialupTest, ErrorWithoutServiceTextShowsTheNumber) {
    m_service.SetDialAnswer(-633, 0);
    EXPECT_EQ(m_dialup.EnsureConnection(m_setup), CDialup::kNoConnection);
    EXPECT_EQ(m_dialup.StatusText(), "Undefined RAS error -633");
}

TEST_F(DialupTest, OverlongServiceTextIsCut) {
    m_service.SetDialAnswer(700, 0);
    m_service.SetErrorText(700, std::string(1000, 'x'));
    m_dialup.EnsureConnection(m_setup);
    EXPECT_EQ(m_dialup.StatusText().size(), kDialupMaxText);
}

TEST_F(DialupTest, LostLineReturnsAllWorkAndShowsWhy) {
    m_service.SetDialAnswer(0, 42);
    m_dialup.EnsureConnection(m_setup);
    m_service.ReportFromServiceThread(kDialStateConnected, 0);
    m_service.ReportFromServiceThread(kDialStateDisconnected, 678);
    EXPECT_EQ(m_service.HungUp(), std::vector<DialupHandle>{42});
    EXPECT_FALSE(m_dialup.IsUp());
    EXPECT_FALSE(m_dialup.IsDialling());
    EXPECT_EQ(m_dialup.LastErrorText(), "Undefined RAS error 678");
    EXPECT_EQ(DialupPosts(), (std::vector<intptr_t>{1, 0}));

    m_dialup.OnDialupState(false, m_gate);
    EXPECT_EQ(m_gate.removals, 1);
    EXPECT_EQ(m_dialup.StatusText(), "Undefined RAS error 678");

    // The line is no longer held: the next command dials again.
    EXPECT_EQ(m_dialup.EnsureConnection(m_setup), CDialup::kDialling);
    EXPECT_EQ(m_service.DialCount(), 2);
    // Ended by the service, so the end of the work has nothing left to hang up.
    m_setup.m_hangUpWhenFinished = 1;
    m_service.ReportFromServiceThread(kDialStateDisconnected, 691);
    m_dialup.HangUp(m_setup);
    EXPECT_EQ(m_service.HungUp(), (std::vector<DialupHandle>{42, 42}));
}

TEST_F(DialupTest, DialThatFailsBeforeConnectingUsesTheServiceText) {
    m_service.SetDialAnswer(0, 9);
    m_service.SetErrorText(680, "There is no dial tone.");
    m_dialup.EnsureConnection(m_setup);
    m_service.ReportFromServiceThread(kDialStateDisconnected, 680);
    EXPECT_EQ(m_dialup.LastErrorText(), "There is no dial tone.");
    EXPECT_FALSE(m_dialup.DialledByUs());
    EXPECT_EQ(DialupPosts(), std::vector<intptr_t>{0});
}

TEST_F(DialupTest, IsDialupConnectedRemembersTheConnectionForAutoHangUp) {
    m_service.AddConnection("Provider", 3, {1, 0});
    m_service.AddConnection("Provider", 8, {0, kDialStateConnected});
    EXPECT_TRUE(m_dialup.IsDialupConnected(m_setup));
    m_setup.m_autoHangUp = 1;
    m_dialup.HangUp(m_setup);
    EXPECT_EQ(m_service.HungUp(), std::vector<DialupHandle>{8});
}

TEST_F(DialupTest, OnlyTheFirstTwentyConnectionsAreExamined) {
    for (DialupHandle h = 1; h <= 25; ++h)
        m_service.AddConnection(h == 25 ? "Provider" : "x", h, {});
    EXPECT_FALSE(m_dialup.IsDialupConnected(m_setup));
    EXPECT_EQ(m_dialup.EnsureConnection(m_setup), CDialup::kDialling);
}

TEST_F(DialupTest, ConnectFromTheServiceThreadMeetsCommandsOnTheMainThread) {
    m_service.SetDialAnswer(0, 42);
    ASSERT_EQ(m_dialup.EnsureConnection(m_setup), CDialup::kDialling);
    std::atomic<bool> reported{false};
    std::thread service([&] {
        m_service.ReportFromServiceThread(kDialStateConnected, 0);
        reported.store(true);
    });
    // Commands keep coming while the line comes up; each one either waits for it or goes.
    while (!reported.load()) {
        EXPECT_NE(m_dialup.EnsureConnection(m_setup), CDialup::kNoConnection);
    }
    service.join();
    EXPECT_EQ(m_dialup.EnsureConnection(m_setup), CDialup::kConnected);
    SMessage message;
    ASSERT_TRUE(m_window.TryGet(message));
    EXPECT_EQ(message.number, UWM_DIALUP_STATE);
    EXPECT_EQ(reinterpret_cast<intptr_t>(message.lParam), 1);
    EXPECT_TRUE(m_dialup.DialledByUs());
    EXPECT_EQ(m_service.DialCount(), 1);
}

}  // namespace
}  // namespace corvane
