#include "tools/news_server/news_server.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tools/news_server/clock_text.h"
#include "tools/news_server/spool.h"

namespace corvane::testserver {
namespace {

namespace fs = std::filesystem;

// Generous bound on every wait, so a broken server fails a test instead of hanging it.
constexpr int kWaitMs = 10000;

// A bare client on a raw socket: it sees exactly the bytes the server sends.
class CClient {
public:
    explicit CClient(int port) {
        m_fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        m_connected = connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~CClient() { close(m_fd); }

    bool Connected() const { return m_connected; }
    bool Send(const std::string& line) { return SendRaw(line + "\r\n"); }
    bool SendRaw(const std::string& bytes) {
        return send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
               static_cast<ssize_t>(bytes.size());
    }

    // One line without its CR LF; nullopt when the connection closed or nothing came.
    // A line that ends in a bare LF is reported as such, so the test can see it.
    std::optional<std::string> ReadLine(int waitMs = kWaitMs) {
        for (;;) {
            const size_t end = m_in.find('\n');
            if (end != std::string::npos) {
                std::string line = m_in.substr(0, end);
                m_in.erase(0, end + 1);
                if (line.empty() || line.back() != '\r') return "<bare LF>" + line;
                line.pop_back();
                return line;
            }
            if (!Fill(waitMs)) return std::nullopt;
        }
    }

    std::string Command(const std::string& line) {
        Send(line);
        return ReadLine().value_or("<nothing>");
    }

    // The data lines of a multi-line reply, exactly as sent (still dot-stuffed), up to ".".
    std::vector<std::string> ReadBlock() {
        std::vector<std::string> lines;
        for (auto line = ReadLine(); line && *line != "."; line = ReadLine()) {
            lines.push_back(*line);
        }
        return lines;
    }

    // True when the server closed the connection (after any bytes still pending).
    bool SeesClose() {
        while (Fill(kWaitMs)) {
        }
        return m_closed;
    }

    // Reads until `count` bytes arrived or the connection ends; returns what came.
    std::string ReadBytes(size_t count) {
        while (m_in.size() < count && Fill(kWaitMs)) {
        }
        return m_in;
    }

private:
    bool Fill(int waitMs) {
        pollfd fd{m_fd, POLLIN, 0};
        if (poll(&fd, 1, waitMs) <= 0) return false;
        char buffer[65536];
        const ssize_t got = recv(m_fd, buffer, sizeof buffer, 0);
        if (got <= 0) {
            m_closed = true;
            return false;
        }
        m_in.append(buffer, static_cast<size_t>(got));
        return true;
    }

    int m_fd = -1;
    bool m_connected = false;
    bool m_closed = false;
    std::string m_in;
};

const char* const kFolded =
    "Path: news.example!relay.example!not-for-mail\n"
    "From: Poster <poster@example.com>\n"
    "Newsgroups: alt.test\n"
    "Subject: first part\n"
    "\tcontinued\there\n"
    "Date: Mon, 07 Dec 2026 10:00:00 +0000\n"
    "Message-ID: <one@example.com>\n"
    "References: <zero@example.com>\n"
    "\n"
    "line one\n"
    ".starts with a dot\n"
    "..\n"
    "\n"
    "last\n";

const char* const kWithXref =
    "Path: a!b!c\n"
    "From: Other <other@example.com>\n"
    "Subject: second\n"
    "Message-ID: <two@example.com>\n"
    "Xref: elsewhere alt.test:5 alt.other:10\n"
    "\n"
    "body\n";

class NewsServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/corvane-news-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_spool = pattern;
        m_server = std::make_unique<CNewsTestServer>(m_spool);
        ASSERT_TRUE(m_server->Start());
        ASSERT_GT(m_server->Port(), 0);
    }
    void TearDown() override {
        m_server.reset();
        fs::remove_all(m_spool);
    }

    // A client past the greeting.
    std::unique_ptr<CClient> Connect() {
        auto client = std::make_unique<CClient>(m_server->Port());
        EXPECT_TRUE(client->Connected());
        EXPECT_EQ(client->ReadLine(), "200 Corvane test server ready (posting ok)");
        return client;
    }

    // The server logs a line when it reads it, which may be after the client sent it.
    std::vector<CNewsTestServer::SCommand> WaitForCommands(size_t count) {
        for (int i = 0; i < kWaitMs / 10 && m_server->Commands().size() < count; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return m_server->Commands();
    }

    void WriteStamp(const std::string& group, const std::string& stamp) {
        fs::create_directories(m_spool + "/" + group);
        std::ofstream(m_spool + "/" + group + "/.created") << stamp << "\n";
    }

    std::string m_spool;
    std::unique_ptr<CNewsTestServer> m_server;
};

TEST_F(NewsServerTest, SessionBasicsAndUnknownCommands) {
    auto client = Connect();
    EXPECT_EQ(client->Command("mode reader"), "200 reader mode");
    const std::string date = client->Command("DATE");
    ASSERT_EQ(date.size(), 18u);
    EXPECT_EQ(date.substr(0, 4), "111 ");
    EXPECT_TRUE(std::all_of(date.begin() + 4, date.end(), ::isdigit)) << date;
    EXPECT_EQ(client->Command("FROB x"), "500 Unknown command");
    EXPECT_EQ(client->Command(""), "500 Unknown command");
    EXPECT_EQ(client->Command("Quit"), "205 closing connection");
    EXPECT_TRUE(client->SeesClose());
}

TEST_F(NewsServerTest, GroupReportsCountAndBoundsAndIgnoresOtherFiles) {
    WriteArticle(m_spool, "alt.test", 9, kWithXref);
    WriteArticle(m_spool, "alt.test", 3, kFolded);
    WriteArticle(m_spool, "alt.test", 5, kWithXref);
    std::ofstream(m_spool + "/alt.test/notes") << "not an article\n";
    std::ofstream(m_spool + "/alt.test/007x") << "not an article\n";
    fs::create_directories(m_spool + "/alt.empty");
    auto client = Connect();
    EXPECT_EQ(client->Command("GROUP alt.test"), "211 3 3 9 alt.test");
    EXPECT_EQ(client->Command("GROUP alt.empty"), "211 0 1 0 alt.empty");
    EXPECT_EQ(client->Command("GROUP alt.none"), "411 No such group alt.none");
    EXPECT_EQ(client->Command("GROUP ../alt.test"), "411 No such group ../alt.test");
    // Articles written while the server runs count at the next command.
    WriteArticle(m_spool, "alt.test", 12, kWithXref);
    EXPECT_EQ(client->Command("group alt.test"), "211 4 3 12 alt.test");
}

TEST_F(NewsServerTest, XoverSendsOverviewFieldsUnfoldedAndSanitised) {
    WriteArticle(m_spool, "alt.test", 3, kFolded);
    WriteArticle(m_spool, "alt.test", 5, kWithXref);
    WriteArticle(m_spool, "alt.test", 8, kWithXref);
    auto client = Connect();
    EXPECT_EQ(client->Command("XOVER 3-5"), "412 No newsgroup selected");
    client->Command("GROUP alt.test");
    ASSERT_EQ(client->Command("XOVER 3-5"), "224 Overview information follows");
    const std::vector<std::string> lines = client->ReadBlock();
    ASSERT_EQ(lines.size(), 2u);
    const std::string folded(kFolded);
    const long bytes =
        static_cast<long>(folded.size() + std::count(folded.begin(), folded.end(), '\n'));
    EXPECT_EQ(lines[0],
              "3\tfirst part continued here\tPoster <poster@example.com>\t"
              "Mon, 07 Dec 2026 10:00:00 +0000\t<one@example.com>\t<zero@example.com>\t" +
                  std::to_string(bytes) + "\t5\tXref: corvane.test alt.test:3");
    EXPECT_EQ(lines[1].substr(0, 2), "5\t");
    EXPECT_NE(lines[1].find("\t\t"), std::string::npos) << "empty References field";
    EXPECT_EQ(lines[1].substr(lines[1].rfind('\t')), "\tXref: elsewhere alt.test:5 alt.other:10");

    client->Send("XOVER 5-");
    EXPECT_EQ(client->ReadLine(), "224 Overview information follows");
    EXPECT_EQ(client->ReadBlock().size(), 2u);
    client->Send("XOVER");  // the current article after GROUP is the first one
    EXPECT_EQ(client->ReadLine(), "224 Overview information follows");
    const auto current = client->ReadBlock();
    ASSERT_EQ(current.size(), 1u);
    EXPECT_EQ(current[0].substr(0, 2), "3\t");
    EXPECT_EQ(client->Command("XOVER x-2"), "501 Syntax error");
    client->Send("XOVER 100-200");
    EXPECT_EQ(client->ReadLine(), "224 Overview information follows");
    EXPECT_TRUE(client->ReadBlock().empty());
}

TEST_F(NewsServerTest, XhdrPathListsEachArticleInRange) {
    WriteArticle(m_spool, "alt.test", 3, kFolded);
    WriteArticle(m_spool, "alt.test", 5, kWithXref);
    WriteArticle(m_spool, "alt.test", 6, "Subject: no path\n\nbody\n");
    auto client = Connect();
    client->Command("GROUP alt.test");
    ASSERT_EQ(client->Command("XHDR PATH 3-6"), "221 Path header follows");
    EXPECT_EQ(client->ReadBlock(),
              (std::vector<std::string>{"3 news.example!relay.example!not-for-mail", "5 a!b!c",
                                        "6 (none)"}));
    ASSERT_EQ(client->Command("xhdr path 5"), "221 Path header follows");
    EXPECT_EQ(client->ReadBlock(), std::vector<std::string>{"5 a!b!c"});
}

TEST_F(NewsServerTest, HeadAndBodyByNumberAndIdWithDotStuffing) {
    WriteArticle(m_spool, "alt.test", 3, kFolded);
    WriteArticle(m_spool, "alt.other", 10, kWithXref);
    auto client = Connect();
    EXPECT_EQ(client->Command("HEAD 3"), "412 No newsgroup selected");
    client->Command("GROUP alt.test");
    ASSERT_EQ(client->Command("HEAD 3"), "221 3 <one@example.com> head");
    const auto head = client->ReadBlock();
    ASSERT_EQ(head.size(), 8u);
    EXPECT_EQ(head[4], "\tcontinued\there");  // HEAD sends headers as stored, folding kept
    ASSERT_EQ(client->Command("BODY 3"), "222 3 <one@example.com> body");
    EXPECT_EQ(client->ReadBlock(),
              (std::vector<std::string>{"line one", "..starts with a dot", "...", "", "last"}));
    // Found by id in another group than the selected one.
    ASSERT_EQ(client->Command("BODY <two@example.com>"), "222 10 <two@example.com> body");
    EXPECT_EQ(client->ReadBlock(), std::vector<std::string>{"body"});
    EXPECT_EQ(client->Command("HEAD 4"), "423 No such article number");
    EXPECT_EQ(client->Command("BODY <nobody@example.com>"), "430 No such article");
    EXPECT_EQ(client->Command("BODY three"), "501 Syntax error");
}

TEST_F(NewsServerTest, MissingArticlesAndIdsAreRefusedThoughStored) {
    WriteArticle(m_spool, "alt.test", 3, kFolded);
    WriteArticle(m_spool, "alt.test", 5, kWithXref);
    SBehaviour behaviour;
    behaviour.missingArticles = {3};
    behaviour.missingMessageIds = {"<two@example.com>"};
    m_server->SetBehaviour(behaviour);
    auto client = Connect();
    client->Command("GROUP alt.test");
    EXPECT_EQ(client->Command("HEAD 3"), "423 No such article number");
    EXPECT_EQ(client->Command("BODY 3"), "423 No such article number");
    EXPECT_EQ(client->Command("HEAD <two@example.com>"), "430 No such article");
    // The overview still lists them: the client learns of the gap only from HEAD/BODY.
    client->Send("XOVER 1-");
    EXPECT_EQ(client->ReadLine(), "224 Overview information follows");
    EXPECT_EQ(client->ReadBlock().size(), 2u);
    EXPECT_EQ(client->Command("HEAD 5"), "221 5 <two@example.com> head");
}

TEST_F(NewsServerTest, ExpiredArticlesAndBodiesByNumber) {
    WriteArticle(m_spool, "alt.test", 3, kFolded);
    WriteArticle(m_spool, "alt.test", 5, kWithXref);
    SBehaviour behaviour;
    behaviour.goneArticles = {3};
    behaviour.missingBodies = {5};
    m_server->SetBehaviour(behaviour);
    auto client = Connect();
    client->Command("GROUP alt.test");
    EXPECT_EQ(client->Command("HEAD 3"), "430 No such article");
    EXPECT_EQ(client->Command("BODY 3"), "430 No such article");
    EXPECT_EQ(client->Command("HEAD 5"), "221 5 <two@example.com> head");
    client->ReadBlock();
    EXPECT_EQ(client->Command("BODY 5"), "423 No such article number");
}

TEST_F(NewsServerTest, ListAndNewgroupsByCreationStamp) {
    WriteArticle(m_spool, "alt.old", 4, kWithXref);
    WriteArticle(m_spool, "alt.old", 7, kWithXref);
    WriteStamp("alt.old", "20050105 080000");
    WriteStamp("alt.new", "20240301 120000");
    auto client = Connect();
    ASSERT_EQ(client->Command("LIST"), "215 List of newsgroups follows");
    EXPECT_EQ(client->ReadBlock(), (std::vector<std::string>{"alt.new 0 1 y", "alt.old 7 4 y"}));
    ASSERT_EQ(client->Command("LIST ACTIVE"), "215 List of newsgroups follows");
    EXPECT_EQ(client->ReadBlock().size(), 2u);

    ASSERT_EQ(client->Command("NEWGROUPS 050105 080000 GMT"), "231 New newsgroups follow");
    EXPECT_EQ(client->ReadBlock(), (std::vector<std::string>{"alt.new 0 1 y", "alt.old 7 4 y"}));
    ASSERT_EQ(client->Command("NEWGROUPS 050105 080001 GMT"), "231 New newsgroups follow");
    EXPECT_EQ(client->ReadBlock(), std::vector<std::string>{"alt.new 0 1 y"});
    ASSERT_EQ(client->Command("newgroups 20240301 120001 GMT"), "231 New newsgroups follow");
    EXPECT_TRUE(client->ReadBlock().empty());
    EXPECT_EQ(client->Command("NEWGROUPS 051305 080000 GMT"), "501 Syntax error");
    EXPECT_EQ(client->Command("NEWGROUPS 050105"), "501 Syntax error");
}

TEST_F(NewsServerTest, AuthenticationGatesCommandsUntilAccepted) {
    WriteArticle(m_spool, "alt.test", 1, kWithXref);
    SBehaviour behaviour;
    behaviour.requireAuth = true;
    m_server->SetBehaviour(behaviour);
    auto client = Connect();
    EXPECT_EQ(client->Command("MODE READER"), "200 reader mode");
    EXPECT_EQ(client->Command("GROUP alt.test"), "480 Authentication required");
    EXPECT_EQ(client->Command("AUTHINFO USER tester"), "381 PASS required");
    EXPECT_EQ(client->Command("AUTHINFO PASS wrong"), "481 Authentication failed");
    EXPECT_EQ(client->Command("GROUP alt.test"), "480 Authentication required");
    EXPECT_EQ(client->Command("AUTHINFO USER tester"), "381 PASS required");
    EXPECT_EQ(client->Command("AUTHINFO PASS secret"), "281 Authentication accepted");
    EXPECT_EQ(client->Command("GROUP alt.test"), "211 1 1 1 alt.test");
}

TEST_F(NewsServerTest, PasswordRefusalOddReplyAndModeReaderError) {
    SBehaviour refuse;
    refuse.requireAuth = true;
    refuse.refusePassword = true;
    refuse.modeReaderError = true;
    m_server->SetBehaviour(refuse);
    auto refused = Connect();
    EXPECT_EQ(refused->Command("MODE READER"), "502 Permission denied");
    refused->Command("AUTHINFO USER tester");
    EXPECT_EQ(refused->Command("AUTHINFO PASS secret"), "481 Authentication failed");

    SBehaviour odd;
    odd.requireAuth = true;
    odd.passReply = "250 odd";
    m_server->SetBehaviour(odd);
    auto oddClient = Connect();
    oddClient->Command("AUTHINFO USER tester");
    EXPECT_EQ(oddClient->Command("AUTHINFO PASS secret"), "250 odd");
    EXPECT_EQ(oddClient->Command("DATE"), "480 Authentication required");
    // The first connection keeps the behaviour it was accepted with.
    EXPECT_EQ(refused->Command("MODE READER"), "502 Permission denied");
}

TEST_F(NewsServerTest, ScriptedGroupReplyAndMissingXhdr) {
    WriteArticle(m_spool, "alt.test", 4, kWithXref);
    SBehaviour behaviour;
    behaviour.groupReply = "211 0 0 0";
    behaviour.noXhdr = true;
    m_server->SetBehaviour(behaviour);
    auto client = Connect();
    EXPECT_EQ(client->Command("GROUP alt.none"), "411 No such group alt.none");
    EXPECT_EQ(client->Command("GROUP alt.test"), "211 0 0 0");
    // The group is selected all the same; only XHDR is gone.
    client->Send("XOVER 4");
    EXPECT_EQ(client->ReadLine(), "224 Overview information follows");
    EXPECT_EQ(client->ReadBlock().size(), 1u);
    EXPECT_EQ(client->Command("XHDR PATH 4"), "500 Unknown command");
}

TEST_F(NewsServerTest, SilentAfterCommandsStillLogsWhatArrives) {
    SBehaviour behaviour;
    behaviour.silentAfterCommands = 2;
    m_server->SetBehaviour(behaviour);
    auto client = Connect();
    EXPECT_EQ(client->Command("MODE READER"), "200 reader mode");
    EXPECT_EQ(client->Command("DATE").substr(0, 4), "111 ");
    client->Send("LIST");
    EXPECT_EQ(WaitForCommands(3).size(), 3u);
    EXPECT_EQ(client->ReadLine(200), std::nullopt);

    behaviour.silentAfterCommands = 0;
    m_server->SetBehaviour(behaviour);
    CClient mute(m_server->Port());
    mute.Send("MODE READER");
    const auto log = WaitForCommands(4);
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[3].connection, 2);
    EXPECT_EQ(mute.ReadLine(200), std::nullopt) << "not even a greeting";
}

TEST_F(NewsServerTest, DropAfterLinesCutsAMultiLineReply) {
    WriteArticle(m_spool, "alt.test", 3, kFolded);
    SBehaviour behaviour;
    behaviour.dropAfterLines = 4;  // greeting, GROUP reply, BODY reply, first body line
    m_server->SetBehaviour(behaviour);
    auto client = Connect();
    client->Command("GROUP alt.test");
    EXPECT_EQ(client->Command("BODY 3"), "222 3 <one@example.com> body");
    EXPECT_EQ(client->ReadLine(), "line one");
    EXPECT_EQ(client->ReadLine(), std::nullopt);
    EXPECT_TRUE(client->SeesClose());

    behaviour.dropAfterLines = 0;
    m_server->SetBehaviour(behaviour);
    CClient dropped(m_server->Port());
    EXPECT_EQ(dropped.ReadLine(), std::nullopt);
    EXPECT_TRUE(dropped.SeesClose());
}

TEST_F(NewsServerTest, EndlessLineNeverEnds) {
    WriteArticle(m_spool, "alt.test", 3, kFolded);
    SBehaviour behaviour;
    behaviour.endlessLineAfter = "body";
    m_server->SetBehaviour(behaviour);
    auto client = Connect();
    EXPECT_EQ(client->Command("GROUP alt.test"), "211 1 3 3 alt.test");
    client->Send("BODY 3");
    const std::string bytes = client->ReadBytes(2u << 20);
    EXPECT_GE(bytes.size(), 2u << 20);
    EXPECT_EQ(bytes.find('\n'), std::string::npos);
    EXPECT_EQ(bytes.find('\r'), std::string::npos);
}

TEST_F(NewsServerTest, OverlongLineDropsTheClient) {
    auto client = Connect();
    client->SendRaw(std::string(5000, 'A'));
    EXPECT_TRUE(client->SeesClose());
    EXPECT_TRUE(m_server->Commands().empty());
    // A line at the cap is still served.
    auto second = Connect();
    EXPECT_EQ(second->Command("X" + std::string(4095, 'y')), "500 Unknown command");
}

TEST_F(NewsServerTest, CommandLogIsPerConnectionInOrder) {
    auto first = Connect();
    auto second = Connect();
    first->Command("MODE READER");
    second->Command("DATE");
    first->Command("GROUP alt.none");
    // A bare LF ends a command as well as CR LF does.
    first->SendRaw("LIST\n");
    first->ReadLine();
    first->ReadBlock();
    const auto log = WaitForCommands(4);
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[0].connection, 1);
    EXPECT_EQ(log[0].line, "MODE READER");
    EXPECT_EQ(log[1].connection, 2);
    EXPECT_EQ(log[1].line, "DATE");
    EXPECT_EQ(log[2].line, "GROUP alt.none");
    EXPECT_EQ(log[3].line, "LIST");
    EXPECT_EQ(m_server->ConnectionsAccepted(), 2);
    m_server->ClearLog();
    EXPECT_TRUE(m_server->Commands().empty());
    second->Command("DATE");
    EXPECT_EQ(WaitForCommands(1).at(0).connection, 2);
}

TEST_F(NewsServerTest, StopEndsSessionsThatAreWaitingOrSending) {
    SBehaviour behaviour;
    behaviour.endlessLineAfter = "DATE";
    m_server->SetBehaviour(behaviour);
    auto reading = Connect();
    auto flooded = Connect();
    flooded->Send("DATE");  // never read: the server blocks in send
    ASSERT_EQ(WaitForCommands(1).size(), 1u);
    m_server->Stop();
    EXPECT_TRUE(reading->SeesClose());
    EXPECT_FALSE(m_server->Start("not an address"));
    EXPECT_TRUE(m_server->Start());
}

TEST(NewsServerClock, TwoDigitYearsAndBadDates) {
    std::tm now{};
    now.tm_year = 2026 - 1900;
    now.tm_mon = 0;
    now.tm_mday = 1;
    const std::time_t in2026 = timegm(&now);
    EXPECT_EQ(ParseNewgroupsMoment({"050105", "080000", "GMT"}, in2026),
              ParseNewgroupsMoment({"20050105", "080000", "GMT"}, in2026));
    EXPECT_EQ(ParseNewgroupsMoment({"990105", "080000", "GMT"}, in2026),
              ParseNewgroupsMoment({"19990105", "080000", "GMT"}, in2026));
    EXPECT_EQ(ParseNewgroupsMoment({"20050105", "080000", "UTC"}, in2026), std::nullopt);
    EXPECT_EQ(ParseNewgroupsMoment({"20050132", "080000", "GMT"}, in2026), std::nullopt);
    EXPECT_EQ(ParseNewgroupsMoment({"20050105", "240000", "GMT"}, in2026), std::nullopt);
    EXPECT_EQ(ParseCreatedStamp("20050105 080000\n"),
              ParseNewgroupsMoment({"050105", "080000", "GMT"}, in2026));
    EXPECT_EQ(ParseCreatedStamp("2005-01-05 08:00"), std::nullopt);
    EXPECT_EQ(DateReply(in2026), "111 20260101000000");
}

TEST(NewsServerSpool, ArticleWithoutBodyAndHeaderLookup) {
    const SArticle article = ParseArticle("Subject: only\r\nmessage-id: <x@y>\r\n");
    EXPECT_TRUE(article.bodyLines.empty());
    EXPECT_EQ(article.wireBytes, 34);
    EXPECT_EQ(article.Header("Message-ID"), "<x@y>");
    EXPECT_EQ(article.Header("Subj"), std::nullopt);
    EXPECT_EQ(OverviewLine("g", 2, article), "2\tonly\t\t\t<x@y>\t\t34\t0\tXref: corvane.test g:2");
}

// The program as run by hand or from another process: announces its port, serves, and ends
// cleanly on SIGTERM.
TEST_F(NewsServerTest, ProgramAnnouncesPortAndStopsOnSigterm) {
    WriteArticle(m_spool, "alt.test", 2, kWithXref);
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        execl(NEWS_SERVER_PATH, NEWS_SERVER_PATH, "--spool", m_spool.c_str(), "--port", "0",
              "--missing", "2", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    std::string announced;
    char c;
    while (read(out[0], &c, 1) == 1 && c != '\n') announced += c;
    close(out[0]);
    ASSERT_EQ(announced.rfind("listening on 127.0.0.1:", 0), 0u) << announced;
    const int port = std::stoi(announced.substr(announced.rfind(':') + 1));
    {
        CClient client(port);
        EXPECT_EQ(client.ReadLine(), "200 Corvane test server ready (posting ok)");
        EXPECT_EQ(client.Command("GROUP alt.test"), "211 1 2 2 alt.test");
        EXPECT_EQ(client.Command("HEAD 2"), "423 No such article number");
    }
    kill(pid, SIGTERM);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
}  // namespace corvane::testserver
