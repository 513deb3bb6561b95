#include "dialogs/wizard_model.h"

#include <gtest/gtest.h>

#include "resources/string_table.h"

namespace corvane {
namespace {

TEST(WizardModel, IntroductionOffersOnlyNextAndTheLastPageOnlyDone) {
    CSetup setup;
    CWizardModel wizard(setup, false);
    EXPECT_EQ(wizard.Page(), CWizardModel::kIntro);
    EXPECT_FALSE(wizard.CanGoBack());
    EXPECT_TRUE(wizard.CanGoNext());
    EXPECT_FALSE(wizard.CanFinish());
    ASSERT_FALSE(wizard.Next().has_value());
    EXPECT_TRUE(wizard.CanGoBack());
    wizard.Back();
    EXPECT_EQ(wizard.Page(), CWizardModel::kIntro);
}

TEST(WizardModel, WithoutDialupServiceTheConnectionPageIsPassedWithDirectConnection) {
    CSetup setup;
    CWizardModel wizard(setup, false, {"Office"});
    EXPECT_EQ(setup.m_directConnection, 1);
    EXPECT_FALSE(wizard.DialupControlsEnabled());
    wizard.SetDirectConnection(false);
    wizard.SetDialUpEntry("Office");
    EXPECT_EQ(setup.m_directConnection, 1);
    EXPECT_EQ(setup.DialUpEntry(), "");
    wizard.Next();
    EXPECT_FALSE(wizard.Next().has_value());
    EXPECT_EQ(wizard.Page(), CWizardModel::kServer);
}

TEST(WizardModel, ConnectionPageNeedsDirectConnectionOrAnEntry) {
    CSetup setup;
    CWizardModel wizard(setup, true, {"Office"});
    wizard.Next();
    EXPECT_EQ(wizard.Next(), kIdsChooseConnection);
    EXPECT_EQ(wizard.Page(), CWizardModel::kConnection);
    wizard.SetDialUpEntry("Office");  // written to the setup at once
    EXPECT_EQ(setup.DialUpEntry(), "Office");
    EXPECT_FALSE(wizard.Next().has_value());
    wizard.Back();
    wizard.SetDialUpEntry("");
    wizard.SetDirectConnection(true);
    EXPECT_EQ(setup.m_directConnection, 1);
    EXPECT_FALSE(wizard.Next().has_value());
}

TEST(WizardModel, EmptyServerKeepsTheUserOnTheServerPage) {
    CSetup setup;
    CWizardModel wizard(setup, false);
    wizard.Next();
    wizard.Next();
    ASSERT_EQ(wizard.Page(), CWizardModel::kServer);
    EXPECT_EQ(wizard.Next(), kIdsEnterNewsServer);
    EXPECT_EQ(std::string(ResourceString(*wizard.ForwardCheck())), "You must enter a news server.");
    EXPECT_EQ(wizard.Page(), CWizardModel::kServer);
    wizard.SetServer("news.example");
    EXPECT_FALSE(wizard.Next().has_value());
    EXPECT_EQ(wizard.Page(), CWizardModel::kDownload);
}

TEST(WizardModel, ServerPageStartsFromTheSetupAndPortFrom119) {
    CSetup setup;
    setup.SetNewsServer("old.example");
    setup.SetUser("u");
    setup.m_requiresLogin = 1;
    setup.m_port = 8000;
    CWizardModel wizard(setup, false);
    EXPECT_EQ(wizard.Values().server, "old.example");
    EXPECT_EQ(wizard.Values().user, "u");
    EXPECT_TRUE(wizard.LoginFieldsEnabled());
    EXPECT_EQ(wizard.Values().port, 119);
    wizard.SetPort(0);
    EXPECT_EQ(wizard.Values().port, 1);
    wizard.SetPort(40000);
    EXPECT_EQ(wizard.Values().port, 32767);
    // The wizard's values reach the setup only through Finish.
    wizard.SetServer("new.example");
    EXPECT_EQ(setup.NewsServer(), "old.example");
}

TEST(WizardModel, RunningDownloadHoldsThePageAndTheTypedPortGoesWithIt) {
    CSetup setup;
    CWizardModel wizard(setup, false);
    wizard.Next();
    wizard.Next();
    wizard.SetServer("news.example");
    wizard.SetPort(8119);
    wizard.Next();
    ASSERT_EQ(wizard.Page(), CWizardModel::kDownload);
    const auto values = wizard.StartDownload();
    ASSERT_TRUE(values.has_value());
    EXPECT_EQ(values->port, 8119);
    EXPECT_EQ(values->server, "news.example");
    EXPECT_FALSE(wizard.StartDownload().has_value());
    EXPECT_FALSE(wizard.CanGoBack());
    EXPECT_FALSE(wizard.CanGoNext());
    EXPECT_FALSE(wizard.DownloadButtonEnabled());
    EXPECT_EQ(wizard.Next(), kIdsWaitForGroupList);
    EXPECT_EQ(wizard.Page(), CWizardModel::kDownload);
    wizard.DownloadFinished();
    EXPECT_TRUE(wizard.CanGoBack());
    EXPECT_TRUE(wizard.DownloadButtonEnabled());
    EXPECT_FALSE(wizard.Next().has_value());
    EXPECT_EQ(wizard.Page(), CWizardModel::kSelectGroup);
}

TEST(WizardModel, GroupPageNeedsANameAndFiltersTheList) {
    CSetup setup;
    CWizardModel wizard(setup, false);
    wizard.SetServer("s");
    for (int i = 0; i < 4; ++i) wizard.Next();
    ASSERT_EQ(wizard.Page(), CWizardModel::kSelectGroup);
    EXPECT_EQ(wizard.Next(), kIdsEnterNewsGroup);
    wizard.SetGroupNames({"alt.Pics", "alt.pics.a", "comp.pics"});
    wizard.ApplyFilter("pics");
    ASSERT_EQ(wizard.ShownGroups(), (std::vector<std::string>{"alt.pics.a", "comp.pics"}));
    wizard.ChooseShownGroup(1);
    EXPECT_EQ(wizard.Values().group, "comp.pics");
    wizard.ChooseShownGroup(2);  // not shown: nothing changes
    EXPECT_EQ(wizard.Values().group, "comp.pics");
    EXPECT_FALSE(wizard.Next().has_value());
    EXPECT_TRUE(wizard.CanFinish());
    EXPECT_FALSE(wizard.CanGoNext());
    const SWizardValues done = wizard.Finish();
    EXPECT_EQ(done.group, "comp.pics");
    EXPECT_EQ(done.server, "s");
}

}  // namespace
}  // namespace corvane
