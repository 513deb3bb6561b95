#pragma once
// A fresh data directory per test: the index library names its shared cache after the file
// path, so every test works on files no other test (or process) uses. CORVANE_HOME points at
// the same folder while the test runs, so code that falls back to the default directory stays
// inside it too.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace corvane::test {

class CIndexDirTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/corvane-indexes-XXXXXX";
        const char* made = mkdtemp(tmpl);
        ASSERT_NE(made, nullptr);
        m_dir = made;
        if (const char* old = getenv("CORVANE_HOME")) m_savedHome = old;
        setenv("CORVANE_HOME", m_dir.c_str(), 1);
    }
    void TearDown() override {
        if (m_savedHome) {
            setenv("CORVANE_HOME", m_savedHome->c_str(), 1);
        } else {
            unsetenv("CORVANE_HOME");
        }
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }

    std::string File(const std::string& name) const { return m_dir + "/" + name; }

    static std::vector<uint8_t> ReadBytes(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
    }
    static void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    // Clears the Parent Page of the first leaf (page 2), which the structural check rejects
    // while the leaf's records stay readable for the rebuild.
    static void DamageFirstLeaf(const std::string& path) {
        std::vector<uint8_t> bytes = ReadBytes(path);
        ASSERT_GE(bytes.size(), 3u * 4096);
        uint8_t* leaf = bytes.data() + 2 * 4096;
        ASSERT_EQ(leaf[4], 3) << "page 2 is a leaf";
        for (int i = 8; i < 12; ++i) leaf[i] = 0;
        WriteBytes(path, bytes);
    }

    std::string m_dir;

private:
    std::optional<std::string> m_savedHome;
};

}  // namespace corvane::test
