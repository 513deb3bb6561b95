// The About box's texts and its hidden tracing gesture, and the start-up warning dialog.
#include "gui/about_box.h"

#include <QCheckBox>
#include <QLabel>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/application.h"
#include "app/settings_keys.h"
#include "app/startup_checks.h"
#include "gui/controls_warning_dialog.h"
#include "gui/main_window_test_support.h"

namespace corvane::testsupport {
namespace {

TEST(AboutBox, ShowsTheVersionsAndTheHomeLink) {
    EXPECT_EQ(ToolkitVersionText(PackVersion(6, 4, 2)), "Comctl32.dll Version: 6.04.2");
    EXPECT_EQ(ToolkitVersionText(PackVersion(4, 70, 3100)), "Comctl32.dll Version: 4.70.3100");

    CWindowHarness h;
    CAboutBox about(h.app, "https://home.example/", PackVersion(5, 81, 0));
    EXPECT_EQ(about.findChild<QLabel*>("aboutVersion")->text(), "Corvane Version: 2.0.17");
    EXPECT_EQ(about.findChild<QLabel*>("aboutToolkitVersion")->text(),
              "Comctl32.dll Version: 5.81.0");
    EXPECT_TRUE(about.findChild<QLabel*>("aboutHome")->text().contains("https://home.example/"));
    EXPECT_EQ(about.findChild<QLabel*>("aboutJpegCredit")->text(),
              "This software is based in part on the work of the Independent JPEG Group.");
}

TEST(AboutBox, DoubleClickAnywhereSwitchesTracingOn) {
    CWindowHarness h;
    // The trace file goes to the current directory: make that the test's own.
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(h.m_dir);
    {
        CAboutBox about(h.app, "https://home.example/", PackVersion(6, 0, 0));
        about.show();
        EXPECT_FALSE(h.app.Trace().IsEnabled());
        // On a label as well as on the box itself.
        QTest::mouseDClick(about.findChild<QLabel*>("aboutJpegCredit"), Qt::LeftButton);
        EXPECT_TRUE(h.app.Trace().IsEnabled());
        QTest::mouseDClick(&about, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
    }
    std::filesystem::current_path(previous);
    EXPECT_EQ(h.messages, (std::vector<std::string>{"Tracing Enabled", "Tracing Enabled"}));
    std::ifstream trace(h.m_dir + "/dbgtrace");
    const std::string text((std::istreambuf_iterator<char>(trace)), {});
    EXPECT_NE(text.find("Starting Trace - Version: 2.0.17\n"), std::string::npos);
}

TEST(ControlsWarning, TheAnswerIsRecordedAndSuppressesTheNextWarning) {
    CMemorySettingsStore settings;
    const std::uint32_t old = PackVersion(4, 0, 950);
    bool shown = false;
    EXPECT_TRUE(RunControlsWarningIfDue(old, settings, [&](CControlsWarningDialog& dialog) {
        shown = true;
        EXPECT_EQ(dialog.windowTitle(), "Warning!");
        auto* box = dialog.findChild<QCheckBox*>("dontShowAgain");
        EXPECT_EQ(box->text(), "Don't show this again");
        EXPECT_FALSE(box->isChecked());
        box->setChecked(true);
    }));
    EXPECT_TRUE(shown);
    EXPECT_EQ(settings.ReadInt(kSectionData, kKeyShowWarn1, 1), 0);
    shown = false;
    EXPECT_FALSE(
        RunControlsWarningIfDue(old, settings, [&](CControlsWarningDialog&) { shown = true; }));
    EXPECT_FALSE(shown);

    // A new enough library never shows it; a clear box writes 1.
    CMemorySettingsStore fresh;
    EXPECT_FALSE(RunControlsWarningIfDue(PackVersion(6, 4, 2), fresh, {}));
    EXPECT_TRUE(RunControlsWarningIfDue(old, fresh, [](CControlsWarningDialog&) {}));
    EXPECT_EQ(fresh.ReadInt(kSectionData, kKeyShowWarn1, 7), 1);
}

}  // namespace
}  // namespace corvane::testsupport
