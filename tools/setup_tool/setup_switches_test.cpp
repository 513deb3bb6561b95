#include "tools/setup_tool/setup_switches.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/prompt.h"
#include "setup/setup_file.h"
#include "tests/support/command_output.h"

namespace corvane {
namespace {

using testsupport::SCommandRun;

SCommandRun RunTool(const std::string& arguments) {
    return testsupport::RunCommandLine(std::string(CORVANE_SETUP_PATH) + " " + arguments);
}

class SetupToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "cvnsetupXXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }
    std::string Path(const std::string& name) const { return m_dir + "/" + name; }

    // Loads what the tool wrote the way the program will; the time only ages message-IDs,
    // of which a fresh file has none.
    bool Load(const std::string& name) {
        CSetupFile file(m_prompt);
        return file.Load(m_loaded, Path(name), 0);
    }

    std::string m_dir;
    CRecordingPrompt m_prompt;
    CSetupFileContents m_loaded;
};

TEST_F(SetupToolTest, EverySwitchArrivesInTheLoadedFile) {
    const SCommandRun run =
        RunTool("--out " + Path("demo.cvn") +
                " --server 127.0.0.1 --port 40119 --group corvane.demo.pictures=pictures"
                " --group corvane.demo.more --save-path /tmp/corvane/downloads --threads 4"
                " --auto-queue --exclude-author 'Spam King <spam@example.test>'"
                " --exclude-author troll@example.test --login reader:secret:with:colons"
                " --time-out-minutes 3 --no-log");
    ASSERT_EQ(run.status, 0) << run.output;
    ASSERT_TRUE(Load("demo.cvn")) << (m_prompt.Messages().empty() ? "" : m_prompt.Messages()[0]);
    const CSetup& setup = *m_loaded.m_setup;
    EXPECT_EQ(setup.NewsServer(), "127.0.0.1");
    EXPECT_EQ(setup.m_port, 40119);
    EXPECT_EQ(setup.SavePath(), "/tmp/corvane/downloads");
    EXPECT_EQ(setup.m_threads, 4);
    EXPECT_EQ(setup.m_autoQueueArticles, 1);
    EXPECT_EQ(setup.m_requiresLogin, 1);
    EXPECT_EQ(setup.User(), "reader");
    EXPECT_EQ(setup.Password(), "secret:with:colons");
    EXPECT_EQ(setup.m_timeOutMinutes, 3);
    EXPECT_EQ(setup.m_logDownloads, 0);

    ASSERT_EQ(setup.m_groups.size(), 2u);
    EXPECT_EQ(setup.m_groups[0]->Name(), "corvane.demo.pictures");
    EXPECT_EQ(setup.m_groups[0]->RelativePath(), "pictures");
    EXPECT_EQ(setup.m_groups[1]->Name(), "corvane.demo.more");
    EXPECT_EQ(setup.m_groups[1]->RelativePath(), "");
    for (const auto& group : setup.m_groups) {
        EXPECT_EQ(group->m_enabled, 1) << group->Name();
        EXPECT_EQ(group->m_type, CSetupGroup::kTypeAttachment) << group->Name();
        EXPECT_EQ(group->m_highestArticle, 0) << group->Name();
    }

    // Both authors land in one Or rule, which the program's own kill commands reuse.
    ASSERT_EQ(setup.m_criteriaGroups.size(), 1u);
    const CCriteriaGroup& kill = *setup.m_criteriaGroups[0];
    EXPECT_EQ(kill.m_name, "Kill");
    EXPECT_EQ(kill.m_action, CCriteriaGroup::kActionExclude);
    EXPECT_EQ(kill.m_logic, CCriteriaGroup::kLogicOr);
    ASSERT_EQ(kill.m_criteria.size(), 2u);
    EXPECT_EQ(kill.m_criteria[0]->m_value, "Spam King <spam@example.test>");
    EXPECT_EQ(kill.m_criteria[1]->m_value, "troll@example.test");
    for (const auto& criteria : kill.m_criteria) {
        EXPECT_EQ(criteria->m_field, CCriteria::kFieldAuthor);
        EXPECT_EQ(criteria->m_operator, 0);  // "="
    }
}

// What no switch names keeps the program's defaults, so a short command line gives the setup
// a new user would have, with only the server filled in.
TEST_F(SetupToolTest, OnlyTheNamedValuesChange) {
    const SCommandRun run = RunTool("--out " + Path("plain.cvn") + " --server news.example.test");
    ASSERT_EQ(run.status, 0) << run.output;
    ASSERT_TRUE(Load("plain.cvn"));
    const CSetup& setup = *m_loaded.m_setup;
    const CSetup defaults;
    EXPECT_EQ(setup.NewsServer(), "news.example.test");
    EXPECT_EQ(setup.m_port, defaults.m_port);
    EXPECT_EQ(setup.m_threads, defaults.m_threads);
    EXPECT_EQ(setup.m_autoQueueArticles, 0);
    EXPECT_EQ(setup.m_requiresLogin, 0);
    EXPECT_EQ(setup.m_logDownloads, 1);
    EXPECT_EQ(setup.m_timeOutMinutes, defaults.m_timeOutMinutes);
    EXPECT_EQ(setup.SavePath(), "");
    EXPECT_TRUE(setup.m_groups.empty());
    EXPECT_TRUE(setup.m_criteriaGroups.empty());
}

TEST_F(SetupToolTest, BadSwitchesShowUsageAndWriteNothing) {
    for (const std::string& arguments : {
             std::string("--server news.example.test"),  // no --out
             "--out " + Path("x.cvn") + " --bogus",
             "--out " + Path("x.cvn") + " --threads 9",
             "--out " + Path("x.cvn") + " --port",
         }) {
        const SCommandRun run = RunTool(arguments);
        EXPECT_EQ(run.status, 2) << arguments;
        EXPECT_NE(run.output.find("usage: corvane-setup"), std::string::npos) << run.output;
    }
    EXPECT_FALSE(std::filesystem::exists(Path("x.cvn")));
}

TEST_F(SetupToolTest, UnwritableOutputFails) {
    const SCommandRun run = RunTool("--out " + Path("no/such/dir/x.cvn"));
    EXPECT_EQ(run.status, 1) << run.output;
}

// The reasons are checked in-process: each refusal must name what was wrong with it.
TEST(SetupSwitchesTest, RefusesBadValues) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--out", "a", "--threads", "-1"}, "--threads"},
        {{"--out", "a", "--threads", "4x"}, "--threads"},
        {{"--out", "a", "--port", "0"}, "--port"},
        {{"--out", "a", "--port", "65536"}, "--port"},
        {{"--out", "a", "--time-out-minutes", "0"}, "--time-out-minutes"},
        {{"--out", "a", "--time-out-minutes", "6"}, "--time-out-minutes"},
        {{"--out", "a", "--login", "nopassword"}, "--login"},
        {{"--out", "a", "--login", ":pass"}, "--login"},
        {{"--out", "a", "--server", "two words"}, "--server"},
        {{"--out", "a", "--group", "=pictures"}, "--group"},
        {{"--out", "a", "--group", "a.b=../outside"}, "below the save path"},
        {{"--out", "a", "--group", "a.b=/etc"}, "below the save path"},
        {{"--out", "a", "--group", "a.b", "--group", "a.b=x"}, "twice"},
        {{"--out", "a", "--threads", "2", "--threads", "3"}, "twice"},
        {{"--out", "a", "--no-log", "--no-log"}, "twice"},
        {{"--out", "a", "--exclude-author", ""}, "--exclude-author"},
        {{"--out", "a", "--save-path", "x\ny"}, "--save-path"},
        {{"--out", "a", "stray"}, "unknown"},
        {{"--server", "h"}, "--out"},
    };
    for (const auto& [args, reason] : cases) {
        CSetupFileContents contents;
        SSetupSwitches result;
        std::string joined;
        for (const std::string& arg : args) joined += arg + " ";
        EXPECT_FALSE(ApplySetupSwitches(args, contents, result)) << joined;
        EXPECT_NE(result.error.find(reason), std::string::npos) << joined << ": " << result.error;
    }
}

TEST(SetupSwitchesTest, TakesTheRangeEnds) {
    CSetupFileContents contents;
    SSetupSwitches result;
    ASSERT_TRUE(ApplySetupSwitches({"--out", "a", "--threads", "0", "--port", "65535",
                                    "--time-out-minutes", "5", "--group", "a.b=x/y"},
                                   contents, result))
        << result.error;
    EXPECT_EQ(result.outPath, "a");
    EXPECT_EQ(contents.m_setup->m_threads, 0);
    EXPECT_EQ(contents.m_setup->m_port, 65535);
    EXPECT_EQ(contents.m_setup->m_timeOutMinutes, 5);
    EXPECT_EQ(contents.m_setup->m_groups.at(0)->RelativePath(), "x/y");
}

}  // namespace
}  // namespace corvane
