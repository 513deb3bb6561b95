#include "browser/browser_tree.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace corvane {
namespace {

BrowserEntryPtr Entry(std::string path, std::string author, std::string origin) {
    auto e = std::make_shared<SBrowserEntry>();
    e->fileName = std::move(path);
    e->author = std::move(author);
    e->origin = std::move(origin);
    return e;
}

std::vector<std::string> Texts(const std::vector<SBrowserItem>& items) {
    std::vector<std::string> out;
    for (const auto& item : items) out.push_back(item.text);
    return out;
}

std::vector<BrowserEntryPtr> Sample() {
    return {Entry("/g/first.jpg", "ann", "b.invalid"), Entry("/g/second.txt", "bob", "a.invalid"),
            Entry("/g/third.GIF", "ann", "a.invalid")};
}

TEST(BrowserTree, FilesDateListsTheNewestDownloadFirst) {
    const auto tree = BuildBrowserTree(Sample(), EBrowserTab::kFilesDate);
    EXPECT_EQ(Texts(tree),
              (std::vector<std::string>{"/g/third.GIF", "/g/second.txt", "/g/first.jpg"}));
    for (const auto& item : tree) {
        EXPECT_EQ(item.kind, EBrowserItemKind::kFile);
        EXPECT_EQ(item.Marker(), kMarkerFile);
        EXPECT_TRUE(item.children.empty());
        ASSERT_NE(item.entry, nullptr);
        EXPECT_EQ(item.entry->fileName, item.text);
    }
}

TEST(BrowserTree, FilesNameKeepsTheArraysOrder) {
    const auto tree = BuildBrowserTree(Sample(), EBrowserTab::kFilesName);
    EXPECT_EQ(Texts(tree),
              (std::vector<std::string>{"/g/first.jpg", "/g/second.txt", "/g/third.GIF"}));
}

TEST(BrowserTree, PictureFilesGetThePictureIcon) {
    const auto tree = BuildBrowserTree(Sample(), EBrowserTab::kFilesName);
    ASSERT_EQ(tree.size(), 3u);
    EXPECT_EQ(tree[0].icon, kIconPicture);
    EXPECT_EQ(tree[1].icon, kIconFile);
    EXPECT_EQ(tree[2].icon, kIconPicture);
}

TEST(BrowserTree, OneAuthorNodeHoldsBothOfItsFiles) {
    auto entries = Sample();
    SortForTab(entries, EBrowserTab::kPersonFile);
    const auto tree = BuildBrowserTree(entries, EBrowserTab::kPersonFile);
    ASSERT_EQ(Texts(tree), (std::vector<std::string>{"ann", "bob"}));
    const SBrowserItem& ann = tree[0];
    EXPECT_EQ(ann.kind, EBrowserItemKind::kAuthor);
    EXPECT_EQ(ann.Marker(), kMarkerAuthor);
    EXPECT_EQ(ann.icon, kIconCollapsed);
    EXPECT_EQ(Texts(ann.children), (std::vector<std::string>{"/g/first.jpg", "/g/third.GIF"}));
    EXPECT_EQ(Texts(tree[1].children), (std::vector<std::string>{"/g/second.txt"}));
}

TEST(BrowserTree, OriginNodesCarryTheOriginMarker) {
    auto entries = Sample();
    SortForTab(entries, EBrowserTab::kOriginFile);
    const auto tree = BuildBrowserTree(entries, EBrowserTab::kOriginFile);
    ASSERT_EQ(Texts(tree), (std::vector<std::string>{"a.invalid", "b.invalid"}));
    EXPECT_EQ(tree[0].kind, EBrowserItemKind::kOrigin);
    EXPECT_EQ(tree[0].Marker(), kMarkerOrigin);
    EXPECT_EQ(Texts(tree[0].children), (std::vector<std::string>{"/g/second.txt", "/g/third.GIF"}));
}

TEST(BrowserTree, NodesAndFilesAreKeptInTextOrderEvenFromAnUnsortedArray) {
    // A caller that skipped the sort still gets sorted rows; a repeated author gets a second
    // node only because its run was interrupted.
    const std::vector<BrowserEntryPtr> unsorted = {
        Entry("/z.jpg", "carl", ""), Entry("/a.jpg", "carl", ""), Entry("/m.jpg", "abe", "")};
    const auto tree = BuildBrowserTree(unsorted, EBrowserTab::kPersonFile);
    ASSERT_EQ(Texts(tree), (std::vector<std::string>{"abe", "carl"}));
    EXPECT_EQ(Texts(tree[1].children), (std::vector<std::string>{"/a.jpg", "/z.jpg"}));
}

TEST(BrowserTree, AnEmptyLogGivesAnEmptyTreeOnEveryTab) {
    for (int tab = 1; tab <= kBrowserTabCount; ++tab) {
        EXPECT_TRUE(BuildBrowserTree({}, BrowserTabFromNumber(tab)).empty()) << tab;
    }
}

TEST(BrowserTree, FindItemRejectsRowsThatDoNotExist) {
    auto entries = Sample();
    SortForTab(entries, EBrowserTab::kPersonFile);
    const auto tree = BuildBrowserTree(entries, EBrowserTab::kPersonFile);
    EXPECT_EQ(FindItem(tree, {0, SBrowserItemRef::kNone}), &tree[0]);
    EXPECT_EQ(FindItem(tree, {0, 1}), &tree[0].children[1]);
    EXPECT_EQ(FindItem(tree, {0, 2}), nullptr);
    EXPECT_EQ(FindItem(tree, {2, SBrowserItemRef::kNone}), nullptr);
    EXPECT_EQ(FindItem(tree, {}), nullptr);
}

}  // namespace
}  // namespace corvane
