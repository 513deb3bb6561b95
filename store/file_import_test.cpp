#include "store/file_import.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/prompt.h"
#include "store/store_test_support.h"

namespace corvane {
namespace {

// Records what the progress window shows and cancels at the first question after a chosen
// directory was shown.
class CScriptedProgress : public IImportProgress {
public:
    void ShowText(std::string_view text) override { texts.emplace_back(text); }
    void ResetProgress() override { ++resets; }
    void StepProgress() override { ++steps; }
    bool Cancelled() override {
        return !cancelIn.empty() && !texts.empty() && texts.back().ends_with(cancelIn);
    }

    std::vector<std::string> texts;
    std::string cancelIn;
    int resets = 0;
    int steps = 0;
};

class FileImportTest : public test::CStoreDirTest {
protected:
    void SetUp() override {
        CStoreDirTest::SetUp();
        WriteText(File("a.JPG"), "12345");
        WriteText(File("b.Png"), "1");
        WriteText(File("c.txt"), "text");
        WriteText(File("noext"), "x");
        WriteText(File("sub/d.gif"), "gif");
        WriteText(File("sub/deep/e.jpeg"), "jpeg!");
        WriteText(File("sub/deep/f.bmp"), "b");
    }
    int Import(const SImportOptions& options) {
        return ImportFileData(m_dir, options, m_registry, m_progress, m_prompt);
    }
    std::vector<std::string> KnownNames() const {
        std::vector<std::string> names;
        for (const auto& key : m_registry.m_known) names.push_back(key.first);
        std::sort(names.begin(), names.end());
        return names;
    }

    CScriptedProgress m_progress;
    CRecordingPrompt m_prompt;
};

TEST_F(FileImportTest, ImageFilesOnlyByExtensionInAnyCase) {
    EXPECT_EQ(Import({.processSubdirectories = false, .allFiles = false}), 2);
    EXPECT_EQ(KnownNames(), (std::vector<std::string>{"a.JPG", "b.Png"}));
    EXPECT_NE(std::find(m_registry.m_known.begin(), m_registry.m_known.end(),
                        m_registry.MakeKey("a.JPG", 5)),
              m_registry.m_known.end())
        << "the file's length goes with its name";
    EXPECT_EQ(m_prompt.Messages(), std::vector<std::string>{"Imported 2 files."});
    EXPECT_TRUE(HasImageExtension("x.jpeg"));
    EXPECT_FALSE(HasImageExtension("jpg"));
    EXPECT_FALSE(HasImageExtension("x.jpg.txt"));
}

TEST_F(FileImportTest, ImportingTwiceAddsNothingTheSecondTime) {
    EXPECT_EQ(Import({}), 5);
    EXPECT_EQ(KnownNames(),
              (std::vector<std::string>{"a.JPG", "b.Png", "d.gif", "e.jpeg", "f.bmp"}));
    EXPECT_EQ(m_progress.steps, 2) << "one step per subdirectory";
    EXPECT_EQ(Import({}), 0);
    EXPECT_EQ(m_prompt.Messages(),
              (std::vector<std::string>{"Imported 5 files.", "Imported 0 files."}));
}

TEST_F(FileImportTest, AllFilesWithoutSubdirectoriesTakesTheDirectoryEntriesToo) {
    EXPECT_EQ(Import({.processSubdirectories = false, .allFiles = true}), 5);
    EXPECT_EQ(KnownNames(), (std::vector<std::string>{"a.JPG", "b.Png", "c.txt", "noext", "sub"}));
}

TEST_F(FileImportTest, ATrailingSlashImportsTheSameDirectory) {
    EXPECT_EQ(ImportFileData(m_dir + "/", {}, m_registry, m_progress, m_prompt), 5);
    EXPECT_EQ(m_progress.texts.front(), "Processing Directory:\t" + m_dir);
}

TEST_F(FileImportTest, CancellingDeepDownReportsWhatWasAddedSoFar) {
    m_progress.cancelIn = "/deep";
    const int count = Import({});
    // Whatever order the directory is listed in, the files counted are exactly those added.
    EXPECT_EQ(static_cast<std::size_t>(count), m_registry.m_known.size());
    EXPECT_LT(count, 5);
    EXPECT_EQ(m_progress.texts.back(), "Progress Cancelled");
    EXPECT_EQ(m_prompt.Messages(), std::vector<std::string>{ImportedFilesText(count)});
    const auto names = KnownNames();
    EXPECT_EQ(std::count(names.begin(), names.end(), "e.jpeg") +
                  std::count(names.begin(), names.end(), "f.bmp"),
              0)
        << "nothing of the cancelled directory";
}

TEST_F(FileImportTest, AnUnreadableDirectoryContributesNothing) {
    EXPECT_EQ(ImportDirectory(m_dir + "/missing", {}, m_registry, m_progress), 0);
    EXPECT_TRUE(m_registry.m_known.empty());
}

TEST_F(FileImportTest, ALinkToAParentIsNotFollowed) {
    std::filesystem::create_directory_symlink(m_dir, File("sub/loop"));
    EXPECT_EQ(Import({.processSubdirectories = true, .allFiles = false}), 5);
}

}  // namespace
}  // namespace corvane
