#pragma once
// The base of the tests that run against the shared news fixture (a real news server on
// loopback): reads the manifest named by CORVANE_NEWSFIXTURE_MANIFEST, which ./test.sh sets
// when it could start the server, and skips the test, saying why, when it is not set.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/support/json.h"

namespace corvane::testsupport {

class CNewsFixture : public ::testing::Test {
protected:
    void SetUp() override {
        const char* path = std::getenv("CORVANE_NEWSFIXTURE_MANIFEST");
        if (!path || !*path) GTEST_SKIP() << "no news fixture (CORVANE_NEWSFIXTURE_MANIFEST is not set)";
        m_manifest = CJson::ParseFile(path);
        m_host = m_manifest["server"]["host"].String();
    }
    int Port() const { return static_cast<int>(m_manifest["server"]["port"].Long()); }
    int AuthPort() const { return static_cast<int>(m_manifest["server"]["auth_port"].Long()); }
    std::string User() const { return m_manifest["server"]["user"].String(); }
    std::string Password() const { return m_manifest["server"]["password"].String(); }

    CJson m_manifest;
    std::string m_host;
};

}  // namespace corvane::testsupport
