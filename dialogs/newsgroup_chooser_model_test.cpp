#include "dialogs/newsgroup_chooser_model.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(GroupNameFilter, KeepsNamesContainingTheTextCaseSensitively) {
    const std::vector<std::string> names = {"alt.binaries.pictures", "alt.Binaries.x",
                                            "comp.lang.c", "alt.binaries.sounds"};
    EXPECT_EQ(FilterGroupNames(names, "binaries"),
              (std::vector<std::string>{"alt.binaries.pictures", "alt.binaries.sounds"}));
    EXPECT_EQ(FilterGroupNames(names, "Binaries"), (std::vector<std::string>{"alt.Binaries.x"}));
    EXPECT_EQ(FilterGroupNames(names, ""), names);
    EXPECT_TRUE(FilterGroupNames(names, "nothing").empty());
}

TEST(NewsgroupChooser, PickCopiesTheShownNameAndIgnoresRowsNotShown) {
    CNewsgroupChooserModel chooser({"alt.a", "alt.b", "comp.c"});
    chooser.SetFilter("comp");
    ASSERT_EQ(chooser.Shown().size(), 1u);
    chooser.Pick(0);
    EXPECT_EQ(chooser.Name(), "comp.c");
    chooser.Pick(1);
    EXPECT_EQ(chooser.Name(), "comp.c");
}

TEST(NewsgroupChooser, AcceptAppendsAnEnabledGroupWithTheChosenValues) {
    CSetup setup;
    CNewsgroupChooserModel chooser;
    EXPECT_FALSE(chooser.Accept(setup));
    EXPECT_TRUE(setup.m_groups.empty());

    chooser.SetName("alt.binaries.x");
    chooser.SetType(CSetupGroup::kTypeText);
    chooser.SetType(7);  // not a type: the choice stays
    chooser.SetRelativePath("x");
    ASSERT_TRUE(chooser.Accept(setup));
    ASSERT_EQ(setup.m_groups.size(), 1u);
    const CSetupGroup& group = *setup.m_groups[0];
    EXPECT_EQ(group.Name(), "alt.binaries.x");
    EXPECT_EQ(group.m_enabled, 1);
    EXPECT_EQ(group.m_type, CSetupGroup::kTypeText);
    EXPECT_EQ(group.RelativePath(), "x");
}

}  // namespace
}  // namespace corvane
