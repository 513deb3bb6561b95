#include "tests/e2e/run_checks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace corvane::e2e {

namespace fs = std::filesystem;

std::string RangesText(const CSetupFileContents& contents) {
    std::string text;
    contents.m_ranges.Groups().ForEach([&](const std::string& group, const auto& range) {
        text += group + ":";
        for (const CGroupRangeEntry& entry : range->Ranges()) {
            text += " " + std::to_string(entry.low) + "-" + std::to_string(entry.high);
        }
        text += "\n";
    });
    return text;
}

std::string ArticlesText(const CSetupFileContents& contents) {
    std::string text;
    for (const auto& article : contents.m_articles) {
        text += article->Newsgroup() + " " + article->DisplaySubject() +
                (article->IsComplete() ? "" : " (incomplete)") + "\n";
    }
    return text;
}

bool HoldsEveryNumberOf(const CSetupFileContents& later, const CSetupFileContents& earlier) {
    bool holds = true;
    earlier.m_ranges.Groups().ForEach([&](const std::string& group, const auto& range) {
        for (const CGroupRangeEntry& entry : range->Ranges()) {
            // Both ends and a step through the middle: the tests' groups are small.
            const std::int64_t step =
                std::max<std::int64_t>(1, (std::int64_t{entry.high} - entry.low) / 1000);
            for (std::int64_t n = entry.low; n <= entry.high; n += step) {
                holds = holds && later.m_ranges.IsArticleSeen(group, static_cast<std::int32_t>(n));
            }
            holds = holds && later.m_ranges.IsArticleSeen(group, entry.high);
        }
    });
    return holds;
}

void ExpectLogMatchesSavedFiles(const CSetupFileContents& contents, const std::string& save) {
    std::set<std::string> saved;
    for (const auto& [relative, state] : Snapshot(save)) {
        if (fs::path(relative).filename() != "descript.ion") saved.insert(save + "/" + relative);
    }
    std::set<std::string> logged;
    for (const std::string& file : LoggedFiles(contents)) {
        EXPECT_TRUE(logged.insert(fs::path(file).lexically_normal().string()).second)
            << file << " is logged twice";
    }
    std::set<std::string> savedNormal;
    for (const std::string& file : saved) savedNormal.insert(fs::path(file).lexically_normal());
    EXPECT_EQ(logged, savedNormal) << "the download log and the files below the save path differ";
}

void ExpectSecondRunTakesNothing(const SRunPaths& paths) {
    std::string failure;
    const auto before = LoadSetup(paths.setup, failure);
    ASSERT_NE(before, nullptr) << failure;
    const auto filesBefore = Snapshot(paths.save);

    const SChildExit exit = RunAuto(paths.home, paths.setup, paths.output);
    ASSERT_TRUE(exit.Succeeded()) << "second run " << exit.Describe() << "\n"
                                  << ReadText(paths.output);

    EXPECT_TRUE(Snapshot(paths.save) == filesBefore)
        << "the second run changed, added or removed files below " << paths.save;
    const auto after = LoadSetup(paths.setup, failure);
    ASSERT_NE(after, nullptr) << failure;
    EXPECT_EQ(LoggedFiles(*after), LoggedFiles(*before)) << "the second run changed the log";
    // The ranges may be tidied (a group's low end learnt from the server folds the numbers
    // below it into the first range) but must still hold every number the first run took in.
    EXPECT_TRUE(HoldsEveryNumberOf(*after, *before)) << "ranges lost numbers:\n"
                                                     << RangesText(*before) << "became\n"
                                                     << RangesText(*after);
    EXPECT_EQ(ArticlesText(*after), ArticlesText(*before));
}

}  // namespace corvane::e2e
