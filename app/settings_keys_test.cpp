#include "app/settings_keys.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <utility>
#include <vector>

namespace corvane {
namespace {

namespace fs = std::filesystem;

// Values that differ in every field, so a field stored under another field's name shows.
constexpr SWindowPlacement kDistinct{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};

TEST(PlacementTest, DefaultsWhenNothingIsStored) {
    CMemorySettingsStore store;
    EXPECT_EQ(LoadPlacement(store, kMainPlacementPrefix),
              (SWindowPlacement{44, 0, 1, -1, -1, -1, -1, 0, 0, 773, 470}));
    EXPECT_EQ(LoadPlacement(store, kBrowserPlacementPrefix),
              (SWindowPlacement{44, 0, 1, -1, -1, -1, -1, 0, 0, 600, 400}));
    EXPECT_EQ(store.WriteCount(), 0u);
}

TEST(PlacementTest, EachFieldHasItsOwnKeyInSectionData) {
    CMemorySettingsStore store;
    SavePlacement(store, kMainPlacementPrefix, kDistinct);
    const std::map<std::string, std::string> expected = {
        {"Data/wpLength", "1"}, {"Data/wpFlags", "2"},  {"Data/wpShowCmd", "3"},
        {"Data/wpMinx", "4"},   {"Data/wpMiny", "5"},   {"Data/wpMaxx", "6"},
        {"Data/wpMaxy", "7"},   {"Data/wpleft", "8"},   {"Data/wptop", "9"},
        {"Data/wpright", "10"}, {"Data/wpbottom", "11"}};
    EXPECT_EQ(store.Values(), expected);
    EXPECT_EQ(LoadPlacement(store, kMainPlacementPrefix), kDistinct);
    // The browser's placement is kept apart although "wp" begins "wp2".
    EXPECT_EQ(LoadPlacement(store, kBrowserPlacementPrefix), kBrowserPlacementDefaults);
}

TEST(PlacementTest, PartlyStoredPlacementKeepsDefaultsForTheRest) {
    CMemorySettingsStore store;
    store.WriteInt(kSectionData, "wp2right", 1024);
    store.WriteString(kSectionData, "wp2bottom", "tall");
    SWindowPlacement expected = kBrowserPlacementDefaults;
    expected.right = 1024;
    EXPECT_EQ(LoadPlacement(store, kBrowserPlacementPrefix), expected);
}

TEST(PlacementTest, BothWindowsRoundTripThroughTheIniFileWithTheirExactKeys) {
    char tmpl[] = "/tmp/corvane-placement-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    const std::string dir = tmpl;
    const std::string path = dir + "/Corvane.ini";
    const SWindowPlacement browser{44, 0, 3, -1, -1, -32000, -32000, 20, 30, 820, 630};
    {
        CIniSettingsStore store(path);
        SavePlacement(store, kMainPlacementPrefix, kDistinct);
        SavePlacement(store, kBrowserPlacementPrefix, browser);
    }
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    for (const char* line :
         {"[Data]", "wpLength=1", "wpFlags=2", "wpShowCmd=3", "wpMinx=4", "wpMiny=5", "wpMaxx=6",
          "wpMaxy=7", "wpleft=8", "wptop=9", "wpright=10", "wpbottom=11", "wp2ShowCmd=3",
          "wp2Maxx=-32000", "wp2left=20", "wp2right=820", "wp2bottom=630"}) {
        EXPECT_NE(text.str().find(std::string(line) + "\n"), std::string::npos) << line;
    }
    // A path never opened in this process: the store parses the file as a new run would.
    fs::copy_file(path, dir + "/next.ini");
    CIniSettingsStore next(dir + "/next.ini");
    EXPECT_EQ(LoadPlacement(next, kMainPlacementPrefix), kDistinct);
    EXPECT_EQ(LoadPlacement(next, kBrowserPlacementPrefix), browser);
    std::error_code ec;
    fs::remove_all(dir, ec);
}

TEST(ColumnWidthTest, NineColumnsWithTheirDefaults) {
    CMemorySettingsStore store;
    const std::vector<std::pair<std::string, int>> expected = {
        {"cwGroup", 260},    {"cwStatus", 65},   {"cwRelPath", 80},
        {"cwArtGroup", 120}, {"cwSubject", 250}, {"cwID", 60},
        {"cwFrom", 100},     {"cwLines", 60},    {"cwPath", 10}};
    std::vector<std::pair<std::string, int>> seen;
    for (const auto& column : kGroupListColumns)
        seen.emplace_back(column.name, ReadColumnWidth(store, column));
    for (const auto& column : kArticleListColumns)
        seen.emplace_back(column.name, ReadColumnWidth(store, column));
    EXPECT_EQ(seen, expected);
}

TEST(ColumnWidthTest, WrittenWidthsComeBackAndDamagedOnesGiveTheDefault) {
    CMemorySettingsStore store;
    WriteColumnWidth(store, kColumnSubject, 412);
    WriteColumnWidth(store, kColumnOrigin, 0);
    EXPECT_EQ(store.Value(kSectionColumns, "cwSubject"), "412");
    EXPECT_EQ(ReadColumnWidth(store, kColumnSubject), 412);
    EXPECT_EQ(ReadColumnWidth(store, kColumnOrigin), 0);  // a hidden column stays hidden

    WriteColumnWidth(store, kColumnFrom, -5);
    WriteColumnWidth(store, kColumnLines, kMaxColumnWidth + 1);
    store.WriteString(kSectionColumns, "cwID", "wide");
    EXPECT_EQ(ReadColumnWidth(store, kColumnFrom), 100);
    EXPECT_EQ(ReadColumnWidth(store, kColumnLines), 60);
    EXPECT_EQ(ReadColumnWidth(store, kColumnDate), 60);
    // Column widths live in their own section, not among the window's values.
    EXPECT_EQ(store.Value(kSectionData, "cwSubject"), std::nullopt);
}

TEST(BrowsePathTest, OnlyATrailingSeparatorIsDropped) {
    EXPECT_EQ(DefaultBrowsePath("/srv/news/"), "/srv/news");
    EXPECT_EQ(DefaultBrowsePath("/srv/news"), "/srv/news");
    EXPECT_EQ(DefaultBrowsePath("C:\\news\\"), "C:\\news");
    EXPECT_EQ(DefaultBrowsePath(""), "");
}

}  // namespace
}  // namespace corvane
