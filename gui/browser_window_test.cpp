#include "gui/browser_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>

#include "app/main_model_test_support.h"
#include "browser/browser_view.h"
#include "gui/browser_image_view.h"
#include "gui/qt_draw_surface.h"
#include "images/bmp_file.h"
#include "images/png_file.h"
#include "setup/criteria.h"

namespace corvane {
namespace {

using testsupport::CJobScript;
using testsupport::CRecordingView;
using testsupport::CScriptedWorker;

constexpr SRgb kRed{255, 0, 0};
constexpr SRgb kBlue{0, 0, 255};
constexpr SRgb kGreen{0, 200, 0};

// The main model's view that opens the real browser window, as the desktop's hook does.
class CBrowserOpeningView final : public CRecordingView {
public:
    bool OpenBrowser() override { return OpenBrowserWindow(&parent, *model); }
    QWidget parent;
    CMainModel* model = nullptr;
};

class BrowserWindowTest : public ::testing::Test {
protected:
    BrowserWindowTest()
        : m_dir(testsupport::MakeTempDir()),
          app(settings, prompt, clock, m_dir),
          timers(clock, queue),
          model(app, queue, timers, view, nullptr,
                [this](int) { return std::make_unique<CScriptedWorker>(script); }) {
        view.model = &model;
        m_small = m_dir + "/small.png";
        m_large = m_dir + "/large.bmp";
        m_text = m_dir + "/notes.txt";
        WriteSmallPng();
        WriteLargeBmp();
        std::ofstream(m_text) << "first line\r\nsecond line\nthird\n";
        Log(m_small, "alice@example.org", "b.example");
        Log(m_text, "bob@example.org", "a.example");
        Log(m_large, "alice@example.org", "a.example");
    }
    ~BrowserWindowTest() override {
        for (QWidget* widget : view.parent.findChildren<CBrowserWindow*>()) delete widget;
        std::filesystem::remove_all(m_dir);
    }

    void WriteSmallPng() {
        CPngImage image;
        ASSERT_TRUE(image.Create(40, 30, 24));
        for (int y = 0; y < 30; ++y) {
            for (int x = 0; x < 40; ++x) image.SetColor(x, y, kGreen);
        }
        // Memory row 0 is the bottom: red there, blue on the top row.
        image.SetColor(0, 0, kRed);
        image.SetColor(39, 29, kBlue);
        ASSERT_EQ(image.Save(m_small), 1);
    }
    void WriteLargeBmp() {
        CBmpImage image;
        ASSERT_TRUE(image.Create(1200, 900, 8));
        image.SetGrayPalette(256);
        ASSERT_EQ(image.Save(m_large), 1);
    }
    void Log(const std::string& path, const std::string& author, const std::string& origin) {
        auto entry = std::make_unique<CLogEntry>();
        entry->SetFileName(path);
        entry->SetAuthor(author);
        entry->SetOrigin(origin);
        entry->SetNewsgroup("alt.binaries.test");
        entry->SetSubject("subject of " + std::filesystem::path(path).filename().string());
        app.Log().Add(std::move(entry));
    }

    CBrowserWindow* Open() {
        model.Execute(cmd::kBrowse);
        auto windows = view.parent.findChildren<CBrowserWindow*>();
        return windows.size() == 1 ? windows.front() : nullptr;
    }
    static QTreeWidgetItem* ItemWithText(QTreeWidget* tree, const std::string& text) {
        const auto found =
            tree->findItems(QString::fromStdString(text), Qt::MatchExactly | Qt::MatchRecursive);
        return found.size() == 1 ? found.front() : nullptr;
    }
    static void Select(CBrowserWindow& window, const std::string& text) {
        QTreeWidgetItem* item = ItemWithText(window.Tree(), text);
        ASSERT_NE(item, nullptr) << text;
        if (item->parent() != nullptr) item->parent()->setExpanded(true);
        window.Tree()->setCurrentItem(item);
    }

    std::string m_dir;
    std::string m_small;
    std::string m_large;
    std::string m_text;
    CMemorySettingsStore settings;
    CRecordingPrompt prompt{false};
    CManualClock clock{1000000};
    CApplication app;
    CMessageQueue queue{CMainModel::kQueueCapacity};
    CManualTimerService timers;
    CBrowserOpeningView view;
    CJobScript script;
    CMainModel model;
};

TEST_F(BrowserWindowTest, OpensOverTheLogWithTheModelsTreeOnEveryTab) {
    CBrowserWindow* window = Open();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(model.BrowserOpen());
    EXPECT_FALSE(model.IsEnabled(cmd::kBrowse));
    EXPECT_EQ(window->windowTitle(), "Attachment Browser");
    ASSERT_EQ(window->Tabs()->count(), 4);
    EXPECT_EQ(window->Tabs()->tabText(0), "Files/Date");
    EXPECT_EQ(window->Tabs()->tabText(3), "Origin/File");

    // Files/Date: newest download first.
    QTreeWidget* tree = window->Tree();
    ASSERT_EQ(tree->topLevelItemCount(), 3);
    EXPECT_EQ(tree->topLevelItem(0)->text(0).toStdString(), m_large);
    EXPECT_EQ(tree->topLevelItem(2)->text(0).toStdString(), m_small);
    for (const char* caption : {"Kill Person", "Kill Site", "Remove", "Remove File"}) {
        ASSERT_NE(window->Button(caption), nullptr) << caption;
        EXPECT_FALSE(window->Button(caption)->isEnabled()) << caption;
    }

    // Person/File: one node per author, the files below it, as the model built them.
    window->Tabs()->setCurrentIndex(2);
    EXPECT_EQ(window->Model().Tab(), EBrowserTab::kPersonFile);
    const auto& nodes = window->Model().Tree();
    ASSERT_EQ(tree->topLevelItemCount(), 2);
    ASSERT_EQ(nodes.size(), 2u);
    for (int top = 0; top < 2; ++top) {
        const SBrowserItem& node = nodes[static_cast<std::size_t>(top)];
        QTreeWidgetItem* item = tree->topLevelItem(top);
        EXPECT_EQ(item->text(0).toStdString(), node.text);
        ASSERT_EQ(item->childCount(), static_cast<int>(node.children.size()));
        for (int child = 0; child < item->childCount(); ++child) {
            EXPECT_EQ(item->child(child)->text(0).toStdString(),
                      node.children[static_cast<std::size_t>(child)].text);
        }
    }
    EXPECT_EQ(tree->topLevelItem(0)->text(0), "alice@example.org");
    EXPECT_EQ(tree->topLevelItem(0)->childCount(), 2);

    // Choosing an author node arms Kill Person only; expanding it opens the node's icon.
    QTreeWidgetItem* alice = tree->topLevelItem(0);
    tree->setCurrentItem(alice);
    EXPECT_TRUE(window->Button("Kill Person")->isEnabled());
    EXPECT_FALSE(window->Button("Remove")->isEnabled());
    alice->setExpanded(true);
    EXPECT_EQ(window->Model().Tree()[0].icon, kIconExpanded);
}

TEST_F(BrowserWindowTest, SelectingAPictureShowsItExactlyAndFillsThePanes) {
    CBrowserWindow* window = Open();
    ASSERT_NE(window, nullptr);
    window->show();
    Select(*window, m_small);

    CBrowserImageView* image = window->ImageView();
    EXPECT_FALSE(image->isHidden());
    EXPECT_TRUE(window->TextList()->isHidden());
    ASSERT_TRUE(image->HasPicture());
    EXPECT_EQ(image->Path(), m_small);
    EXPECT_EQ(image->DrawnSize(), QSize(40, 30));
    const QImage picture = image->Picture();
    ASSERT_EQ(picture.size(), QSize(40, 30));
    // The bottom-up rows come out the right way up.
    EXPECT_EQ(picture.pixel(0, 29), qRgb(255, 0, 0));
    EXPECT_EQ(picture.pixel(39, 0), qRgb(0, 0, 255));
    EXPECT_EQ(picture.pixel(10, 10), qRgb(0, 200, 0));

    EXPECT_EQ(window->Pane(1)->text(), "alt.binaries.test");
    EXPECT_EQ(window->Pane(2)->text(), "b.example");
    EXPECT_EQ(window->Pane(3)->text(), "alice@example.org");
    EXPECT_EQ(window->Pane(4)->text(), "subject of small.png");
    for (const char* caption : {"Kill Person", "Kill Site", "Remove", "Remove File"}) {
        EXPECT_TRUE(window->Button(caption)->isEnabled()) << caption;
    }
    window->Button("Kill Site")->click();
    const CCriteriaGroup& kill = app.Setup().FindKillGroup();
    ASSERT_FALSE(kill.m_criteria.empty());
    EXPECT_EQ(kill.m_criteria.back()->m_field, CCriteria::kFieldOrigin);
    EXPECT_EQ(kill.m_criteria.back()->m_value, "b.example");
}

TEST_F(BrowserWindowTest, ShrinkFitsALargePictureButNeverEnlargesASmallOne) {
    settings.WriteInt(kSectionData, kKeyShrink, 1);
    CBrowserWindow* window = Open();
    ASSERT_NE(window, nullptr);
    window->show();
    EXPECT_TRUE(window->ShrinkBox()->isChecked());
    CBrowserImageView* image = window->ImageView();
    Select(*window, m_large);
    ASSERT_TRUE(image->HasPicture());
    const QSize client = image->viewport()->size();
    const SImageSize fit = ShrinkToFit({1200, 900}, {client.width(), client.height()});
    EXPECT_EQ(image->DrawnSize(), QSize(fit.width, fit.height));
    EXPECT_LT(fit.width, 1200);
    EXPECT_EQ(image->Picture().size(), QSize(1200, 900));

    Select(*window, m_small);
    EXPECT_EQ(image->DrawnSize(), QSize(40, 30));

    // Unticked, the large picture is shown at its own size with scroll bars over the rest.
    window->ShrinkBox()->setChecked(false);
    Select(*window, m_large);
    EXPECT_EQ(image->DrawnSize(), QSize(1200, 900));
    EXPECT_EQ(image->horizontalScrollBar()->maximum(), 1200 - image->viewport()->width());
    EXPECT_EQ(image->verticalScrollBar()->maximum(), 900 - image->viewport()->height());

    window->close();
    EXPECT_EQ(settings.ReadInt(kSectionData, kKeyShrink, -1), 0);
}

TEST_F(BrowserWindowTest, ATextFileFillsTheListBoxInsteadOfThePicture) {
    CBrowserWindow* window = Open();
    ASSERT_NE(window, nullptr);
    Select(*window, m_small);
    Select(*window, m_text);
    EXPECT_TRUE(window->ImageView()->isHidden());
    EXPECT_FALSE(window->TextList()->isHidden());
    QListWidget* list = window->TextList();
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(0)->text(), "first line");
    EXPECT_EQ(list->item(1)->text(), "second line");
    EXPECT_EQ(list->item(2)->text(), "third");
    EXPECT_EQ(window->Pane(3)->text(), "bob@example.org");
}

TEST_F(BrowserWindowTest, EmptyLogAnsweredNoKeepsEverything) {
    CBrowserWindow* window = Open();
    ASSERT_NE(window, nullptr);
    window->Button("Empty Log")->click();
    ASSERT_EQ(prompt.Questions().size(), 1u);
    EXPECT_EQ(prompt.Questions().front(), kEmptyLogQuestion);
    EXPECT_EQ(app.Log().Size(), 3u);
    EXPECT_EQ(window->Tree()->topLevelItemCount(), 3);

    prompt.SetAnswer(true);
    window->Button("Empty Log")->click();
    EXPECT_EQ(app.Log().Size(), 0u);
    EXPECT_EQ(window->Tree()->topLevelItemCount(), 0);
    EXPECT_TRUE(std::filesystem::exists(m_small));
}

TEST_F(BrowserWindowTest, RemoveAndRemoveFileTakeTheEntryOutOfLogAndTree) {
    CBrowserWindow* window = Open();
    ASSERT_NE(window, nullptr);
    Select(*window, m_text);
    window->Button("Remove")->click();
    EXPECT_EQ(app.Log().Size(), 2u);
    EXPECT_EQ(ItemWithText(window->Tree(), m_text), nullptr);
    EXPECT_TRUE(std::filesystem::exists(m_text));
    EXPECT_FALSE(window->Button("Remove")->isEnabled());

    Select(*window, m_small);
    ASSERT_TRUE(window->ImageView()->HasPicture());
    window->Button("Remove File")->click();
    EXPECT_EQ(app.Log().Size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(m_small));
    EXPECT_FALSE(window->ImageView()->HasPicture());
    EXPECT_EQ(window->Tree()->topLevelItemCount(), 1);
}

TEST_F(BrowserWindowTest, RefreshShowsEntriesLoggedSinceOpening) {
    CBrowserWindow* window = Open();
    ASSERT_NE(window, nullptr);
    Log(m_dir + "/later.gif", "carol@example.org", "c.example");
    EXPECT_EQ(window->Tree()->topLevelItemCount(), 3);
    window->Button("Refresh")->click();
    ASSERT_EQ(window->Tree()->topLevelItemCount(), 4);
    EXPECT_EQ(window->Tree()->topLevelItem(0)->text(0).toStdString(), m_dir + "/later.gif");
}

TEST_F(BrowserWindowTest, CloseStoresTheStateClearsTheFlagAndDeletesTheWindow) {
    settings.WriteInt(kSectionData, kKeyCurtab, 2);
    QPointer<CBrowserWindow> window = Open();
    ASSERT_FALSE(window.isNull());
    EXPECT_EQ(window->Tabs()->currentIndex(), 1);
    EXPECT_EQ(window->Model().Tab(), EBrowserTab::kFilesName);
    window->Tabs()->setCurrentIndex(3);
    window->move(50, 60);
    window->Button("Close")->click();
    EXPECT_FALSE(model.BrowserOpen());
    EXPECT_TRUE(model.IsEnabled(cmd::kBrowse));
    EXPECT_EQ(settings.ReadInt(kSectionData, kKeyCurtab, -1), 4);
    EXPECT_EQ(settings.ReadInt(kSectionData, "wp2right", -1) -
                  settings.ReadInt(kSectionData, "wp2left", -1),
              window->width());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());

    // The stored tab is where the next window opens.
    CBrowserWindow* again = Open();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->Tabs()->currentIndex(), 3);
}

TEST_F(BrowserWindowTest, ScreenshotSavesAGrabWithThePictureShown) {
    const std::string shot = m_dir + "/shot.png";
    SaveBrowserScreenshot(&view.parent, model, shot);
    QImage saved(QString::fromStdString(shot));
    // The stored placement's default size, and the window closed the ordinary way after.
    EXPECT_EQ(saved.size(), QSize(600, 400));
    EXPECT_EQ(settings.ReadInt(kSectionData, kKeyCurtab, -1), 1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(view.parent.findChildren<CBrowserWindow*>().isEmpty());
}

// The surface on its own: palette pictures, stretching and the transparent index.
TEST(QtDrawSurfaceTest, PaletteDepthsComeOutAsTheirColours) {
    CImageImpl image;
    ASSERT_TRUE(image.Create(3, 2, 4));
    image.SetPalette(std::vector<SRgb>{kRed, kGreen, kBlue});
    image.SetIndex(0, 0, 2);  // bottom-left
    image.SetIndex(1, 1, 1);  // top middle
    image.SetIndex(2, 1, 0);
    const QImage picture = PictureToQImage(image);
    ASSERT_EQ(picture.size(), QSize(3, 2));
    EXPECT_EQ(picture.pixel(0, 1), qRgb(0, 0, 255));
    EXPECT_EQ(picture.pixel(1, 0), qRgb(0, 200, 0));
    EXPECT_EQ(picture.pixel(2, 0), qRgb(255, 0, 0));

    CImageImpl mono;
    ASSERT_TRUE(mono.Create(9, 1, 1));
    mono.SetPalette(std::vector<SRgb>{{0, 0, 0}, {255, 255, 255}});
    mono.SetIndex(8, 0, 1);  // the ninth pixel sits in the second byte
    const QImage bits = PictureToQImage(mono);
    EXPECT_EQ(bits.pixel(8, 0), qRgb(255, 255, 255));
    EXPECT_EQ(bits.pixel(7, 0), qRgb(0, 0, 0));
    EXPECT_TRUE(PictureToQImage(CImageImpl()).isNull());
}

TEST(QtDrawSurfaceTest, TransparentIndexLeavesTheBackground) {
    CImageImpl image;
    ASSERT_TRUE(image.Create(2, 1, 8));
    image.SetPalette(std::vector<SRgb>{{255, 255, 255}, kRed});
    image.SetIndex(0, 0, 0);
    image.SetIndex(1, 0, 1);
    image.SetTransparentIndex(0);
    // Even a transparent white over a white background is told apart from an opaque one.
    const QImage picture = PictureToQImage(image);
    EXPECT_EQ(qAlpha(picture.pixel(0, 0)), 0);
    EXPECT_EQ(picture.pixel(1, 0), qRgb(255, 0, 0));

    QImage target(2, 1, QImage::Format_RGB32);
    target.fill(qRgb(10, 20, 30));
    CQtDrawSurface surface(target);
    EXPECT_EQ(DrawImage(image, &surface, {0, 0, 2, 1}), 1);
    EXPECT_EQ(surface.RealisedCount(), 1);
    EXPECT_EQ(target.pixel(0, 0), qRgb(10, 20, 30));
    EXPECT_EQ(target.pixel(1, 0), qRgb(255, 0, 0));
}

TEST(QtDrawSurfaceTest, StretchRepeatsWholePixelsAndClipsToTheTarget) {
    CImageImpl image;
    ASSERT_TRUE(image.Create(2, 1, 24));
    image.SetColor(0, 0, kRed);
    image.SetColor(1, 0, kBlue);
    QImage target(3, 2, QImage::Format_RGB32);
    target.fill(Qt::black);
    CQtDrawSurface surface(target);
    // Four columns wide into a target of three: the fourth is clipped, nothing blends.
    DrawImage(image, &surface, {0, 0, 4, 2});
    EXPECT_EQ(target.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(target.pixel(1, 1), qRgb(255, 0, 0));
    EXPECT_EQ(target.pixel(2, 0), qRgb(0, 0, 255));
}

}  // namespace
}  // namespace corvane
