#include <gtest/gtest.h>
#include <stdio.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/prompt.h"
#include "setup/sample_setup.h"
#include "setup/setup_file.h"
#include "tests/support/command_output.h"

namespace corvane {
namespace {

using testsupport::SCommandRun;

SCommandRun RunDump(const std::string& arguments) {
    return testsupport::RunCommandLine(std::string(CVNDUMP_PATH) + " " + arguments);
}

std::vector<char> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), {});
}

class CvnDumpTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "cvndumpXXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        // The tool ages message-IDs by the real clock, so the sample is stamped by it too.
        const auto now = std::chrono::duration_cast<std::chrono::seconds>(
            std::chrono::system_clock::now().time_since_epoch());
        CRecordingPrompt prompt;
        CSetupFile file(prompt);
        CSetupFileContents contents;
        FillSampleSetup(contents, static_cast<std::uint32_t>(now.count()));
        ASSERT_TRUE(file.Save(contents, Path("sample.cvn")));
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }
    std::string Path(const std::string& name) const { return m_dir + "/" + name; }

    std::string m_dir;
};

TEST_F(CvnDumpTest, ListsEveryItemOfTheFile) {
    const SCommandRun run = RunDump(Path("sample.cvn"));
    ASSERT_EQ(run.status, 0) << run.output;
    for (const char* line : {
             "  news server: \"news.example.test\"\n",
             "  password: 0 characters\n",
             "  port: 119\n",
             "  log present: 1\n",
             "groups: 2\n  \"alt.binaries.sample\" enabled 1",
             "    Subject (0) ",
             "download log: 1\n  file \"/srv/corvane/picture.jpg\"",
             "articles: 2\n",
             "  #1 multi-part subject \"archive.rar\"",
             "    part 2/3: missing\n",
             "    part 3/3: subject \"archive.rar (3/3)\"",
             "message-IDs: 20\n",
             "  \"archive.rar\" -> article #1\n",
             "  \"alt.binaries.sample\" low water 0: 5-7 10-10\n",
             "  \"alt.test\" low water 100:\n",
         }) {
        EXPECT_NE(run.output.find(line), std::string::npos) << line << "\n---\n" << run.output;
    }
}

// One load and save reverses the keys that share a map bucket; a second restores them.
TEST_F(CvnDumpTest, ResaveTwiceGivesTheOriginalBytes) {
    ASSERT_EQ(RunDump("--resave " + Path("once.cvn") + " " + Path("sample.cvn")).status, 0);
    ASSERT_EQ(RunDump("--resave " + Path("twice.cvn") + " " + Path("once.cvn")).status, 0);
    EXPECT_EQ(ReadBytes(Path("once.cvn")).size(), ReadBytes(Path("sample.cvn")).size());
    EXPECT_EQ(ReadBytes(Path("twice.cvn")), ReadBytes(Path("sample.cvn")));
}

// Every kind of file the setup tests build: empty, full, and one of the first version, which
// the resave turns into a current file that dumps with its log and ranges present.
TEST_F(CvnDumpTest, EverySampleFileDumpsAndResaves) {
    CRecordingPrompt prompt;
    CSetupFile file(prompt);
    CSetupFileContents empty;
    ASSERT_TRUE(file.Save(empty, Path("empty.cvn")));
    const std::vector<std::uint8_t> old = SchemaOneSetupBytes(
        static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::seconds>(
                                       std::chrono::system_clock::now().time_since_epoch())
                                       .count()));
    std::ofstream(Path("schema1.cvn"), std::ios::binary)
        .write(reinterpret_cast<const char*>(old.data()), std::streamsize(old.size()));
    for (const char* name : {"empty.cvn", "sample.cvn", "schema1.cvn"}) {
        const SCommandRun dump = RunDump(Path(name));
        EXPECT_EQ(dump.status, 0) << name << "\n" << dump.output;
        const SCommandRun resave =
            RunDump("--resave " + Path(std::string("re-") + name) + " " + Path(name));
        EXPECT_EQ(resave.status, 0) << name << "\n" << resave.output;
        const SCommandRun again = RunDump(Path(std::string("re-") + name));
        EXPECT_EQ(again.status, 0) << name;
        EXPECT_NE(again.output.find("  log present: 1\n"), std::string::npos) << again.output;
    }
    const SCommandRun old1 = RunDump(Path("schema1.cvn"));
    EXPECT_NE(old1.output.find("  log present: 0\n"), std::string::npos) << old1.output;
    EXPECT_NE(old1.output.find("\"old.server\""), std::string::npos) << old1.output;
}

TEST_F(CvnDumpTest, BadFileOrArgumentsFail) {
    const SCommandRun missing = RunDump(Path("absent.cvn"));
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.output.find("Error loading setup file"), std::string::npos);
    EXPECT_EQ(RunDump("--resave " + Path("out.cvn") + " " + Path("absent.cvn")).status, 1);
    EXPECT_FALSE(std::filesystem::exists(Path("out.cvn")));
    EXPECT_EQ(RunDump("").status, 2);
    EXPECT_EQ(RunDump("--resave " + Path("out.cvn")).status, 2);
}

}  // namespace
}  // namespace corvane
