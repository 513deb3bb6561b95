#include "dialogs/options_sheet_model.h"

#include <gtest/gtest.h>

#include "platform/settings_store.h"

namespace corvane {
namespace {

std::unique_ptr<CSetup> SetupWithOneGroup() {
    auto setup = std::make_unique<CSetup>();
    auto group = std::make_unique<CSetupGroup>();
    group->SetName("alt.one");
    setup->m_groups.push_back(std::move(group));
    setup->m_criteriaGroups.push_back(std::make_unique<CCriteriaGroup>("Keep", 0, 0));
    return setup;
}

TEST(OptionsSheetModel, CancelAfterEditsLeavesTheCurrentSetupUnchanged) {
    const auto current = SetupWithOneGroup();
    {
        COptionsSheetModel sheet(std::make_unique<CSetup>(*current), false);
        sheet.Copy().m_groups.push_back(std::make_unique<CSetupGroup>());
        EXPECT_TRUE(sheet.RemoveGroup(0));
        EXPECT_TRUE(sheet.AddCriteriaGroup({"New", 1, 1}));
        EXPECT_TRUE(sheet.AddCondition(0, {0, 6, "x"}));
        sheet.SetNewsServer("other.example");
        SGeneralValues general = sheet.General();
        general.timeOutMinutes = 3;
        sheet.SetGeneral(general);
    }  // cancelled: the sheet goes without Commit
    ASSERT_EQ(current->m_groups.size(), 1u);
    EXPECT_EQ(current->m_groups[0]->Name(), "alt.one");
    ASSERT_EQ(current->m_criteriaGroups.size(), 1u);
    EXPECT_TRUE(current->m_criteriaGroups[0]->m_criteria.empty());
    EXPECT_EQ(current->NewsServer(), "");
    EXPECT_EQ(current->m_timeOutMinutes, 1);
}

TEST(OptionsSheetModel, CommitWritesGeneralValuesAndPortIntoTheCopyOnly) {
    const auto current = SetupWithOneGroup();
    COptionsSheetModel sheet(std::make_unique<CSetup>(*current), false);
    SGeneralValues general = sheet.General();
    general.overwrite = true;
    general.giveUpLines = 20000;  // above range
    general.autoSaveMinutes = 0;  // below range
    general.timeOutMinutes = 5;
    general.showThumbnails = false;
    sheet.SetGeneral(general);
    EXPECT_FALSE(sheet.SetPortText("563").has_value());
    // Before OK the copy keeps its values: the General page writes back only on OK.
    EXPECT_EQ(sheet.Copy().m_overwrite, 0);

    const std::unique_ptr<CSetup> result = sheet.Commit();
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->m_overwrite, 1);
    EXPECT_EQ(result->m_giveUpLines, 10000);
    EXPECT_EQ(result->m_autoSaveMinutes, 1);
    EXPECT_EQ(result->m_timeOutMinutes, 5);
    EXPECT_EQ(result->m_showThumbnails, 0);
    EXPECT_EQ(result->m_port, 563);
    EXPECT_EQ(current->m_port, 119);
    EXPECT_EQ(current->m_overwrite, 0);
}

TEST(OptionsSheetModel, EditingTheCallersCopyInPlaceHandsNothingBack) {
    CSetup copy;
    COptionsSheetModel sheet(copy, false);
    SGeneralValues general = sheet.General();
    general.logDownloads = false;
    sheet.SetGeneral(general);
    EXPECT_EQ(sheet.Commit(), nullptr);
    EXPECT_EQ(copy.m_logDownloads, 0);
}

TEST(OptionsSheetModel, PortAcceptsTypedValuesUpTo32768AndRefusesOthers) {
    COptionsSheetModel sheet(std::make_unique<CSetup>(), false);
    const std::string message = "Please enter an integer between 1 and 32768.";
    EXPECT_FALSE(sheet.SetPortText("32768").has_value());
    EXPECT_EQ(sheet.Port(), 32768);
    EXPECT_FALSE(sheet.SetPortText(" 1 ").has_value());
    EXPECT_EQ(sheet.Port(), 1);
    for (const char* bad : {"0", "32769", "-5", "", "12a", "abc", "99999999999999999999"}) {
        EXPECT_EQ(sheet.SetPortText(bad), message) << bad;
    }
    EXPECT_EQ(sheet.Port(), 1);  // a refused text keeps the last good port
    EXPECT_EQ(sheet.SetPortText(std::string(1000, '1')), message);
}

TEST(OptionsSheetModel, WithoutDialupServiceDirectConnectionIsForced) {
    auto setup = std::make_unique<CSetup>();
    setup->SetDialUpEntry("Office");
    COptionsSheetModel sheet(std::move(setup), false);
    EXPECT_EQ(sheet.Copy().m_directConnection, 1);
    EXPECT_FALSE(sheet.DialupControlsEnabled());
    EXPECT_FALSE(sheet.DirectConnectionEnabled());
    sheet.SetDirectConnection(false);
    EXPECT_EQ(sheet.Copy().m_directConnection, 1);
}

TEST(OptionsSheetModel, DialupPageEditsTheCopyLiveWhenTheServiceExists) {
    auto setup = std::make_unique<CSetup>();
    setup->SetDialUpEntry("Home");
    COptionsSheetModel sheet(std::move(setup), true, {"Office", "Home"});
    EXPECT_EQ(sheet.SelectedEntryRow(), 1);
    EXPECT_TRUE(sheet.DialupControlsEnabled());
    sheet.SetDirectConnection(true);
    EXPECT_FALSE(sheet.DialupControlsEnabled());
    sheet.SetDialUpEntry("Office");
    sheet.SetHangUpWhenFinished(true);
    sheet.SetConnectIfNotConnected(false);
    EXPECT_EQ(sheet.Copy().DialUpEntry(), "Office");
    EXPECT_EQ(sheet.Copy().m_hangUpWhenFinished, 1);
    EXPECT_EQ(sheet.Copy().m_connectIfNotConnected, 0);
    EXPECT_EQ(sheet.Copy().m_directConnection, 1);
}

TEST(OptionsSheetModel, ServerPageEditsAreLiveAndLoginEnablesTheFields) {
    COptionsSheetModel sheet(std::make_unique<CSetup>(), false);
    EXPECT_FALSE(sheet.LoginFieldsEnabled());
    sheet.SetRequiresLogin(true);
    sheet.SetUser("me");
    sheet.SetPassword("pw");
    sheet.SetNewsServer("news.example");
    EXPECT_TRUE(sheet.LoginFieldsEnabled());
    EXPECT_EQ(sheet.Copy().m_requiresLogin, 1);
    EXPECT_EQ(sheet.Copy().User(), "me");
    EXPECT_EQ(sheet.Copy().Password(), "pw");
    EXPECT_EQ(sheet.Copy().NewsServer(), "news.example");
}

TEST(OptionsSheetModel, GroupsPageOperationsAndRowTexts) {
    COptionsSheetModel sheet(SetupWithOneGroup(), false);
    auto rows = sheet.GroupRows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].status, "Disabled");
    EXPECT_TRUE(sheet.SetGroupEnabled(0, true));
    EXPECT_EQ(sheet.GroupRows()[0].status, "Enabled");
    EXPECT_TRUE(sheet.EditGroup(0, {"alt.renamed", CSetupGroup::kTypeText, "sub"}));
    const auto edit = sheet.GroupForEdit(0);
    ASSERT_TRUE(edit.has_value());
    EXPECT_EQ(edit->name, "alt.renamed");
    EXPECT_EQ(edit->type, CSetupGroup::kTypeText);
    EXPECT_EQ(edit->relativePath, "sub");
    // Rows that do not exist change nothing.
    EXPECT_FALSE(sheet.SetGroupEnabled(1, false));
    EXPECT_FALSE(sheet.EditGroup(5, {}));
    EXPECT_FALSE(sheet.GroupForEdit(1).has_value());
    EXPECT_FALSE(sheet.RemoveGroup(1));
    EXPECT_TRUE(sheet.RemoveGroup(0));
    EXPECT_TRUE(sheet.GroupRows().empty());
}

TEST(OptionsSheetModel, CriteriaGroupDialogNeedsActionNameAndLogic) {
    EXPECT_TRUE(CriteriaGroupAcceptable({"Keep", 0, 0}));
    EXPECT_TRUE(CriteriaGroupAcceptable({"Low", 6, 1}));
    EXPECT_FALSE(CriteriaGroupAcceptable({"", 0, 0}));
    EXPECT_FALSE(CriteriaGroupAcceptable({"Keep", -1, 0}));
    EXPECT_FALSE(CriteriaGroupAcceptable({"Keep", 7, 0}));
    EXPECT_FALSE(CriteriaGroupAcceptable({"Keep", 0, -1}));
    EXPECT_FALSE(CriteriaGroupAcceptable({"Keep", 0, 2}));
}

TEST(OptionsSheetModel, CriteriaDialogNeedsFieldAndOperator) {
    EXPECT_TRUE(ConditionAcceptable({0, 0, ""}));
    EXPECT_TRUE(ConditionAcceptable({7, 15, "x"}));
    EXPECT_FALSE(ConditionAcceptable({-1, 0, "x"}));
    EXPECT_FALSE(ConditionAcceptable({0, -1, "x"}));
    EXPECT_FALSE(ConditionAcceptable({8, 0, "x"}));
    EXPECT_FALSE(ConditionAcceptable({0, 16, "x"}));
}

TEST(OptionsSheetModel, CriteriaPageListsGroupsAndConditionsWithTheirTexts) {
    COptionsSheetModel sheet(std::make_unique<CSetup>(), false);
    EXPECT_FALSE(sheet.AddCriteriaGroup({"", 1, 1}));
    ASSERT_TRUE(sheet.AddCriteriaGroup({"Drop", 1, 1}));
    EXPECT_FALSE(sheet.AddCondition(0, {-1, 0, "x"}));
    EXPECT_FALSE(sheet.AddCondition(1, {0, 0, "x"}));  // no such group
    ASSERT_TRUE(sheet.AddCondition(0, {CCriteria::kFieldLines, 4, "100"}));

    const auto groups = sheet.CriteriaGroupRows();
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0], (std::array<std::string, 3>{"Drop", "Exclude", "Or"}));
    const auto conditions = sheet.ConditionRows(0);
    ASSERT_EQ(conditions.size(), 1u);
    EXPECT_EQ(conditions[0], (std::array<std::string, 3>{"Lines", "<", "100"}));

    ASSERT_TRUE(sheet.EditCriteriaGroup(0, {"Prefer", 4, 0}));
    EXPECT_EQ(sheet.CriteriaGroupRows()[0],
              (std::array<std::string, 3>{"Prefer", "High Priority", "And"}));
    EXPECT_FALSE(sheet.EditCriteriaGroup(0, {"Prefer", 4, -1}));
    ASSERT_TRUE(sheet.EditCondition(0, 0, {CCriteria::kFieldSubject, 6, "jpg"}));
    EXPECT_EQ(sheet.ConditionForEdit(0, 0)->value, "jpg");
    EXPECT_FALSE(sheet.EditCondition(0, 1, {0, 0, ""}));
    EXPECT_FALSE(sheet.RemoveCondition(0, 1));
    EXPECT_TRUE(sheet.RemoveCondition(0, 0));
    EXPECT_TRUE(sheet.ConditionRows(0).empty());
    EXPECT_TRUE(sheet.ConditionRows(9).empty());
    EXPECT_TRUE(sheet.RemoveCriteriaGroup(0));
    EXPECT_FALSE(sheet.RemoveCriteriaGroup(0));
}

TEST(OptionsSheetModel, ColumnWidthsAreStoredUnderTheSheetsOwnNames) {
    CMemorySettingsStore store;
    EXPECT_EQ(ReadColumnWidth(store, kSheetGroupColumns[0].key), 260);
    EXPECT_EQ(ReadColumnWidth(store, kSheetGroupColumns[1].key), 120);
    EXPECT_EQ(ReadColumnWidth(store, kSheetCriteriaGroupColumns[2].key), 55);
    WriteColumnWidth(store, kSheetConditionColumns[2].key, 77);
    EXPECT_EQ(store.Value(kSectionColumns, "cwCValue"), "77");
    EXPECT_EQ(std::string(kSheetGroupColumns[2].key.name), "cwSRelpath");
}

TEST(OptionsSheetModel, OutOfRangeStoredValuesOpenWithinTheSpinRanges) {
    auto setup = std::make_unique<CSetup>();
    setup->m_timeOutMinutes = 99;
    setup->m_giveUpLines = 0;
    setup->m_port = 70000;
    COptionsSheetModel sheet(std::move(setup), false);
    EXPECT_EQ(sheet.General().timeOutMinutes, 5);
    EXPECT_EQ(sheet.General().giveUpLines, 1);
    EXPECT_EQ(sheet.Port(), 32768);
}

}  // namespace
}  // namespace corvane
