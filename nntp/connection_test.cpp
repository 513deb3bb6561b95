#include "nntp/connection.h"

#include <gtest/gtest.h>

#include "nntp/session_fixture.h"

namespace corvane {
namespace {

using Lines = std::vector<std::string>;

class ConnectionTest : public SessionTest {
protected:
    bool Connect(bool login, const std::string& user = "tester", const std::string& password = "secret") {
        return m_connection.Connect("127.0.0.1", user, password, login, m_server->Port());
    }
    CNntpConnection m_connection{3, m_services};
    CWorkerDisplay m_row;
};

TEST_F(ConnectionTest, ARefusedModeReaderStillGivesAUsableConnectionWithoutLogin) {
    testserver::SBehaviour behaviour;
    behaviour.modeReaderError = true;
    StartServer(behaviour);
    // User and password filled in, but the server does not need them: they are not sent.
    ASSERT_TRUE(Connect(false)) << m_connection.LastError();
    EXPECT_TRUE(m_connection.IsConnected());
    m_connection.SendLine("GROUP alt.test\r\n");
    std::string reply;
    ASSERT_TRUE(m_connection.ReceiveLine(reply));
    EXPECT_EQ(reply, "211 2 1 2 alt.test");
    EXPECT_EQ(CommandsOf(1), (Lines{"MODE READER", "GROUP alt.test"}));
    // Already open: nothing more is sent.
    EXPECT_TRUE(Connect(false));
    EXPECT_EQ(m_server->ConnectionsAccepted(), 1);
}

TEST_F(ConnectionTest, LoginIsAcceptedOnlyWith281) {
    testserver::SBehaviour behaviour;
    behaviour.requireAuth = true;
    StartServer(behaviour);
    ASSERT_TRUE(Connect(true)) << m_connection.LastError();
    EXPECT_EQ(CommandsOf(1), (Lines{"MODE READER", "AUTHINFO USER tester", "AUTHINFO PASS secret"}));

    CNntpConnection refused(0, m_services);
    EXPECT_FALSE(refused.Connect("127.0.0.1", "tester", "wrong", true, m_server->Port()));
    EXPECT_FALSE(refused.IsConnected());

    // A success code that is not 281 is no login either.
    m_server->Stop();
    behaviour.passReply = "250 fine by me";
    StartServer(behaviour);
    CNntpConnection odd(0, m_services);
    EXPECT_FALSE(odd.Connect("127.0.0.1", "tester", "secret", true, m_server->Port()));
    EXPECT_FALSE(odd.IsConnected());
}

TEST_F(ConnectionTest, ConnectFailsWhenNothingListensOrTheGreetingNeverComes) {
    EXPECT_FALSE(m_connection.Connect("127.0.0.1", "", "", false, 1));
    EXPECT_FALSE(m_connection.IsConnected());

    testserver::SBehaviour behaviour;
    behaviour.silentAfterCommands = 0;
    StartServer(behaviour);
    m_services.SetTimeoutMs(200);
    EXPECT_FALSE(Connect(false));
    EXPECT_FALSE(m_connection.IsConnected());
}

TEST_F(ConnectionTest, SilenceLongerThanTheTimeOutFailsTheReadAndClosesTheConnection) {
    testserver::SBehaviour behaviour;
    behaviour.silentAfterCommands = 1;  // MODE READER is the last command answered
    StartServer(behaviour);
    m_connection.SetControls(WorkerControl::Activity, &m_row);
    ASSERT_TRUE(Connect(false));
    EXPECT_EQ(m_row.State().activityImage, kActivityActiveImage);
    m_services.SetTimeoutMs(200);  // read afresh at every call
    m_connection.SendLine("GROUP alt.test\r\n");
    std::string reply;
    EXPECT_FALSE(m_connection.ReceiveLine(reply));
    EXPECT_FALSE(m_connection.IsConnected());
    EXPECT_EQ(m_row.State().activityImage, kActivityIdleImage);
    // Later calls fail at once and send nothing.
    m_connection.SendLine("GROUP alt.test\r\n");
    EXPECT_FALSE(m_connection.ReceiveLine(reply));
    EXPECT_EQ(CommandsOf(1).size(), 2u);
}

TEST_F(ConnectionTest, AnEndlessLineFailsCleanly) {
    testserver::SBehaviour behaviour;
    behaviour.endlessLineAfter = "BODY";
    StartServer(behaviour);
    ASSERT_TRUE(Connect(false));
    m_connection.SendLine("GROUP alt.test\r\n");
    std::string reply;
    ASSERT_TRUE(m_connection.ReceiveLine(reply));
    m_connection.SendLine("BODY 1\r\n");
    EXPECT_FALSE(m_connection.ReceiveLine(reply));
    EXPECT_NE(m_connection.LastError().find("too long"), std::string::npos) << m_connection.LastError();
    EXPECT_FALSE(m_connection.IsConnected());
}

TEST_F(ConnectionTest, ADroppedConnectionFailsTheNextRead) {
    testserver::SBehaviour behaviour;
    behaviour.dropAfterLines = 4;  // greeting, MODE READER, GROUP, the BODY status line
    StartServer(behaviour);
    ASSERT_TRUE(Connect(false));
    std::string reply;
    m_connection.SendLine("GROUP alt.test\r\n");
    ASSERT_TRUE(m_connection.ReceiveLine(reply));
    m_connection.SendLine("BODY 1\r\n");
    ASSERT_TRUE(m_connection.ReceiveLine(reply));
    EXPECT_EQ(reply.substr(0, 3), "222");
    EXPECT_FALSE(m_connection.ReceiveLine(reply));
    EXPECT_FALSE(m_connection.IsConnected());
}

TEST_F(ConnectionTest, LinesComeAsSentAndEveryLineCountsItsLengthPlusOne) {
    StartServer();
    ASSERT_TRUE(Connect(false));
    const long before = m_services.ReceivedBytes();
    EXPECT_GT(before, 0) << "greeting and MODE READER reply are counted too";
    m_connection.SendLine("GROUP alt.test\r\n");
    m_connection.SendLine("BODY 1\r\n");
    Lines lines;
    std::string line;
    for (int i = 0; i < 5 && m_connection.ReceiveLine(line); ++i) lines.push_back(line);
    // No dot-unstuffing at this layer: the server's extra dot arrives, and "." ends the data.
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[2], "body line");
    EXPECT_EQ(lines[3], "..dot line");
    EXPECT_EQ(lines[4], ".");
    long expected = 0;
    for (const auto& received : lines) expected += static_cast<long>(received.size()) + 1;
    EXPECT_EQ(m_services.ReceivedBytes() - before, expected);
}

TEST(ConnectionProgress, TheRowMovesOncePerTwentiethAndZeroAlwaysResets) {
    CBasicNntpServices services;
    CNntpConnection connection(0, services);
    CWorkerDisplay row;
    connection.SetControls(WorkerControl::Progress, &row);
    auto shown = [&](int value) {
        const auto before = row.State().change;
        connection.SetProgress(value);
        const auto after = row.State();
        return after.change == before ? -1 : after.progress;
    };
    connection.SetProgressRange(0, 1000);
    EXPECT_EQ(shown(0), 0);
    EXPECT_EQ(shown(10), -1);  // below the next step (50)
    EXPECT_EQ(shown(50), 1);
    EXPECT_EQ(shown(99), -1);
    EXPECT_EQ(shown(100), 2);
    EXPECT_EQ(shown(999), 19);
    EXPECT_EQ(shown(0), 0);
    EXPECT_EQ(shown(20), -1);

    connection.SetProgressRange(5, 5);  // no span: every value moves the row, divisor 1
    EXPECT_EQ(shown(1), 20);
    connection.SetProgressRange(0, 10);  // a span below 20 steps: every call shows
    EXPECT_EQ(shown(3), 6);
    EXPECT_EQ(shown(3), 6);
}

}  // namespace
}  // namespace corvane
