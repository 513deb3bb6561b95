// The article table follows the rows of a real main model: headers taken in, rows changed by
// commands, rows removed one at a time and in a batch, resets and sorting, checked both by
// Qt's own model checker and against the rows' screen order.
#include "gui/article_table_model.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <memory>

#include "app/commands.h"
#include "app/main_model_test_support.h"
#include "gui/icons.h"

namespace corvane::testsupport {
namespace {

// The model checker in its non-fatal mode only logs what it finds: count those reports so a
// broken signal sequence fails the test that caused it.
int g_checkerFailures = 0;
QtMessageHandler g_previousHandler = nullptr;

void CountCheckerFailures(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text.startsWith(QLatin1String("FAIL!"))) ++g_checkerFailures;
    if (g_previousHandler) g_previousHandler(type, context, text);
}

class ArticleTableModelTest : public MainModelTest {
protected:
    void SetUp() override {
        g_checkerFailures = 0;
        g_previousHandler = qInstallMessageHandler(CountCheckerFailures);
        AddGroup("alt.pics");
        Start();
        model.SetThreadsSlider(0);  // queued articles stay queued
        table = std::make_unique<CArticleTableModel>(model);
        tester = std::make_unique<QAbstractItemModelTester>(
            table.get(), QAbstractItemModelTester::FailureReportingMode::Warning);
    }
    void TearDown() override {
        tester.reset();
        table.reset();
        qInstallMessageHandler(g_previousHandler);
        EXPECT_EQ(g_checkerFailures, 0) << "the model checker reported broken signals";
    }

    QString Text(int row, int column) const {
        return table->data(table->index(row, column)).toString();
    }
    // The table shows exactly the rows of the model, in the same order.
    void ExpectInStep() {
        ASSERT_EQ(static_cast<std::size_t>(table->rowCount()), model.Rows().Count());
        for (int row = 0; row < table->rowCount(); ++row) {
            EXPECT_EQ(table->ArticleAt(row), model.Rows().At(static_cast<std::size_t>(row)));
            EXPECT_EQ(Text(row, CArticleTableModel::kColSubject).toStdString(),
                      model.Rows().At(static_cast<std::size_t>(row))->DisplaySubject());
        }
    }
    void TakeIn(int count) {
        const std::size_t target = model.Rows().Count() + static_cast<std::size_t>(count);
        for (int i = 0; i < count; ++i) {
            ++m_number;
            Header(m_number, "file" + std::to_string(m_number));
        }
        ASSERT_TRUE(PumpUntil([&] { return model.Rows().Count() == target; }));
    }

    std::unique_ptr<CArticleTableModel> table;
    std::unique_ptr<QAbstractItemModelTester> tester;
    int m_number = 0;
};

TEST_F(ArticleTableModelTest, ShowsSixColumnsWithTheirTitlesTextsAndStateIcon) {
    EXPECT_EQ(table->columnCount(), 6);
    const char* titles[] = {"Group", "Subject", "Date", "From", "Lines", "Origin"};
    for (int c = 0; c < 6; ++c) {
        EXPECT_EQ(table->headerData(c, Qt::Horizontal).toString(), titles[c]) << c;
    }
    EXPECT_FALSE(table->headerData(6, Qt::Horizontal).isValid());

    Header(7, "holiday.jpg");
    ASSERT_TRUE(PumpUntil([&] { return table->rowCount() == 1; }));
    model.Rows().At(0)->SetDate("Tue, 01 Dec 2026 10:00:00 GMT");
    model.Rows().At(0)->SetLines(1234);
    EXPECT_EQ(Text(0, 0), "alt.pics");
    EXPECT_EQ(Text(0, 1), "holiday.jpg");
    EXPECT_EQ(Text(0, 2), "Tue, 01 Dec 2026 10:00:00 GMT");
    EXPECT_EQ(Text(0, 3), "poster@example.org");
    EXPECT_EQ(Text(0, 4), "1234");
    EXPECT_EQ(Text(0, 5), "site.example");

    const QVariant icon = table->data(table->index(0, 0), Qt::DecorationRole);
    ASSERT_TRUE(icon.canConvert<QIcon>());
    EXPECT_EQ(icon.value<QIcon>().cacheKey(),
              icons::ArticleState(model.Rows().At(0)->StateImage()).cacheKey());
    EXPECT_FALSE(table->data(table->index(0, 1), Qt::DecorationRole).isValid());
    EXPECT_FALSE(table->data(table->index(1, 0)).isValid());  // past the last row
}

TEST_F(ArticleTableModelTest, JoinedPostingShowsItsComposedSubjectAndJoinedIcon) {
    Header(1, "beach.jpg (1/2)");
    ASSERT_TRUE(PumpUntil([&] { return table->rowCount() == 1; }));
    const CArticle* joined = table->ArticleAt(0);
    ASSERT_TRUE(joined->IsMultiPart());
    EXPECT_EQ(Text(0, CArticleTableModel::kColSubject).toStdString(), joined->DisplaySubject());
    EXPECT_NE(joined->DisplaySubject(), std::string(joined->Subject()));
    EXPECT_EQ(table->data(table->index(0, 0), Qt::DecorationRole).value<QIcon>().cacheKey(),
              icons::ArticleState(joined->StateImage()).cacheKey());
}

TEST_F(ArticleTableModelTest, FollowsInsertsAsSignalledRowsAtTheEnd) {
    QSignalSpy inserted(table.get(), &QAbstractItemModel::rowsInserted);
    TakeIn(3);
    ASSERT_EQ(inserted.count(), 3);
    EXPECT_EQ(inserted.at(2).at(1).toInt(), 2);
    ExpectInStep();

    // After a sort new rows still go to the end.
    table->sort(CArticleTableModel::kColSubject, Qt::DescendingOrder);
    TakeIn(1);
    EXPECT_EQ(Text(3, CArticleTableModel::kColSubject), "file4");
    ExpectInStep();
}

TEST_F(ArticleTableModelTest, ChangedRowsRedrawWithTheirNewStateIcon) {
    TakeIn(4);
    QSignalSpy changed(table.get(), &QAbstractItemModel::dataChanged);
    model.Rows().SelectAndFocus(2);
    model.Execute(cmd::kGrabSelected);
    ASSERT_GE(changed.count(), 1);
    const QModelIndex topLeft = changed.last().at(0).value<QModelIndex>();
    const QModelIndex bottomRight = changed.last().at(1).value<QModelIndex>();
    EXPECT_EQ(topLeft.row(), 2);
    EXPECT_EQ(bottomRight.row(), 2);
    EXPECT_EQ(bottomRight.column(), 5);
    CArticle* grabbed = table->ArticleAt(2);
    ASSERT_TRUE(grabbed->Queued());
    EXPECT_EQ(table->data(table->index(2, 0), Qt::DecorationRole).value<QIcon>().cacheKey(),
              icons::ArticleState(grabbed->StateImage()).cacheKey());
    EXPECT_NE(grabbed->StateImage(), table->ArticleAt(1)->StateImage());
}

TEST_F(ArticleTableModelTest, FollowsSingleAndBatchRemovalsAndKeepsRowLookupRight) {
    TakeIn(6);
    CArticle* last = table->ArticleAt(5);
    EXPECT_EQ(table->RowOf(last), 5);  // builds the lookup

    QSignalSpy removed(table.get(), &QAbstractItemModel::rowsRemoved);
    CArticle* second = table->ArticleAt(1);
    std::unique_ptr<CArticle> gone = model.Store().RemoveArticle(*second);
    ASSERT_TRUE(gone);
    ASSERT_EQ(removed.count(), 1);
    EXPECT_EQ(removed.at(0).at(1).toInt(), 1);
    EXPECT_EQ(table->RowOf(last), 4);
    EXPECT_EQ(table->RowOf(second), -1);
    ExpectInStep();

    TakeIn(1);
    EXPECT_EQ(table->RowOf(table->ArticleAt(5)), 5);

    // Remove Selected takes unqueued rows off in one pass.
    model.Rows().SelectNone();
    model.Rows().SelectAndFocus(0);
    model.Rows().SelectAndFocus(3);
    model.Execute(cmd::kRemoveSelected);
    EXPECT_EQ(table->rowCount(), 4);
    EXPECT_EQ(table->RowOf(last), 2);
    ExpectInStep();
}

TEST_F(ArticleTableModelTest, ResetEmptiesTheTable) {
    TakeIn(3);
    QSignalSpy reset(table.get(), &QAbstractItemModel::modelReset);
    model.Execute(cmd::kReset);
    EXPECT_GE(reset.count(), 1);
    EXPECT_EQ(table->rowCount(), 0);
    EXPECT_EQ(table->ArticleAt(0), nullptr);
    TakeIn(2);
    ExpectInStep();
}

TEST_F(ArticleTableModelTest, HeaderClickSortsThroughTheModelAscendingOnly) {
    for (const char* subject : {"delta", "alpha", "charlie", "bravo"}) {
        Header(++m_number, subject);
    }
    ASSERT_TRUE(PumpUntil([&] { return model.Rows().Count() == 4; }));

    QTableView view;
    view.setModel(table.get());
    view.setSortingEnabled(true);
    view.resize(600, 300);
    view.show();
    QHeaderView* header = view.horizontalHeader();
    const int x = header->sectionViewportPosition(1) + header->sectionSize(1) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    EXPECT_EQ(Text(0, 1), "alpha");
    EXPECT_EQ(Text(3, 1), "delta");
    // A second click asks for descending; the list stays ascending.
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    EXPECT_EQ(Text(0, 1), "alpha");
    ExpectInStep();

    table->sort(-1);  // a cleared sort indicator changes nothing
    EXPECT_EQ(Text(0, 1), "alpha");
}

TEST_F(ArticleTableModelTest, PassesSelectionAndScrollRequestsOn) {
    TakeIn(5);
    QSignalSpy selection(table.get(), &CArticleTableModel::SelectionChanged);
    QSignalSpy scroll(table.get(), &CArticleTableModel::ScrollRequested);
    model.Rows().SelectAll();
    EXPECT_EQ(selection.count(), 1);
    model.Rows().ScrollIntoView(3);
    model.Rows().ScrollIntoView(50);  // not a row: nothing to show
    ASSERT_EQ(scroll.count(), 1);
    EXPECT_EQ(scroll.at(0).at(0).toInt(), 3);
}

TEST_F(ArticleTableModelTest, DetachesFromTheRowsWhenDestroyed) {
    TakeIn(2);
    tester.reset();
    table.reset();
    // The rows must no longer call the freed table.
    TakeIn(2);
    EXPECT_EQ(model.Rows().Count(), 4u);
    CArticleTableModel again(model);
    EXPECT_EQ(again.rowCount(), 4);
}

TEST(ArticleTableModelColumns, KeysFollowTheColumns) {
    const auto& keys = CArticleTableModel::ColumnKeys();
    ASSERT_EQ(keys.size(), 6u);
    EXPECT_STREQ(keys[CArticleTableModel::kColGroup].name, kColumnArtGroup.name);
    EXPECT_STREQ(keys[CArticleTableModel::kColDate].name, kColumnDate.name);
    EXPECT_STREQ(keys[CArticleTableModel::kColOrigin].name, kColumnOrigin.name);
}

}  // namespace
}  // namespace corvane::testsupport
