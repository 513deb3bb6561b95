#include "app/auto_settings.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace corvane {
namespace {

TEST(TimeField, FormatsHoursMinutesAndSecondsWithTwoDigitsEach) {
    EXPECT_EQ(FormatTimeField(0), "00:00:00");
    EXPECT_EQ(FormatTimeField(3661), "01:01:01");
    EXPECT_EQ(FormatTimeField(86399), "23:59:59");
    // A stored time past a day is shown as it is, not wrapped.
    EXPECT_EQ(FormatTimeField(100 * 3600 + 5), "100:00:05");
}

TEST(TimeField, AcceptsTwoDigitFieldsWithinTheDay) {
    EXPECT_EQ(ParseTimeField("00:00:00"), 0);
    EXPECT_EQ(ParseTimeField("23:59:59"), 86399);
    EXPECT_EQ(ParseTimeField("01:02:03"), 3723);
}

TEST(TimeField, RefusesHoursMinutesOrSecondsOutOfRange) {
    EXPECT_EQ(ParseTimeField("24:00:00"), std::nullopt);
    EXPECT_EQ(ParseTimeField("00:60:00"), std::nullopt);
    EXPECT_EQ(ParseTimeField("00:00:60"), std::nullopt);
    EXPECT_EQ(ParseTimeField("99:99:99"), std::nullopt);
}

TEST(TimeField, RefusesAnythingNotShapedLikeTheField) {
    for (const char* text : {"1:00:00", "", "00:00", "00:00:0", "0a:00:00", "00-00-00", "00:00: 1",
                             " 0:00:00", "+1:00:00", "00:0:000", "-1:00:00"}) {
        EXPECT_EQ(ParseTimeField(text), std::nullopt) << '"' << text << '"';
    }
}

TEST(TimeField, ReadsOnlyTheFirstEighteenCharacters) {
    // Digits running on after the seconds belong to them, as long as they fit the limit.
    EXPECT_EQ(ParseTimeField("00:00:0000000005"), 5);
    EXPECT_EQ(ParseTimeField("00:00:123"), std::nullopt);
    EXPECT_EQ(ParseTimeField("00:01:05 hrs"), 65);
    // A run of zeros longer than the field limit: the digit past it is never read.
    EXPECT_EQ(ParseTimeField("00:00:000000000009"), 9);
    EXPECT_EQ(ParseTimeField("00:00:0000000000009"), 0);
    EXPECT_EQ(ParseTimeField("00:00:99999999999999999999"), std::nullopt);
}

TEST(TimeField, EveryTimeOfTheDayRoundTrips) {
    for (int seconds = 0; seconds < 86400; seconds += 7) {
        ASSERT_EQ(ParseTimeField(FormatTimeField(seconds)), seconds) << seconds;
    }
    EXPECT_EQ(ParseTimeField(FormatTimeField(86399)), 86399);
    EXPECT_EQ(ParseTimeField(FormatTimeField(86400)), std::nullopt);
}

CSetup AutoSetup() {
    CSetup setup;
    setup.m_autoHangUp = 1;
    setup.m_delayStart = 1;
    setup.m_delayStartSeconds = 90;
    setup.m_shutDownMode = CSetup::kShutDownWhenIdle;
    setup.m_shutDownAfterSeconds = 7200;
    setup.m_autoQueueArticles = 0;
    setup.m_processArticlesBeforeGroups = 1;
    setup.m_hideWhileDownloading = 1;
    setup.m_queueEverythingOnEngage = 0;
    return setup;
}

TEST(AutoDialogModel, OpensWithTheSetupsValues) {
    const CSetup setup = AutoSetup();
    CAutoDialogModel dialog(setup, true);
    const auto& c = dialog.m_controls;
    EXPECT_TRUE(c.hangUpWhenFinished);
    EXPECT_TRUE(c.delayStart);
    EXPECT_EQ(c.delayStartTime, "00:01:30");
    EXPECT_EQ(c.shutDownMode, CSetup::kShutDownWhenIdle);
    EXPECT_EQ(c.shutDownAfterTime, "02:00:00");
    EXPECT_FALSE(c.autoQueueArticles);
    EXPECT_TRUE(c.processArticlesBeforeGroups);
    EXPECT_TRUE(c.hideWhileDownloading);
    EXPECT_FALSE(c.queueEverythingOnEngage);
    EXPECT_TRUE(dialog.HangUpEnabled());
    EXPECT_FALSE(dialog.HideWhileDownloadingEnabled());
    EXPECT_TRUE(dialog.IsOpen());
}

TEST(AutoDialogModel, EngageTakesEveryEditedValue) {
    CSetup setup = AutoSetup();
    CAutoDialogModel dialog(setup, true);
    auto& c = dialog.m_controls;
    c.hangUpWhenFinished = false;
    c.delayStart = false;
    c.delayStartTime = "00:00:05";
    c.shutDownMode = CSetup::kShutDownAfterTime;
    c.shutDownAfterTime = "23:59:59";
    c.autoQueueArticles = true;
    c.processArticlesBeforeGroups = false;
    c.queueEverythingOnEngage = true;
    EXPECT_EQ(dialog.Press(EAutoResult::kEngage), std::nullopt);
    EXPECT_FALSE(dialog.IsOpen());
    EXPECT_EQ(dialog.Result(), EAutoResult::kEngage);

    dialog.ApplyTo(setup);
    EXPECT_EQ(setup.m_autoHangUp, 0);
    EXPECT_EQ(setup.m_delayStart, 0);
    EXPECT_EQ(setup.m_delayStartSeconds, 5);
    EXPECT_EQ(setup.m_shutDownMode, CSetup::kShutDownAfterTime);
    EXPECT_EQ(setup.m_shutDownAfterSeconds, 86399);
    EXPECT_EQ(setup.m_autoQueueArticles, 1);
    EXPECT_EQ(setup.m_processArticlesBeforeGroups, 0);
    EXPECT_EQ(setup.m_queueEverythingOnEngage, 1);
}

TEST(AutoDialogModel, HangUpCannotChangeWithoutAConnectionAndHideNever) {
    CSetup setup = AutoSetup();
    CAutoDialogModel dialog(setup, false);
    EXPECT_FALSE(dialog.HangUpEnabled());
    dialog.m_controls.hangUpWhenFinished = false;
    dialog.m_controls.hideWhileDownloading = false;
    EXPECT_EQ(dialog.Press(EAutoResult::kClose), std::nullopt);
    EXPECT_EQ(dialog.Result(), EAutoResult::kClose);
    dialog.ApplyTo(setup);
    EXPECT_EQ(setup.m_autoHangUp, 1);
    EXPECT_EQ(setup.m_hideWhileDownloading, 1);
}

TEST(AutoDialogModel, EscapeRestoresTheValuesItWasOpenedWith) {
    CSetup setup = AutoSetup();
    CAutoDialogModel dialog(setup, true);
    dialog.m_controls.delayStartTime = "00:00:01";
    dialog.m_controls.autoQueueArticles = true;
    // Even values already taken by an earlier accept are dropped.
    ASSERT_EQ(dialog.Accept(), std::nullopt);
    EXPECT_EQ(dialog.Press(EAutoResult::kEscape), std::nullopt);
    EXPECT_EQ(dialog.Result(), EAutoResult::kEscape);

    CSetup edited = AutoSetup();
    edited.m_delayStartSeconds = 1234;
    edited.m_autoQueueArticles = 1;
    dialog.ApplyTo(edited);
    EXPECT_EQ(edited.m_delayStartSeconds, 90);
    EXPECT_EQ(edited.m_autoQueueArticles, 0);
    EXPECT_EQ(edited.m_shutDownAfterSeconds, 7200);
}

TEST(AutoDialogModel, AnInvalidTimeKeepsTheDialogOpenAndNamesTheField) {
    CSetup setup = AutoSetup();
    CAutoDialogModel dialog(setup, true);
    dialog.m_controls.shutDownAfterTime = "1:00:00";
    dialog.m_controls.autoQueueArticles = true;
    auto error = dialog.Press(EAutoResult::kEngage);
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->field, ETimeField::kShutDownAfter);
    EXPECT_EQ(error->message, "Invalid Time");
    EXPECT_TRUE(dialog.IsOpen());
    EXPECT_EQ(dialog.Result(), std::nullopt);
    // Nothing was taken from the controls.
    dialog.ApplyTo(setup);
    EXPECT_EQ(setup.m_autoQueueArticles, 0);

    dialog.m_controls.delayStartTime = "24:00:00";
    error = dialog.Press(EAutoResult::kClose);
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->field, ETimeField::kDelayStart);

    dialog.m_controls.delayStartTime = "00:00:00";
    dialog.m_controls.shutDownAfterTime = "01:00:00";
    EXPECT_EQ(dialog.Press(EAutoResult::kClose), std::nullopt);
    dialog.ApplyTo(setup);
    EXPECT_EQ(setup.m_delayStartSeconds, 0);
    EXPECT_EQ(setup.m_shutDownAfterSeconds, 3600);
    EXPECT_EQ(setup.m_autoQueueArticles, 1);
}

TEST(AutoDialogModel, AStoredTimeBeyondADayMustBeCorrectedBeforeAccepting) {
    CSetup setup = AutoSetup();
    setup.m_delayStartSeconds = 25 * 3600;
    CAutoDialogModel dialog(setup, false);
    EXPECT_EQ(dialog.m_controls.delayStartTime, "25:00:00");
    auto error = dialog.Press(EAutoResult::kEngage);
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->field, ETimeField::kDelayStart);
}

TEST(AutoDialogModel, NeitherShutDownChoiceIsKeptAsStored) {
    CSetup setup = AutoSetup();
    setup.m_shutDownMode = CSetup::kNoShutDown;
    CAutoDialogModel dialog(setup, false);
    EXPECT_EQ(dialog.Press(EAutoResult::kClose), std::nullopt);
    setup.m_shutDownMode = 0;
    dialog.ApplyTo(setup);
    EXPECT_EQ(setup.m_shutDownMode, CSetup::kNoShutDown);
}

TEST(AutoDialogModel, NothingChangesOnceClosed) {
    CSetup setup = AutoSetup();
    CAutoDialogModel dialog(setup, true);
    EXPECT_EQ(dialog.Press(EAutoResult::kClose), std::nullopt);
    dialog.m_controls.autoQueueArticles = true;
    EXPECT_EQ(dialog.Press(EAutoResult::kEngage), std::nullopt);
    EXPECT_EQ(dialog.Result(), EAutoResult::kClose);
    dialog.ApplyTo(setup);
    EXPECT_EQ(setup.m_autoQueueArticles, 0);
}

}  // namespace
}  // namespace corvane
