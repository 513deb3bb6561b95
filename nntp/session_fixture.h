#pragma once
// A test news server on loopback over a scratch spool, and the services a connection needs,
// shared by the session tests and the integration tests of the group jobs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "nntp/nntp_services.h"
#include "tools/news_server/news_server.h"

namespace corvane {

// A scratch folder with a spool, the test news server over it (started by the test, with the
// behaviour it wants) and the services a connection needs.
class LoopbackNewsTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/corvane-news-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_dir = pattern;
        m_spool = m_dir + "/spool";
        m_server = std::make_unique<testserver::CNewsTestServer>(m_spool);
    }
    void TearDown() override {
        m_server.reset();
        std::filesystem::remove_all(m_dir);
    }

    void StartServer(const testserver::SBehaviour& behaviour = {}) {
        m_server->SetBehaviour(behaviour);
        ASSERT_TRUE(m_server->Start());
    }

    // The command lines the server received on one connection.
    std::vector<std::string> CommandsOf(int connection) const {
        std::vector<std::string> lines;
        for (const auto& command : m_server->Commands()) {
            if (command.connection == connection) lines.push_back(command.line);
        }
        return lines;
    }

    std::string m_dir;
    std::string m_spool;
    std::unique_ptr<testserver::CNewsTestServer> m_server;
    CBasicNntpServices m_services{5000};
};

// The session tests' spool: two articles in "alt.test".
class SessionTest : public LoopbackNewsTest {
protected:
    void SetUp() override {
        LoopbackNewsTest::SetUp();
        testserver::WriteArticle(
            m_spool, "alt.test", 1,
            "Path: a!b\nFrom: x@y\nSubject: one\nDate: Mon, 23 Mar 1998 12:34:56 -0500\n"
            "Message-ID: <1@y>\n\nbody line\n.dot line\n");
        testserver::WriteArticle(
            m_spool, "alt.test", 2,
            "Path: a!c\nFrom: x@y\nSubject: two\nDate: 23 Mar 98 12:34:56 GMT\n"
            "Message-ID: <2@y>\n\nsecond\n");
    }
};

}  // namespace corvane
