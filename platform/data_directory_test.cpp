#include "platform/data_directory.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>

namespace corvane {
namespace {

bool IsDirectory(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Each test gets its own scratch folder and a clean set of the three variables that choose the
// directory; the previous values come back afterwards so other tests see the environment as
// the test runner set it.
class DataDirectoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/corvane-datadir-XXXXXX";
        const char* made = mkdtemp(tmpl);
        ASSERT_NE(made, nullptr);
        m_dir = made;
        for (const char* name : {"CORVANE_HOME", "XDG_DATA_HOME", "HOME"}) {
            const char* value = getenv(name);
            m_saved[name] = value ? std::optional<std::string>(value) : std::nullopt;
            unsetenv(name);
        }
    }
    void TearDown() override {
        for (const auto& [name, value] : m_saved) {
            if (value) {
                setenv(name.c_str(), value->c_str(), 1);
            } else {
                unsetenv(name.c_str());
            }
        }
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }

    std::string m_dir;
    std::map<std::string, std::optional<std::string>> m_saved;
};

TEST_F(DataDirectoryTest, CorvaneHomeWinsAndIsCreatedWithItsParents) {
    setenv("CORVANE_HOME", (m_dir + "/a/b/c//").c_str(), 1);
    setenv("XDG_DATA_HOME", (m_dir + "/xdg").c_str(), 1);
    setenv("HOME", (m_dir + "/home").c_str(), 1);
    EXPECT_EQ(ProgramDataDirectory(), m_dir + "/a/b/c");
    EXPECT_TRUE(IsDirectory(m_dir + "/a/b/c"));
    EXPECT_FALSE(std::filesystem::exists(m_dir + "/xdg"));
}

TEST_F(DataDirectoryTest, FallsBackToXdgDataHomeThenHome) {
    setenv("CORVANE_HOME", "", 1);  // empty counts as not set
    setenv("XDG_DATA_HOME", (m_dir + "/xdg/").c_str(), 1);
    setenv("HOME", (m_dir + "/home").c_str(), 1);
    EXPECT_EQ(ProgramDataDirectory(), m_dir + "/xdg/Corvane");
    EXPECT_TRUE(IsDirectory(m_dir + "/xdg/Corvane"));

    unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(ProgramDataDirectory(), m_dir + "/home/.local/share/Corvane");
    EXPECT_TRUE(IsDirectory(m_dir + "/home/.local/share/Corvane"));

    // A relative XDG_DATA_HOME is not a valid setting and must not place data in the cwd.
    setenv("XDG_DATA_HOME", "relative/data", 1);
    EXPECT_EQ(ProgramDataDirectory(), m_dir + "/home/.local/share/Corvane");
    EXPECT_FALSE(std::filesystem::exists("relative/data"));
}

TEST_F(DataDirectoryTest, MakeDirectoryPathReportsWhatIsThereAfterwards) {
    EXPECT_TRUE(MakeDirectoryPath(m_dir + "/x/y/z"));
    EXPECT_TRUE(IsDirectory(m_dir + "/x/y/z"));
    EXPECT_TRUE(MakeDirectoryPath(m_dir + "/x/y/z")) << "an existing directory is fine";
    EXPECT_TRUE(MakeDirectoryPath(m_dir + "//x//y2/"));
    EXPECT_TRUE(IsDirectory(m_dir + "/x/y2"));

    std::ofstream(m_dir + "/file") << "not a directory";
    EXPECT_FALSE(MakeDirectoryPath(m_dir + "/file"));
    EXPECT_FALSE(MakeDirectoryPath(m_dir + "/file/below"));
    EXPECT_FALSE(MakeDirectoryPath(""));
}

}  // namespace
}  // namespace corvane
