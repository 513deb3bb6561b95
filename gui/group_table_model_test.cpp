// The group table shows the setup's groups and copes with the setup changing under it.
#include "gui/group_table_model.h"

#include <QAbstractItemModelTester>
#include <QIcon>

#include "app/main_model_test_support.h"
#include "gui/icons.h"

namespace corvane::testsupport {
namespace {

using GroupTableModelTest = MainModelTest;

TEST_F(GroupTableModelTest, ShowsNameStatusAndPathWithTheTypeIcon) {
    AddGroup("alt.pics", true);
    AddGroup("alt.talk", false);
    app.Setup().m_groups[1]->m_type = CSetupGroup::kTypeText;
    app.Setup().m_groups[1]->SetRelativePath("talk/");
    CGroupTableModel table(model);
    QAbstractItemModelTester tester(&table,
                                    QAbstractItemModelTester::FailureReportingMode::Warning);

    ASSERT_EQ(table.rowCount(), 2);
    ASSERT_EQ(table.columnCount(), 3);
    EXPECT_EQ(table.headerData(0, Qt::Horizontal).toString(), "News Group");
    EXPECT_EQ(table.headerData(1, Qt::Horizontal).toString(), "Status");
    EXPECT_EQ(table.headerData(2, Qt::Horizontal).toString(), "Rel. Path");
    EXPECT_EQ(table.data(table.index(0, 0)).toString(), "alt.pics");
    EXPECT_EQ(table.data(table.index(0, 1)).toString(), "Enabled");
    EXPECT_EQ(table.data(table.index(1, 1)).toString(), "Disabled");
    EXPECT_EQ(table.data(table.index(1, 2)).toString(), "talk/");

    const auto iconOf = [&](int row) {
        return table.data(table.index(row, 0), Qt::DecorationRole).value<QIcon>().cacheKey();
    };
    EXPECT_EQ(iconOf(0), icons::GroupType(CSetupGroup::kTypeAttachment).cacheKey());
    EXPECT_EQ(iconOf(1), icons::GroupType(CSetupGroup::kTypeText).cacheKey());
    EXPECT_FALSE(table.data(table.index(0, 1), Qt::DecorationRole).isValid());
}

TEST_F(GroupTableModelTest, RefreshTakesTheCurrentGroupsAndKeepsNoStaleRows) {
    AddGroup("alt.one");
    AddGroup("alt.two");
    CGroupTableModel table(model);
    QAbstractItemModelTester tester(&table,
                                    QAbstractItemModelTester::FailureReportingMode::Warning);
    app.Setup().m_groups.clear();
    // Until refreshed the copy stays readable even though the groups are gone.
    EXPECT_EQ(table.data(table.index(1, 0)).toString(), "alt.two");
    AddGroup("alt.three", false);
    table.Refresh();
    ASSERT_EQ(table.rowCount(), 1);
    EXPECT_EQ(table.data(table.index(0, 0)).toString(), "alt.three");
    EXPECT_EQ(table.data(table.index(0, 1)).toString(), "Disabled");
    EXPECT_FALSE(table.data(table.index(1, 0)).isValid());
}

TEST(GroupTableModelColumns, KeysFollowTheColumns) {
    const auto& keys = CGroupTableModel::ColumnKeys();
    EXPECT_STREQ(keys[CGroupTableModel::kColName].name, kColumnGroup.name);
    EXPECT_STREQ(keys[CGroupTableModel::kColRelPath].name, kColumnRelPath.name);
}

}  // namespace
}  // namespace corvane::testsupport
