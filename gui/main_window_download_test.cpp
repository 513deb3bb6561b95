// A real download seen through the window: the program's own workers against the local test
// news server, driven by the window's commands, with the worker rows and status panes polled
// the way the desktop polls them.
#include <QLabel>
#include <QProgressBar>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <fstream>
#include <set>

#include "app/commands.h"
#include "images/codec_test_writer.h"
#include "gui/main_window_test_support.h"
#include "store/sample_articles.h"
#include "tools/news_server/news_server.h"

namespace corvane::testsupport {
namespace {

constexpr const char* kGroup = "alt.binaries.pictures.test";

std::string PictureArticle(int number, std::size_t bytes) {
    std::string text = "From: poster@example.com\nSubject: picture" + std::to_string(number) +
                       ".jpg (1/1)\nDate: 23 Mar 98 12:34:56 GMT\nMessage-ID: <pic" +
                       std::to_string(number) +
                       "@example.com>\nPath: news.example!not-for-mail\n\n";
    for (const std::string& line :
         UuencodedLines(SampleBytes(bytes, static_cast<std::uint32_t>(number)),
                        "picture" + std::to_string(number) + ".jpg"))
        text += line + "\n";
    return text;
}

TEST(MainWindowDownload, DoAllGroupsListsArticlesAndGrabAllDownloadsThem) {
    CWindowHarness h(/*realWorkers=*/true);
    const std::string spool = h.m_dir + "/spool";
    const std::string saveTo = h.m_dir + "/downloads";
    std::filesystem::create_directories(spool + "/" + kGroup);
    std::filesystem::create_directories(saveTo);
    constexpr int kArticles = 4;
    for (int n = 1; n <= kArticles; ++n)
        testserver::WriteArticle(spool, kGroup, n, PictureArticle(n, 60000));
    testserver::CNewsTestServer server(spool);
    ASSERT_TRUE(server.Start());

    h.app.Setup().SetNewsServer("127.0.0.1");
    h.app.Setup().m_port = server.Port();
    h.app.Setup().m_directConnection = 1;
    h.AddGroup(kGroup);
    h.Start();
    h.model.SetThreadsSlider(2);
    h.model.SetSavePathField(saveTo);
    h.window.OnFieldsChanged();

    h.window.Action(cmd::kDoAllGroups)->trigger();
    auto* articles = h.window.findChild<QTableView*>("articleList");
    ASSERT_TRUE(h.PumpUntil([&] { return articles->model()->rowCount() == kArticles; },
                            std::chrono::seconds(30)));
    ASSERT_TRUE(h.PumpUntil([&] { return h.model.Idle(); }, std::chrono::seconds(30)));
    EXPECT_EQ(articles->model()->index(0, 0).data().toString(), kGroup);

    // While the articles download, watch what the rows show at each poll.
    h.window.Action(cmd::kGrabAll)->trigger();
    EXPECT_EQ(h.model.OutstandingItems(), kArticles);
    std::set<std::string> labels;
    int highestProgress = 0;
    bool paneShown = false;
    ASSERT_TRUE(h.PumpUntil(
        [&] {
            h.window.PollWorkerRows();
            h.timers.Advance(1000);  // the panes are written by the window's timers
            for (int slot = 0; slot < CMainModel::kWorkerSlots; ++slot) {
                auto* label = h.window.findChild<QLabel*>(QString("workerLabel%1").arg(slot));
                auto* bar =
                    h.window.findChild<QProgressBar*>(QString("workerProgress%1").arg(slot));
                if (!label->text().isEmpty()) labels.insert(label->text().toStdString());
                highestProgress = std::max(highestProgress, bar->value());
            }
            for (int pane = 1; pane < CMainModel::kPaneCount; ++pane) {
                if (!h.window.findChild<QLabel*>(QString("pane%1").arg(pane))->text().isEmpty())
                    paneShown = true;
            }
            return h.model.OutstandingItems() == 0 && h.model.Idle();
        },
        std::chrono::seconds(60)));

    // Every row left the list once its file was written, and the files are whole.
    EXPECT_EQ(articles->model()->rowCount(), 0);
    EXPECT_EQ(h.model.Rows().Count(), 0u);
    for (int n = 1; n <= kArticles; ++n) {
        const std::string file = saveTo + "/picture" + std::to_string(n) + ".jpg";
        ASSERT_TRUE(std::filesystem::exists(file)) << file;
        EXPECT_EQ(std::filesystem::file_size(file), 60000u) << file;
    }
    // The rows showed the work: a label for at least one file, or the bars moved.
    EXPECT_TRUE(!labels.empty() || highestProgress > 0);
    EXPECT_TRUE(paneShown);
    EXPECT_TRUE(h.messages.empty()) << h.messages.front();
}

TEST(MainWindowDownload, CancelButtonStopsTheRowsJob) {
    CWindowHarness h;
    h.AddGroup("alt.pics");
    h.Start();
    h.Header(1, "held.jpg");
    for (int n = 2; n <= 200; ++n) h.Header(n, "filler" + std::to_string(n) + ".jpg");
    ASSERT_TRUE(h.PumpUntil([&] { return h.model.Rows().Count() == 200; }));
    h.window.show();
    h.script.Hold("held.jpg");
    h.model.Rows().SelectAndFocus(0);
    h.window.Action(cmd::kGrabSelected)->trigger();
    ASSERT_TRUE(h.script.WaitStarted("held.jpg"));
    // Its locate button brings the row back into view after the list scrolled away.
    auto* articles = h.window.findChild<QTableView*>("articleList");
    auto rowVisible = [articles] {
        return articles->viewport()->rect().intersects(
            articles->visualRect(articles->model()->index(0, 0)));
    };
    QApplication::processEvents();
    articles->scrollToBottom();
    ASSERT_FALSE(rowVisible());
    QTest::mouseClick(h.window.findChild<QToolButton*>("workerLocate0"), Qt::LeftButton);
    EXPECT_TRUE(rowVisible());
    articles->scrollToBottom();
    QTest::mouseClick(h.window.findChild<QToolButton*>("thumbnailLocate0"), Qt::LeftButton);
    EXPECT_TRUE(rowVisible());
    // One thread: the job runs on slot 0; its X button cancels it through the model.
    auto* cancel = h.window.findChild<QToolButton*>("workerCancel0");
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(cancel->text(), "X");
    QTest::mouseClick(cancel, Qt::LeftButton);
    ASSERT_TRUE(h.PumpUntil([&] { return h.model.OutstandingItems() == 0; }));
    // A cancelled download stays listed for another try.
    EXPECT_EQ(h.model.Rows().Count(), 200u);
    EXPECT_FALSE(h.model.Rows().At(0)->Queued());
}

TEST(MainWindowDownload, ThumbnailShowsThePartlyWrittenPictureWhileItsTabIsInView) {
    CWindowHarness h;
    h.AddGroup("alt.pics");
    h.Start();
    // Half of a green PNG has arrived. Its blue wanders, so that the file is not a few bytes
    // of compressed green and half of it holds whole rows.
    test::SPngLayout green{200, 150, 8, PNG_COLOR_TYPE_RGB, false, {}, {}, {}, false};
    green.rows.assign(150, {});
    std::uint32_t seed = 7;
    for (auto& row : green.rows)
        for (int x = 0; x < 200; ++x) {
            seed = seed * 1103515245u + 12345u;
            row.insert(row.end(), {10, 200, std::uint8_t(seed >> 24)});
        }
    const std::vector<std::uint8_t> png = test::WritePng(green);
    const std::string partial = h.m_dir + "/arriving.png";
    test::WriteBytes(partial, {png.begin(), png.begin() + std::ptrdiff_t(png.size() / 2)});
    h.script.SetPreview("arriving.png", partial);
    h.script.Hold("arriving.png");
    h.Header(1, "arriving.png");
    ASSERT_TRUE(h.PumpUntil([&] { return h.model.Rows().Count() == 1; }));
    h.model.Rows().SelectAndFocus(0);
    h.window.Action(cmd::kGrabSelected)->trigger();
    ASSERT_TRUE(h.script.WaitStarted("arriving.png"));

    auto* thumbnail = h.window.findChild<QToolButton*>("thumbnail0");
    ASSERT_NE(thumbnail, nullptr);
    // On the Threads tab the picture is not read at all.
    h.window.PollWorkerRows();
    EXPECT_TRUE(thumbnail->icon().isNull());
    // Bringing the Thumbnails tab into view shows it, fitted to the button.
    h.window.findChild<QTabWidget*>("workerTabs")->setCurrentIndex(1);
    ASSERT_FALSE(thumbnail->icon().isNull());
    const QImage shown = thumbnail->icon().pixmap(thumbnail->iconSize()).toImage();
    ASSERT_FALSE(shown.isNull());
    EXPECT_LE(shown.width(), thumbnail->iconSize().width());
    const QColor top = shown.pixelColor(shown.width() / 2, 1);
    EXPECT_EQ(top.red(), 10);
    EXPECT_EQ(top.green(), 200);

    h.script.Release("arriving.png");
    ASSERT_TRUE(h.PumpUntil([&] { return h.model.OutstandingItems() == 0; }));
}

}  // namespace
}  // namespace corvane::testsupport
