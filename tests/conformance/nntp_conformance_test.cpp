// The NNTP connection against a real news server: greeting, login, GROUP and a short XOVER,
// compared with the manifest of the seeded corpus.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "nntp/connection.h"
#include "tests/support/json.h"
#include "tests/support/news_fixture.h"

namespace corvane {
namespace {

using testsupport::CJson;

class NewsFixtureTest : public testsupport::CNewsFixture {
protected:
    std::string Command(CNntpConnection& connection, const std::string& line) {
        connection.SendLine(line + "\r\n");
        std::string reply;
        EXPECT_TRUE(connection.ReceiveLine(reply)) << line << ": " << connection.LastError();
        return reply;
    }

    CBasicNntpServices m_services{30000};
};

TEST_F(NewsFixtureTest, GroupAndOverviewMatchTheCorpus) {
    CNntpConnection connection(0, m_services);
    ASSERT_TRUE(connection.Connect(m_host, "", "", false, Port())) << connection.LastError();

    const std::string name = "alt.binaries.test.small";
    const CJson& group = m_manifest["groups"][name];
    ASSERT_FALSE(group.IsNull());
    std::ostringstream expected;
    expected << "211 " << group["count"].Long() << " " << group["low"].Long() << " "
             << group["high"].Long() << " " << name;
    EXPECT_EQ(Command(connection, "GROUP " + name), expected.str());

    const long low = group["low"].Long();
    const std::string reply = Command(connection, "XOVER " + std::to_string(low) + "-" + std::to_string(low + 2));
    ASSERT_EQ(reply.substr(0, 3), "224");
    std::vector<std::string> lines;
    std::string line;
    while (connection.ReceiveLine(line) && line != ".") lines.push_back(line);
    ASSERT_EQ(lines.size(), 3u);
    for (size_t i = 0; i < lines.size(); ++i) {
        const CJson& article = group["articles"][i];
        std::vector<std::string> fields;
        std::istringstream split(lines[i]);
        for (std::string field; std::getline(split, field, '\t');) fields.push_back(field);
        ASSERT_GE(fields.size(), 8u) << lines[i];
        EXPECT_EQ(std::stol(fields[0]), article["number"].Long());
        EXPECT_EQ(fields[1], article["subject"].String());
        EXPECT_EQ(fields[3], article["date"].String());
        EXPECT_EQ(fields[4], article["message_id"].String());
    }
    EXPECT_TRUE(connection.IsConnected());
}

TEST_F(NewsFixtureTest, LoginWhereTheServerRequiresIt) {
    CNntpConnection connection(1, m_services);
    ASSERT_TRUE(connection.Connect(m_host, User(), Password(), true, AuthPort())) << connection.LastError();
    EXPECT_EQ(Command(connection, "GROUP alt.binaries.test.small").substr(0, 3), "211");

    CNntpConnection refused(2, m_services);
    EXPECT_FALSE(refused.Connect(m_host, User(), Password() + "x", true, AuthPort()));
    EXPECT_FALSE(refused.IsConnected());

    // Without logging in the server refuses the group, but the connection itself stands.
    CNntpConnection anonymous(3, m_services);
    ASSERT_TRUE(anonymous.Connect(m_host, "", "", false, AuthPort()));
    EXPECT_EQ(Command(anonymous, "GROUP alt.binaries.test.small").substr(0, 3), "480");
}

}  // namespace
}  // namespace corvane
