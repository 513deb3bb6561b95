#include "platform/settings_store.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>

namespace corvane {
namespace {

namespace fs = std::filesystem;

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

// A scratch folder as CORVANE_HOME, with the variables that choose the file put back after.
class IniSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/corvane-settings-XXXXXX";
        const char* made = mkdtemp(tmpl);
        ASSERT_NE(made, nullptr);
        m_dir = made;
        for (const char* name : {"CORVANE_HOME", "XDG_CONFIG_HOME"}) {
            const char* value = getenv(name);
            m_saved[name] = value ? std::optional<std::string>(value) : std::nullopt;
        }
        setenv("CORVANE_HOME", m_dir.c_str(), 1);
    }
    void TearDown() override {
        for (const auto& [name, value] : m_saved) {
            if (value) {
                setenv(name.c_str(), value->c_str(), 1);
            } else {
                unsetenv(name.c_str());
            }
        }
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }

    // Opening a copy under a name never used before in this process makes the store parse the
    // file from disk, exactly as the next run of the program would.
    std::string NextRunCopy(const std::string& path) {
        const std::string copy = m_dir + "/next-run-" + std::to_string(++m_copies) + ".ini";
        fs::copy_file(path, copy);
        return copy;
    }

    std::string m_dir;
    int m_copies = 0;
    std::map<std::string, std::optional<std::string>> m_saved;
};

TEST(ParseSettingIntTest, AcceptsWholeNumbersInIntRangeOnly) {
    EXPECT_EQ(ParseSettingInt("44"), 44);
    EXPECT_EQ(ParseSettingInt("-1"), -1);
    EXPECT_EQ(ParseSettingInt("+7"), 7);
    EXPECT_EQ(ParseSettingInt(" \t12 \r"), 12);
    EXPECT_EQ(ParseSettingInt("2147483647"), INT_MAX);
    EXPECT_EQ(ParseSettingInt("-2147483648"), INT_MIN);
    for (const char* bad : {"", "  ", "+", "-", "abc", "12x", "1 2", "0x10", "4.5", "+-3",
                            "2147483648", "-2147483649", "99999999999999999999"}) {
        EXPECT_EQ(ParseSettingInt(bad), std::nullopt) << '"' << bad << '"';
    }
}

TEST(MemorySettingsTest, DefaultsWhenAbsentAndTheWrittenValuesAfterwards) {
    CMemorySettingsStore store;
    EXPECT_EQ(store.ReadInt("Data", "wpLength", 44), 44);
    EXPECT_EQ(store.ReadString("Data", "LastFile", "none"), "none");
    EXPECT_EQ(store.WriteCount(), 0u);

    store.WriteInt("Data", "wpLength", -3);
    store.WriteString("Data", "LastFile", "/home/ann/a.cvn");
    EXPECT_EQ(store.ReadInt("Data", "wpLength", 44), -3);
    EXPECT_EQ(store.ReadString("Data", "LastFile", ""), "/home/ann/a.cvn");
    EXPECT_EQ(store.Value("Data", "wpLength"), "-3");
    EXPECT_EQ(store.WriteCount(), 2u);
    // Sections keep names apart.
    EXPECT_EQ(store.ReadInt("Columns", "wpLength", 5), 5);
    // A text that is no number reads as the default, as it does from a file.
    EXPECT_EQ(store.ReadInt("Data", "LastFile", 9), 9);
}

TEST_F(IniSettingsTest, DefaultPathFollowsCorvaneHome) {
    EXPECT_EQ(DefaultSettingsPath(), m_dir + "/Corvane.ini");
    setenv("CORVANE_HOME", (m_dir + "/x//").c_str(), 1);
    EXPECT_EQ(DefaultSettingsPath(), m_dir + "/x/Corvane.ini");
}

TEST_F(IniSettingsTest, DefaultPathWithoutCorvaneHomeIsThePerUserFileOfTheMaker) {
    unsetenv("CORVANE_HOME");
    setenv("XDG_CONFIG_HOME", (m_dir + "/config").c_str(), 1);
    EXPECT_EQ(DefaultSettingsPath(), m_dir + "/config/Velmora/Corvane.ini");
}

TEST_F(IniSettingsTest, ReadsGiveDefaultsAndCreateNothing) {
    CIniSettingsStore store(DefaultSettingsPath());
    EXPECT_EQ(store.ReadInt("Data", "ShowWarn1", 1), 1);
    EXPECT_EQ(store.ReadString("Data", "LastFile", ""), "");
    EXPECT_EQ(store.Status(), CIniSettingsStore::EStatus::kOk);
    EXPECT_FALSE(fs::exists(m_dir + "/Corvane.ini"));
}

TEST_F(IniSettingsTest, EveryWriteIsOnDiskBeforeItReturns) {
    CIniSettingsStore store(DefaultSettingsPath());
    store.WriteInt("Data", "wpLength", 44);
    store.WriteString("Data", "LastFile", "/srv/news/a.cvn");
    store.WriteInt("Columns", "cwGroup", 261);

    // The store is still alive: nothing waits for a destructor to reach the disk.
    const std::string text = ReadText(m_dir + "/Corvane.ini");
    EXPECT_NE(text.find("[Data]"), std::string::npos) << text;
    EXPECT_NE(text.find("wpLength=44"), std::string::npos) << text;
    EXPECT_NE(text.find("LastFile=/srv/news/a.cvn"), std::string::npos) << text;
    EXPECT_NE(text.find("[Columns]"), std::string::npos) << text;
    EXPECT_NE(text.find("cwGroup=261"), std::string::npos) << text;
    EXPECT_EQ(store.Status(), CIniSettingsStore::EStatus::kOk);
}

TEST_F(IniSettingsTest, TheNextRunSeesWhatThisOneWrote) {
    const std::string path = DefaultSettingsPath();
    {
        CIniSettingsStore first(path);
        first.WriteInt("Data", "BigTool", 0);
        first.WriteInt("Data", "wpMinx", -1);
        first.WriteString("Data", "LastFile", "/home/ann/news.cvn");
    }
    CIniSettingsStore second(NextRunCopy(path));
    EXPECT_EQ(second.ReadInt("Data", "BigTool", 1), 0);
    EXPECT_EQ(second.ReadInt("Data", "wpMinx", 7), -1);
    EXPECT_EQ(second.ReadString("Data", "LastFile", ""), "/home/ann/news.cvn");
    EXPECT_EQ(second.ReadInt("Data", "Wizard", 1), 1);

    // A second store on the same file while the first is open sees a later write, too.
    CIniSettingsStore a(path);
    CIniSettingsStore b(path);
    a.WriteInt("Data", "Curtab", 3);
    EXPECT_EQ(b.ReadInt("Data", "Curtab", 1), 3);
}

TEST_F(IniSettingsTest, StringsComeBackByteForByte) {
    const std::string path = DefaultSettingsPath();
    const std::map<std::string, std::string> values = {
        {"Comma", "/news/a, b/c,d.cvn"},
        {"At", "@Variant(not really)"},
        {"Quotes", "say \"hi\" ; # = [x]"},
        {"Latin1", "/news/caf\xe9.cvn"},  // not UTF-8: a path in another encoding
        {"Utf8", "/news/caf\xc3\xa9.cvn"},
        {"Lines", "one\ntwo\tthree\\"},
        {"Blanks", "  padded  "},
        {"Empty", ""},
    };
    {
        CIniSettingsStore store(path);
        for (const auto& [name, value] : values) store.WriteString("Data", name, value);
    }
    CIniSettingsStore next(NextRunCopy(path));
    for (const auto& [name, value] : values) {
        EXPECT_EQ(next.ReadString("Data", name, "<absent>"), value) << name;
    }
}

TEST_F(IniSettingsTest, HandEditedFileIsReadAsFarAsItMakesSense) {
    const std::string path = m_dir + "/Corvane.ini";
    WriteText(path,
              "[Data]\nwpLength=abc\nwpFlags = 3 \nLastFile=/a, b.cvn\nthis line has no equals\n"
              "wpright=99999999999\n[Columns\ncwGroup=300\n");
    CIniSettingsStore store(path);
    EXPECT_EQ(store.ReadInt("Data", "wpLength", 44), 44);
    EXPECT_EQ(store.ReadInt("Data", "wpFlags", 0), 3);
    EXPECT_EQ(store.ReadString("Data", "LastFile", ""), "/a, b.cvn");
    EXPECT_EQ(store.ReadInt("Data", "wpright", 773), 773);
    EXPECT_EQ(store.Status(), CIniSettingsStore::EStatus::kFormatError);

    // Writing one value keeps the others that were readable.
    store.WriteInt("Data", "wpLength", 44);
    CIniSettingsStore next(NextRunCopy(path));
    EXPECT_EQ(next.ReadInt("Data", "wpLength", 0), 44);
    EXPECT_EQ(next.ReadInt("Data", "wpFlags", 0), 3);
    EXPECT_EQ(next.ReadString("Data", "LastFile", ""), "/a, b.cvn");
}

TEST_F(IniSettingsTest, AnOversizedFileIsNeitherTrustedNorOverwritten) {
    const std::string path = m_dir + "/Corvane.ini";
    std::string text = "[Data]\nShowWarn1=0\n";
    text += std::string(CIniSettingsStore::kMaxFileBytes, '#');
    WriteText(path, text);

    CIniSettingsStore store(path);
    EXPECT_EQ(store.Status(), CIniSettingsStore::EStatus::kTooLarge);
    EXPECT_EQ(store.ReadInt("Data", "ShowWarn1", 1), 1);
    store.WriteInt("Data", "ShowWarn1", 1);
    EXPECT_EQ(ReadText(path), text);
}

TEST_F(IniSettingsTest, AWriteThatCannotReachTheDiskIsReported) {
    WriteText(m_dir + "/plain-file", "x");
    CIniSettingsStore store(m_dir + "/plain-file/Corvane.ini");
    store.WriteInt("Data", "Shrink", 1);
    EXPECT_EQ(store.Status(), CIniSettingsStore::EStatus::kAccessError);
    EXPECT_EQ(ReadText(m_dir + "/plain-file"), "x");
}

TEST_F(IniSettingsTest, MissingDirectoriesAreMadeAtTheFirstWrite) {
    setenv("CORVANE_HOME", (m_dir + "/deep/er").c_str(), 1);
    CIniSettingsStore store(DefaultSettingsPath());
    store.WriteInt("Data", "Wizard", 0);
    EXPECT_EQ(store.Status(), CIniSettingsStore::EStatus::kOk);
    EXPECT_NE(ReadText(m_dir + "/deep/er/Corvane.ini").find("Wizard=0"), std::string::npos);
}

}  // namespace
}  // namespace corvane
