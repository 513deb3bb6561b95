#pragma once
// A test news server on loopback with a small spool, and the services a connection needs,
// shared by the session tests.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "nntp/nntp_services.h"
#include "tools/news_server/news_server.h"

namespace corvane {

class SessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/corvane-session-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_dir = pattern;
        m_spool = m_dir + "/spool";
        testserver::WriteArticle(m_spool, "alt.test", 1,
                                 "Path: a!b\nFrom: x@y\nSubject: one\nDate: Mon, 23 Mar 1998 12:34:56 -0500\n"
                                 "Message-ID: <1@y>\n\nbody line\n.dot line\n");
        testserver::WriteArticle(m_spool, "alt.test", 2,
                                 "Path: a!c\nFrom: x@y\nSubject: two\nDate: 23 Mar 98 12:34:56 GMT\n"
                                 "Message-ID: <2@y>\n\nsecond\n");
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

}  // namespace corvane
