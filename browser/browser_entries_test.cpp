#include "browser/browser_entries.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace corvane {
namespace {

BrowserEntryPtr Entry(std::string path, std::string author = "", std::string origin = "") {
    auto e = std::make_shared<SBrowserEntry>();
    e->fileName = std::move(path);
    e->author = std::move(author);
    e->origin = std::move(origin);
    return e;
}

std::vector<std::string> Paths(const std::vector<BrowserEntryPtr>& entries) {
    std::vector<std::string> out;
    for (const auto& e : entries) out.push_back(e->fileName);
    return out;
}

TEST(BrowserTabs, StoredNumbersOutsideOneToFourOpenTheFirstTab) {
    EXPECT_EQ(BrowserTabFromNumber(0), EBrowserTab::kFilesDate);
    EXPECT_EQ(BrowserTabFromNumber(5), EBrowserTab::kFilesDate);
    EXPECT_EQ(BrowserTabFromNumber(-2), EBrowserTab::kFilesDate);
    EXPECT_EQ(BrowserTabFromNumber(2), EBrowserTab::kFilesName);
    EXPECT_EQ(BrowserTabFromNumber(4), EBrowserTab::kOriginFile);
    EXPECT_STREQ(BrowserTabCaption(EBrowserTab::kPersonFile), "Person/File");
    EXPECT_STREQ(BrowserTabCaption(EBrowserTab::kOriginFile), "Origin/File");
}

TEST(BrowserSort, FilesDateKeepsLogOrder) {
    std::vector<BrowserEntryPtr> entries = {Entry("/d/c.jpg"), Entry("/d/a.jpg"), Entry("/d/b")};
    SortForTab(entries, EBrowserTab::kFilesDate);
    EXPECT_EQ(Paths(entries), (std::vector<std::string>{"/d/c.jpg", "/d/a.jpg", "/d/b"}));
}

TEST(BrowserSort, FilesNameIgnoresCaseWhereBytesWouldNot) {
    std::vector<BrowserEntryPtr> entries = {Entry("/d/beta.jpg"), Entry("/d/Charlie.gif"),
                                            Entry("/d/alpha.png"), Entry("/d/Bravo.txt")};
    SortForTab(entries, EBrowserTab::kFilesName);
    EXPECT_EQ(Paths(entries), (std::vector<std::string>{"/d/alpha.png", "/d/beta.jpg",
                                                        "/d/Bravo.txt", "/d/Charlie.gif"}));
}

TEST(BrowserSort, EqualKeysComeOutInTheHeapsOrder) {
    // Two names equal but for case: the heap swaps them.
    std::vector<BrowserEntryPtr> two = {Entry("/d/pic.jpg"), Entry("/d/PIC.JPG")};
    SortForTab(two, EBrowserTab::kFilesName);
    EXPECT_EQ(Paths(two), (std::vector<std::string>{"/d/PIC.JPG", "/d/pic.jpg"}));

    // Worked by hand through the heap: the first-logged of the two equal names stays first.
    std::vector<BrowserEntryPtr> three = {Entry("/a.jpg"), Entry("/b.jpg"), Entry("/A.JPG")};
    SortForTab(three, EBrowserTab::kFilesName);
    EXPECT_EQ(Paths(three), (std::vector<std::string>{"/a.jpg", "/A.JPG", "/b.jpg"}));
}

TEST(BrowserSort, PersonFileComparesAuthorBytesThenPath) {
    std::vector<BrowserEntryPtr> entries = {Entry("/d/2.jpg", "alice"), Entry("/d/1.jpg", "Zed"),
                                            Entry("/d/1.jpg", "alice"), Entry("/d/0.jpg", "bob")};
    SortForTab(entries, EBrowserTab::kPersonFile);
    ASSERT_EQ(entries.size(), 4u);
    // Upper-case letters sort before lower-case ones byte by byte.
    EXPECT_EQ(entries[0]->author, "Zed");
    EXPECT_EQ(entries[1]->author, "alice");
    EXPECT_EQ(entries[1]->fileName, "/d/1.jpg");
    EXPECT_EQ(entries[2]->fileName, "/d/2.jpg");
    EXPECT_EQ(entries[3]->author, "bob");
}

TEST(BrowserSort, EveryTabYieldsAnOrderedPermutationOfManyEntries) {
    std::mt19937 random(7);
    const char* names[] = {"x", "Y", "y", "z", "\xc3\xa9"};
    std::vector<BrowserEntryPtr> entries;
    for (int i = 0; i < 500; ++i) {
        entries.push_back(
            Entry(std::string("/p/") + names[random() % 5] + std::to_string(random() % 9),
                  names[random() % 5], names[random() % 5]));
    }
    for (EBrowserTab tab :
         {EBrowserTab::kFilesName, EBrowserTab::kPersonFile, EBrowserTab::kOriginFile}) {
        auto sorted = entries;
        SortForTab(sorted, tab);
        for (std::size_t i = 1; i < sorted.size(); ++i) {
            ASSERT_LE(CompareBrowserEntries(tab, *sorted[i - 1], *sorted[i]), 0)
                << BrowserTabCaption(tab) << " at position " << i + 1;
        }
        auto before = entries;
        std::sort(before.begin(), before.end());
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(before, sorted) << BrowserTabCaption(tab);
    }
}

TEST(BrowserFileKinds, PicturesByExtensionInAnyCase) {
    EXPECT_TRUE(IsPictureName("/d/a.jpg"));
    EXPECT_TRUE(IsPictureName("/d/a.JPEG"));
    EXPECT_TRUE(IsPictureName("/d/a.Gif"));
    EXPECT_TRUE(IsPictureName("/d/a.bmp"));
    EXPECT_TRUE(IsPictureName("/d/a.png"));
    EXPECT_FALSE(IsPictureName("/d/a.jpg.txt"));
    EXPECT_FALSE(IsPictureName("/d/noextension"));
    EXPECT_FALSE(IsPictureName("/d/a."));
    EXPECT_FALSE(IsPictureName("/d/jpg"));
    // Only the text after the last dot counts, even across a directory.
    EXPECT_FALSE(IsPictureName("/d.jpg/readme"));
}

TEST(BrowserFileKinds, TextFilesEndInLowerOrUpperTxtOnly) {
    EXPECT_TRUE(IsTextFileName("/d/alt.test.123.txt"));
    EXPECT_TRUE(IsTextFileName("/d/NOTES.TXT"));
    EXPECT_TRUE(IsTextFileName("/d/plaintxt"));
    EXPECT_FALSE(IsTextFileName("/d/readme.Txt"));
    EXPECT_FALSE(IsTextFileName("/d/readme.tXT"));
    EXPECT_FALSE(IsTextFileName("xt"));
    EXPECT_FALSE(IsTextFileName(""));
}

std::unique_ptr<CLogEntry> LogEntry(std::string path, std::string author) {
    auto e = std::make_unique<CLogEntry>();
    e->SetFileName(std::move(path));
    e->SetAuthor(std::move(author));
    e->SetOrigin("news.example.invalid");
    e->SetNewsgroup("alt.pictures");
    e->SetSubject("subject");
    e->SetLines(12);
    return e;
}

TEST(BrowserSnapshot, CopiesOutliveTheLogsEntries) {
    CDownloadLog log;
    log.Add(LogEntry("/d/one.jpg", "ann"));
    log.Add(LogEntry("/d/two.jpg", "bob"));
    const auto snapshot = SnapshotLog(log);
    ASSERT_EQ(snapshot.size(), 2u);
    EXPECT_TRUE(StillLogged(log, *snapshot[0]));

    log.Clear();
    EXPECT_FALSE(StillLogged(log, *snapshot[0]));
    EXPECT_EQ(snapshot[1]->fileName, "/d/two.jpg");
    EXPECT_EQ(snapshot[1]->author, "bob");
    EXPECT_EQ(snapshot[1]->lines, 12);
}

TEST(BrowserSnapshot, AnEntryWithOtherTextsAtTheSameAddressIsNotTheSnapshotsEntry) {
    CDownloadLog log;
    log.Add(LogEntry("/d/one.jpg", "ann"));
    auto snapshot = SnapshotLog(log);
    ASSERT_EQ(snapshot.size(), 1u);
    auto changed = std::make_shared<SBrowserEntry>(*snapshot[0]);
    changed->author = "someone else";
    EXPECT_FALSE(StillLogged(log, *changed));
}

}  // namespace
}  // namespace corvane
