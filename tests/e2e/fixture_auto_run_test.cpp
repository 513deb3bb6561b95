// `corvane -nogui -auto` against the real news server of the shared fixture, as a user runs
// it: the two binary groups collected unattended into a folder each, every file the program
// can decode arriving with the fixture's digest, and nothing taken twice. Skips, saying why,
// without the fixture.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

#include "tests/e2e/auto_run.h"
#include "tests/e2e/run_checks.h"
#include "tests/support/json.h"
#include "tests/support/news_fixture.h"

namespace corvane::e2e {
namespace {

using testsupport::CJson;
namespace fs = std::filesystem;

const std::vector<std::string> kGroups = {"alt.binaries.test.small", "alt.binaries.test.other"};

class FixtureAutoRunTest : public testsupport::CNewsFixture {
protected:
    void SetUp() override {
        CNewsFixture::SetUp();
        if (IsSkipped()) return;
        ASSERT_FALSE(m_scratch.Path().empty()) << "no scratch folder";
        m_paths = {m_scratch / "home", m_scratch / "collect.cvn", m_scratch / "downloads",
                   m_scratch / "corvane.out"};
        fs::create_directories(m_paths.home);
        ReadManifest();
    }

    // The files this program decodes from the two groups (yEnc it does not), and the names
    // of postings that lack parts and so must never appear.
    void ReadManifest() {
        const CJson& files = m_manifest["files"];
        for (size_t i = 0; i < files.Size(); ++i) {
            const CJson& file = files[i];
            if (file["encoding"].String() == "yenc" || !InOurGroups(file)) continue;
            const std::string name = file["name"].String();
            if (file["complete"].Bool()) {
                m_expected[name] = file["sha256"].String();
                m_authorOf[name] = AuthorOf(file);
            } else {
                m_incomplete.insert(name);
            }
        }
    }

    static bool InOurGroups(const CJson& file) {
        const CJson& parts = file["parts"];
        for (size_t p = 0; p < parts.Size(); ++p) {
            for (const auto& [group, number] : parts[p]["groups"].Members()) {
                for (const std::string& ours : kGroups) {
                    if (group == ours) return true;
                }
            }
        }
        return false;
    }

    // The From text of the article that carries the file's first part, as the server has it.
    std::string AuthorOf(const CJson& file) const {
        for (const auto& [group, number] : file["parts"][0]["groups"].Members()) {
            const CJson& articles = m_manifest["groups"][group]["articles"];
            for (size_t a = 0; a < articles.Size(); ++a) {
                if (articles[a]["number"].Long() == number.Long()) {
                    return articles[a]["from"].String();
                }
            }
        }
        return {};
    }

    void WriteCollectSetup(const std::vector<std::string>& extra = {}) {
        std::vector<std::string> switches = {
            "--server",   m_host,      "--port", std::to_string(Port()), "--save-path",
            m_paths.save, "--threads", "4",      "--auto-queue"};
        for (const std::string& group : kGroups) {
            switches.insert(switches.end(),
                            {"--group", group + "=" + group.substr(group.rfind('.') + 1)});
        }
        switches.insert(switches.end(), extra.begin(), extra.end());
        const SChildExit exit = WriteSetup(m_paths.setup, switches, m_scratch / "setup.out");
        ASSERT_TRUE(exit.Succeeded()) << "corvane-setup " << exit.Describe() << "\n"
                                      << ReadText(m_scratch / "setup.out");
    }

    void RunProgram() {
        const SChildExit exit = RunAuto(m_paths.home, m_paths.setup, m_paths.output);
        ASSERT_TRUE(exit.Succeeded()) << "corvane " << exit.Describe() << "\n"
                                      << ReadText(m_paths.output);
    }

    // Names saved below the save path (descript.ion aside); each must be a manifest file
    // with its digest.
    std::multiset<std::string> CheckSavedFiles() {
        std::multiset<std::string> saved;
        for (const auto& [relative, state] : Snapshot(m_paths.save)) {
            const std::string name = fs::path(relative).filename().string();
            if (name == "descript.ion") continue;
            saved.insert(name);
            const auto expected = m_expected.find(name);
            if (expected == m_expected.end()) {
                ADD_FAILURE() << relative << " is not a file of the fixture";
            } else {
                EXPECT_EQ(state.sha256, expected->second) << relative << " is corrupt";
            }
        }
        for (const std::string& name : m_incomplete) {
            EXPECT_EQ(saved.count(name), 0u) << name << " lacks parts yet was saved";
        }
        return saved;
    }

    CScratchDir m_scratch;
    SRunPaths m_paths;
    std::map<std::string, std::string> m_expected;  // name -> sha256
    std::map<std::string, std::string> m_authorOf;  // name -> From text
    std::set<std::string> m_incomplete;
};

TEST_F(FixtureAutoRunTest, CollectsEveryDecodableFileOnceAndASecondRunTakesNothingNew) {
    ASSERT_FALSE(m_expected.empty()) << "the manifest lists no file to decode";
    WriteCollectSetup();
    RunProgram();

    const std::multiset<std::string> saved = CheckSavedFiles();
    for (const auto& [name, digest] : m_expected) {
        EXPECT_EQ(saved.count(name), 1u) << name << " should be saved exactly once";
    }
    for (const std::string& problem : DescriptionProblems(m_paths.save)) ADD_FAILURE() << problem;

    std::string failure;
    const auto contents = LoadSetup(m_paths.setup, failure);
    ASSERT_NE(contents, nullptr) << failure;
    ExpectLogMatchesSavedFiles(*contents, m_paths.save);
    for (const std::string& group : kGroups) {
        const CGroupRange* range = contents->m_ranges.Find(group);
        ASSERT_NE(range, nullptr) << group << " has no ranges in the saved setup";
        const CJson& served = m_manifest["groups"][group];
        for (long n = served["low"].Long(); n <= served["high"].Long(); ++n) {
            EXPECT_TRUE(range->Contains(static_cast<std::int32_t>(n)))
                << group << " article " << n << " is not remembered as taken in";
        }
    }
    // Whatever stays listed could not be collected: only postings that lack parts.
    for (const auto& article : contents->m_articles) {
        EXPECT_FALSE(article->IsComplete())
            << article->DisplaySubject() << " was complete but not downloaded";
    }

    ExpectSecondRunTakesNothing(m_paths);
}

TEST_F(FixtureAutoRunTest, AnExcludedAuthorsFilesStayAwayAndTheOthersArrive) {
    // The poster with the most files (the first by name among equals), by the exact From
    // text the server shows; another poster's files must still come.
    std::map<std::string, std::set<std::string>> filesBy;
    for (const auto& [name, author] : m_authorOf) filesBy[author].insert(name);
    ASSERT_GE(filesBy.size(), 2u) << "the fixture needs files by two posters";
    std::string excluded;
    for (const auto& [author, names] : filesBy) {
        if (excluded.empty() || names.size() > filesBy[excluded].size()) excluded = author;
    }
    ASSERT_FALSE(excluded.empty());

    WriteCollectSetup({"--exclude-author", excluded});
    RunProgram();

    const std::multiset<std::string> saved = CheckSavedFiles();
    for (const auto& [name, author] : m_authorOf) {
        if (author == excluded) {
            EXPECT_EQ(saved.count(name), 0u) << name << " by the excluded " << author;
        } else {
            EXPECT_EQ(saved.count(name), 1u) << name << " by " << author << " should arrive";
        }
    }
    for (const std::string& problem : DescriptionProblems(m_paths.save)) ADD_FAILURE() << problem;

    std::string failure;
    const auto contents = LoadSetup(m_paths.setup, failure);
    ASSERT_NE(contents, nullptr) << failure;
    ExpectLogMatchesSavedFiles(*contents, m_paths.save);
    contents->m_log.ForEach(
        [&](const CLogEntry& entry) { EXPECT_NE(entry.Author(), excluded) << entry.FileName(); });
    // The rule kills the author's articles: they are not left waiting in the list either.
    for (const auto& article : contents->m_articles) {
        EXPECT_NE(std::string(article->From()), excluded) << article->DisplaySubject();
    }
}

}  // namespace
}  // namespace corvane::e2e
