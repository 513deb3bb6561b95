#include "app/command_line.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace corvane {
namespace {

// A setup whose auto-mode values differ from anything a switch would set.
CSetup AutoSetup() {
    CSetup setup;
    setup.m_delayStart = 1;
    setup.m_delayStartSeconds = 50;
    setup.m_shutDownMode = CSetup::kNoShutDown;
    setup.m_shutDownAfterSeconds = 70;
    return setup;
}

CSetup Applied(const std::vector<std::string>& args) {
    CSetup setup = AutoSetup();
    ApplySwitches(ParseCommandLine(args), setup);
    return setup;
}

TEST(CommandLineTest, NothingGivenChangesNothing) {
    const SCommandLine line = ParseCommandLine({});
    EXPECT_FALSE(line.autoRequested || line.autoStartPending || line.delayStartPresent ||
                 line.shutDownPresent || line.noGui);
    EXPECT_EQ(line.fileName, "");
    const CSetup setup = Applied({});
    EXPECT_EQ(setup.m_delayStart, 1);
    EXPECT_EQ(setup.m_delayStartSeconds, 50);
    EXPECT_EQ(setup.m_shutDownMode, CSetup::kNoShutDown);
    EXPECT_EQ(setup.m_shutDownAfterSeconds, 70);
}

TEST(CommandLineTest, DelayStartIsOnExactlyWhenTheNumberIsNotZero) {
    CSetup off = Applied({"/S:0"});
    EXPECT_EQ(off.m_delayStart, 0);
    EXPECT_EQ(off.m_delayStartSeconds, 0);

    CSetup hour = Applied({"-S:3600"});
    EXPECT_EQ(hour.m_delayStart, 1);
    EXPECT_EQ(hour.m_delayStartSeconds, 3600);
    // The delay alone neither starts auto mode nor touches the shut-down.
    const SCommandLine line = ParseCommandLine({"-S:3600"});
    EXPECT_FALSE(line.autoRequested);
    EXPECT_EQ(hour.m_shutDownMode, CSetup::kNoShutDown);
}

TEST(CommandLineTest, ShutDownWhenIdleForZeroAfterTheTimeOtherwise) {
    CSetup idle = Applied({"-F:0"});
    EXPECT_EQ(idle.m_shutDownMode, CSetup::kShutDownWhenIdle);
    EXPECT_EQ(idle.m_shutDownAfterSeconds, 0);

    CSetup after = Applied({"/F:7200"});
    EXPECT_EQ(after.m_shutDownMode, CSetup::kShutDownAfterTime);
    EXPECT_EQ(after.m_shutDownAfterSeconds, 7200);
    EXPECT_EQ(after.m_delayStart, 1);
    EXPECT_FALSE(ParseCommandLine({"/F:7200"}).autoRequested);
}

TEST(CommandLineTest, AutoWithEitherSwitchCharacterSetsBothFlags) {
    for (const char* arg : {"/auto", "-auto"}) {
        const SCommandLine line = ParseCommandLine({arg});
        EXPECT_TRUE(line.autoRequested) << arg;
        EXPECT_TRUE(line.autoStartPending) << arg;
        EXPECT_EQ(line.fileName, "") << arg;
    }
}

TEST(CommandLineTest, SwitchNamesAreCaseSensitive) {
    const SCommandLine line = ParseCommandLine({"-AUTO", "-Auto", "-s:10", "-f:0", "-NOGUI"});
    EXPECT_FALSE(line.autoRequested || line.autoStartPending || line.delayStartPresent ||
                 line.shutDownPresent || line.noGui);
    EXPECT_EQ(line.fileName, "");
}

TEST(CommandLineTest, NumbersThatDoNotParseLeaveTheSwitchOut) {
    for (const char* arg : {"-S:", "-S:x", "-S:-1", "-S:+5", "-S: 5", "-S:10m", "-S:0x10",
                            "-S:4294967296", "-S:99999999999999999999999", "-S"}) {
        const SCommandLine line = ParseCommandLine({arg});
        EXPECT_FALSE(line.delayStartPresent) << arg;
        EXPECT_EQ(line.fileName, "") << arg;  // a '-' parameter is never a file
        EXPECT_EQ(Applied({arg}).m_delayStartSeconds, 50) << arg;
    }
    const CSetup setup = Applied({"-F:7200s", "-F:"});
    EXPECT_EQ(setup.m_shutDownMode, CSetup::kNoShutDown);
    EXPECT_EQ(setup.m_shutDownAfterSeconds, 70);
}

TEST(CommandLineTest, LargestUnsignedCountIsKeptAsTheLargestTheSetupHolds) {
    const SCommandLine line = ParseCommandLine({"-S:4294967295", "-F:007"});
    ASSERT_TRUE(line.delayStartPresent);
    EXPECT_EQ(line.delayStartSeconds, std::numeric_limits<uint32_t>::max());
    EXPECT_EQ(line.shutDownSeconds, 7u);
    CSetup setup = AutoSetup();
    ApplySwitches(line, setup);
    EXPECT_EQ(setup.m_delayStartSeconds, std::numeric_limits<int32_t>::max());
    EXPECT_EQ(setup.m_delayStart, 1);
    EXPECT_EQ(setup.m_shutDownAfterSeconds, 7);
}

TEST(CommandLineTest, FileNamesAutoAndTheHeadlessSwitchTogether) {
    SCommandLine line = ParseCommandLine({"news.cvn", "/auto", "-nogui", "-F:0"});
    EXPECT_EQ(line.fileName, "news.cvn");
    EXPECT_TRUE(line.autoRequested);
    EXPECT_TRUE(line.noGui);
    EXPECT_TRUE(line.shutDownPresent);

    // Absolute paths begin with the switch character and are still files; the last one wins.
    line = ParseCommandLine({"/home/ann/a.cvn", "-x", "", "/srv/b.cvn", "/nogui"});
    EXPECT_EQ(line.fileName, "/srv/b.cvn");
    EXPECT_TRUE(line.noGui);
    EXPECT_FALSE(line.autoRequested);

    // A '/' switch with a bad number is still a switch, not a path to open.
    line = ParseCommandLine({"a.cvn", "/S:soon"});
    EXPECT_EQ(line.fileName, "a.cvn");
    EXPECT_FALSE(line.delayStartPresent);
}

}  // namespace
}  // namespace corvane
