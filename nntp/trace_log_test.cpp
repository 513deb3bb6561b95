#include "nntp/trace_log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <thread>

#include "nntp/connection.h"
#include "nntp/session_fixture.h"

namespace corvane {
namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class TraceLogTest : public SessionTest {
protected:
    std::string TracePath() const { return m_dir + "/dbgtrace"; }
};

TEST_F(TraceLogTest, RecordsKeepTheirExactFormat) {
    CTraceLog trace(TracePath());
    trace.Traffic(3, true, "GROUP alt.test\r\n");
    EXPECT_FALSE(std::filesystem::exists(TracePath())) << "nothing is written before tracing is on";

    trace.Enable();
    trace.Traffic(3, true, "GROUP alt.test\r\n");
    trace.Traffic(3, false, "211 2 1 2 alt.test");
    trace.Enable();
    EXPECT_EQ(ReadAll(TracePath()),
              "Starting Trace - Version: 2.0.17\n"
              "03 : -> GROUP alt.test\r\n\n"
              "03 : <- 211 2 1 2 alt.test\n"
              "Starting Trace - Version: 2.0.17\n");

    // A later run extends the file.
    CTraceLog later(TracePath());
    later.Enable();
    EXPECT_EQ(ReadAll(TracePath()).substr(0, 33), "Starting Trace - Version: 2.0.17\n");
    EXPECT_EQ(ReadAll(TracePath()).size(), 33u * 3 + 25 + 27);
}

TEST_F(TraceLogTest, EightWritersNeverMixWithinALine) {
    CTraceLog trace(TracePath());
    trace.Enable();
    constexpr int kLines = 300;
    std::vector<std::thread> writers;
    for (int slot = 0; slot < 8; ++slot) {
        writers.emplace_back([&trace, slot] {
            const std::string body(100 + slot * 37, static_cast<char>('a' + slot));
            for (int i = 0; i < kLines; ++i) trace.Traffic(slot, i % 2 == 0, body + std::to_string(i));
        });
    }
    for (auto& writer : writers) writer.join();

    std::istringstream lines(ReadAll(TracePath()));
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "Starting Trace - Version: 2.0.17");
    const std::regex record("0([0-7]) : (->|<-) ([a-h]+)([0-9]+)");
    std::map<int, int> perSlot;
    while (std::getline(lines, line)) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(line, match, record)) << line.substr(0, 80);
        const int slot = std::stoi(match[1]);
        EXPECT_EQ(match[3].str(), std::string(100 + slot * 37, static_cast<char>('a' + slot)));
        ++perSlot[slot];
    }
    for (int slot = 0; slot < 8; ++slot) EXPECT_EQ(perSlot[slot], kLines) << slot;
}

TEST_F(TraceLogTest, AnUnwritableTraceNeverDisturbsTheConnection) {
    StartServer();
    CTraceLog trace(m_dir + "/no/such/folder/dbgtrace");
    trace.Enable();
    CBasicNntpServices services(5000, &trace);
    CNntpConnection connection(1, services);
    ASSERT_TRUE(connection.Connect("127.0.0.1", "u", "p", false, m_server->Port()));
    connection.SendLine("GROUP alt.test\r\n");
    std::string reply;
    EXPECT_TRUE(connection.ReceiveLine(reply));
    EXPECT_TRUE(connection.IsConnected());
}

TEST_F(TraceLogTest, AConnectionTracesLoginLinesPasswordIncluded) {
    testserver::SBehaviour behaviour;
    behaviour.requireAuth = true;
    StartServer(behaviour);
    CTraceLog trace(TracePath());
    trace.Enable();
    CBasicNntpServices services(5000, &trace);
    CNntpConnection connection(7, services);
    ASSERT_TRUE(connection.Connect("127.0.0.1", "tester", "secret", true, m_server->Port()));
    const std::string text = ReadAll(TracePath());
    EXPECT_NE(text.find("07 : -> MODE READER\r\n\n"), std::string::npos);
    EXPECT_NE(text.find("07 : -> AUTHINFO PASS secret\r\n\n"), std::string::npos);
    EXPECT_NE(text.find("07 : <- 281"), std::string::npos);
    EXPECT_NE(text.find("07 : <- 200 "), std::string::npos);
}

}  // namespace
}  // namespace corvane
