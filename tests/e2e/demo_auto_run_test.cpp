// `corvane -nogui -auto` against the project's own news server serving the demo corpus: the
// whole corpus collected exact, a server that cuts connections midway (nothing partial is
// left, nothing is lost: what failed stays listed and a later run collects it), and a server
// that refuses the login.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>

#include "tests/e2e/auto_run.h"
#include "tests/e2e/run_checks.h"
#include "tests/support/json.h"

namespace corvane::e2e {
namespace {

using testsupport::CJson;
namespace fs = std::filesystem;

constexpr std::chrono::seconds kCorpusLimit{60};

struct SDemoFile {
    std::string group;
    std::string name;
    std::string sha256;
};

// The corpus is the same for every case, so it is written once for the suite.
struct SDemoCorpus {
    CScratchDir folder;
    std::string spool;
    std::vector<std::string> groups;
    std::vector<SDemoFile> files;
    std::string error;
};

class DemoAutoRunTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_corpus = std::make_unique<SDemoCorpus>();
        SDemoCorpus& corpus = *s_corpus;
        corpus.spool = corpus.folder / "spool";
        const std::string manifest = corpus.folder / "manifest.json";
        const SChildExit exit = RunToEnd(
            {"python3", CORVANE_E2E_DEMO_CORPUS, "--spool", corpus.spool, "--manifest", manifest},
            {}, corpus.folder / "corpus.out", kCorpusLimit);
        if (!exit.Succeeded()) {
            corpus.error = "the demo corpus was not written: " + exit.Describe() + "\n" +
                           ReadText(corpus.folder / "corpus.out");
            return;
        }
        const CJson parsed = CJson::ParseFile(manifest);
        for (size_t i = 0; i < parsed["groups"].Size(); ++i) {
            corpus.groups.push_back(parsed["groups"][i].String());
        }
        const CJson& files = parsed["files"];
        for (size_t i = 0; i < files.Size(); ++i) {
            corpus.files.push_back({files[i]["group"].String(), files[i]["name"].String(),
                                    files[i]["sha256"].String()});
        }
    }
    static void TearDownTestSuite() { s_corpus.reset(); }

    void SetUp() override {
        ASSERT_TRUE(s_corpus->error.empty()) << s_corpus->error;
        ASSERT_FALSE(s_corpus->files.empty()) << "the demo manifest lists no file";
        ASSERT_FALSE(m_scratch.Path().empty()) << "no scratch folder";
        // The save path does not exist yet, two levels deep: the run must make it.
        m_paths = {m_scratch / "home", m_scratch / "demo.cvn", m_scratch / "downloads/nested",
                   m_scratch / "corvane.out"};
        fs::create_directories(m_paths.home);
    }
    void TearDown() override { EXPECT_TRUE(m_server.Stop()) << "the news server did not stop"; }

    static const SDemoCorpus& Corpus() { return *s_corpus; }
    // Each group's files go to a folder named after the group's last word.
    static std::string FolderOf(const std::string& group) {
        return group.substr(group.rfind('.') + 1);
    }
    std::string PlaceOf(const SDemoFile& file) const {
        return FolderOf(file.group) + "/" + file.name;
    }

    void StartServer(const std::vector<std::string>& behaviour, int port = 0) {
        ASSERT_TRUE(m_server.Start(Corpus().spool, m_scratch / "server.out", behaviour, port))
            << m_server.Error();
    }

    void WriteDemoSetup(const std::vector<std::string>& extra = {}) {
        std::vector<std::string> switches = {
            "--server",    "127.0.0.1",  "--port",    std::to_string(m_server.Port()),
            "--save-path", m_paths.save, "--threads", "4",
            "--auto-queue"};
        for (const std::string& group : Corpus().groups) {
            switches.insert(switches.end(), {"--group", group + "=" + FolderOf(group)});
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

    // Every file below the save path is a corpus file, exact and in its group's folder, or
    // a descript.ion that describes its folder. Returns the places of the corpus files saved.
    std::set<std::string> CheckNothingPartial() {
        std::map<std::string, std::string> digestAt;
        for (const SDemoFile& file : Corpus().files) digestAt[PlaceOf(file)] = file.sha256;
        std::set<std::string> saved;
        for (const auto& [relative, state] : Snapshot(m_paths.save)) {
            if (fs::path(relative).filename() == "descript.ion") continue;
            const auto expected = digestAt.find(relative);
            if (expected == digestAt.end()) {
                ADD_FAILURE() << relative << " is not a corpus file in its group's folder";
            } else if (state.sha256 != expected->second) {
                ADD_FAILURE() << relative << " is partial or corrupt (" << state.size << " bytes)";
            } else {
                saved.insert(relative);
            }
        }
        for (const std::string& problem : DescriptionProblems(m_paths.save)) {
            ADD_FAILURE() << problem;
        }
        return saved;
    }

    void ExpectWholeCorpus() {
        const std::set<std::string> saved = CheckNothingPartial();
        for (const SDemoFile& file : Corpus().files) {
            EXPECT_TRUE(saved.contains(PlaceOf(file))) << PlaceOf(file) << " did not arrive";
        }
        std::string failure;
        const auto contents = LoadSetup(m_paths.setup, failure);
        ASSERT_NE(contents, nullptr) << failure;
        ExpectLogMatchesSavedFiles(*contents, m_paths.save);
        EXPECT_TRUE(contents->m_articles.empty()) << "still listed after everything arrived:\n"
                                                  << ArticlesText(*contents);
    }

    // Whether the saved list still holds the article that carries the file.
    static bool IsListed(const CSetupFileContents& contents, const SDemoFile& file) {
        for (const auto& article : contents.m_articles) {
            if (article->Newsgroup() == file.group &&
                article->DisplaySubject().find(file.name) != std::string::npos) {
                return true;
            }
        }
        return false;
    }

    static std::unique_ptr<SDemoCorpus> s_corpus;
    CScratchDir m_scratch;
    SRunPaths m_paths;
    CNewsServerProcess m_server;
};

std::unique_ptr<SDemoCorpus> DemoAutoRunTest::s_corpus;

TEST_F(DemoAutoRunTest, CollectsTheWholeCorpusIntoNewFoldersAndASecondRunTakesNothingNew) {
    StartServer({});
    WriteDemoSetup();
    RunProgram();
    ExpectWholeCorpus();

    std::string failure;
    const auto contents = LoadSetup(m_paths.setup, failure);
    ASSERT_NE(contents, nullptr) << failure;
    for (const std::string& group : Corpus().groups) {
        const CGroupRange* range = contents->m_ranges.Find(group);
        ASSERT_NE(range, nullptr) << group << " has no ranges in the saved setup";
        int served = 0;
        for (const auto& entry : fs::directory_iterator(Corpus().spool + "/" + group)) {
            if (entry.path().filename().string()[0] != '.') ++served;
        }
        for (int n = 1; n <= served; ++n) {
            EXPECT_TRUE(range->Contains(n)) << group << " article " << n << " not remembered";
        }
    }

    ExpectSecondRunTakesNothing(m_paths);
}

TEST_F(DemoAutoRunTest, ConnectionsCutMidwayLeaveNoPartialFileAndLoseNothing) {
    // 1500 lines a connection: the overview and the small postings fit, the large single
    // article (about 2500 lines) and the three-part postings can never come through whole.
    StartServer({"--drop-after-lines", "1500"});
    WriteDemoSetup();
    RunProgram();

    const std::set<std::string> saved = CheckNothingPartial();
    std::string failure;
    const auto contents = LoadSetup(m_paths.setup, failure);
    ASSERT_NE(contents, nullptr) << failure;
    ExpectLogMatchesSavedFiles(*contents, m_paths.save);
    int listed = 0;
    for (const SDemoFile& file : Corpus().files) {
        const bool waiting = IsListed(*contents, file);
        listed += waiting ? 1 : 0;
        EXPECT_NE(saved.contains(PlaceOf(file)), waiting)
            << PlaceOf(file) << " must be either saved or still listed, not "
            << (waiting ? "both" : "neither") << "; listed:\n"
            << ArticlesText(*contents);
    }
    EXPECT_GT(listed, 0) << "no download was cut: the case does not test what it should";

    // The same server, well behaved again on the same port (the setup names it): the next
    // run collects what the cut connections left.
    const int port = m_server.Port();
    ASSERT_TRUE(m_server.Stop());
    StartServer({}, port);
    RunProgram();
    ExpectWholeCorpus();
}

TEST_F(DemoAutoRunTest, AHeaderListingCutShortIsTakenInOnlyAsFarAsItCame) {
    // A few lines a connection: greeting, MODE READER, GROUP and the first overview lines.
    // Whatever the listing did not reach must not count as taken in.
    StartServer({"--drop-after-lines", "9"});
    WriteDemoSetup();
    RunProgram();

    const std::set<std::string> saved = CheckNothingPartial();
    std::string failure;
    const auto contents = LoadSetup(m_paths.setup, failure);
    ASSERT_NE(contents, nullptr) << failure;
    ExpectLogMatchesSavedFiles(*contents, m_paths.save);
    EXPECT_LT(saved.size(), Corpus().files.size()) << "the listing was not cut";

    const int port = m_server.Port();
    ASSERT_TRUE(m_server.Stop());
    StartServer({}, port);
    RunProgram();
    ExpectWholeCorpus();
}

TEST_F(DemoAutoRunTest, ARefusedLoginEndsTheRunCleanlyWithNothingTaken) {
    StartServer({"--require-auth", "tester:secret", "--refuse-password"});
    WriteDemoSetup({"--login", "tester:secret"});
    RunProgram();

    EXPECT_TRUE(Snapshot(m_paths.save).empty()) << "files were saved without a login";
    std::string failure;
    const auto contents = LoadSetup(m_paths.setup, failure);
    ASSERT_NE(contents, nullptr) << failure;
    EXPECT_TRUE(LoggedFiles(*contents).empty());
    EXPECT_TRUE(contents->m_articles.empty()) << ArticlesText(*contents);
    // Nothing was read, so nothing may be remembered as taken in: a later run with the
    // right password must still find every article new.
    for (const std::string& group : Corpus().groups) {
        EXPECT_FALSE(contents->m_ranges.IsArticleSeen(group, 1)) << group;
    }
}

TEST_F(DemoAutoRunTest, AnAcceptedLoginCollectsTheWholeCorpus) {
    StartServer({"--require-auth", "tester:secret"});
    WriteDemoSetup({"--login", "tester:secret"});
    RunProgram();
    ExpectWholeCorpus();
}

}  // namespace
}  // namespace corvane::e2e
