#include "app/startup_checks.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "app/settings_keys.h"

namespace corvane {
namespace {

// Counts reads, so a test can tell that a new enough library never consults the setting.
class CCountingStore : public CMemorySettingsStore {
public:
    int ReadInt(const std::string& section, const std::string& name, int def) override {
        ++m_reads;
        return CMemorySettingsStore::ReadInt(section, name, def);
    }
    int m_reads = 0;
};

TEST(ControlsWarningTest, LibraryWithoutVersionEntryIsOldAndWarned) {
    CMemorySettingsStore store;
    EXPECT_EQ(kVersionEntryMissing, (4u << 24) + 950u);
    EXPECT_TRUE(ShouldShowControlsWarning(kVersionEntryMissing, store));
    // A failed version call reports 0, which is older still.
    EXPECT_TRUE(ShouldShowControlsWarning(0, store));
    EXPECT_TRUE(ShouldShowControlsWarning(PackVersion(4, 69, 65535), store));
}

TEST(ControlsWarningTest, WantedVersionAndNewerAreNotWarnedAndDoNotReadTheSetting) {
    CCountingStore store;
    store.WriteInt(kSectionData, kKeyShowWarn1, 1);
    EXPECT_FALSE(ShouldShowControlsWarning(PackVersion(4, 70, 0), store));
    EXPECT_FALSE(ShouldShowControlsWarning(PackVersion(5, 0, 0), store));
    EXPECT_EQ(store.m_reads, 0);
}

TEST(ControlsWarningTest, TheAnswerDecidesTheNextStart) {
    CMemorySettingsStore store;
    RecordControlsWarningAnswer(true, store);
    EXPECT_EQ(store.Value("Data", "ShowWarn1"), "0");
    EXPECT_FALSE(ShouldShowControlsWarning(kVersionEntryMissing, store));

    RecordControlsWarningAnswer(false, store);
    EXPECT_EQ(store.Value("Data", "ShowWarn1"), "1");
    EXPECT_TRUE(ShouldShowControlsWarning(kVersionEntryMissing, store));
}

TEST(ControlsWarningTest, TickedBoxSurvivesIntoTheNextRunsFile) {
    char tmpl[] = "/tmp/corvane-warn-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    const std::string dir = tmpl;
    {
        CIniSettingsStore store(dir + "/Corvane.ini");
        ASSERT_TRUE(ShouldShowControlsWarning(kVersionEntryMissing, store));
        RecordControlsWarningAnswer(true, store);
    }
    std::filesystem::copy_file(dir + "/Corvane.ini", dir + "/next.ini");
    CIniSettingsStore next(dir + "/next.ini");
    EXPECT_FALSE(ShouldShowControlsWarning(kVersionEntryMissing, next));
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
}

TEST(VersionTextTest, PacksDottedVersions) {
    EXPECT_EQ(ParsePackedVersion("6.4.2"), 0x06040002u);
    EXPECT_EQ(ParsePackedVersion("4.70"), kWantedControlsVersion);
    EXPECT_EQ(ParsePackedVersion("5"), PackVersion(5, 0, 0));
    EXPECT_EQ(ParsePackedVersion("255.255.65535"), 0xffffffffu);
    for (const char* bad : {"", ".", "6.", ".4", "6..2", "6.4.2.1", "256.0.0", "6.256.0",
                            "6.4.65536", "6.4.2-rc1", "v6", "-6.4"}) {
        EXPECT_EQ(ParsePackedVersion(bad), std::nullopt) << '"' << bad << '"';
    }
}

TEST(VersionTextTest, TheToolkitThisBuildRunsWithIsNewEnough) {
    const uint32_t running = RunningToolkitVersion();
    EXPECT_EQ(running >> 24, 6u);  // the program is built on Qt 6
    CMemorySettingsStore store;
    EXPECT_FALSE(ShouldShowControlsWarning(running, store));
}

}  // namespace
}  // namespace corvane
