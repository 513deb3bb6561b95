// Every icon exists at the sizes the window draws it at, and pictures meant to tell states
// apart really differ.
#include "gui/icons.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPixmap>
#include <vector>

#include "app/commands.h"

namespace corvane::icons {
namespace {

QImage Picture(const QIcon& icon, QSize size) {
    return icon.pixmap(size).toImage();
}

bool HasInk(const QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) != 0) return true;
        }
    }
    return false;
}

TEST(Icons, EveryArticleStateIsDrawnAndDistinct) {
    std::vector<QImage> pictures;
    for (int image = 0; image < kArticleStateCount; ++image) {
        const QIcon icon = ArticleState(image);
        ASSERT_FALSE(icon.isNull()) << image;
        const QImage picture = Picture(icon, QSize(kSmall, kSmall));
        EXPECT_EQ(picture.size(), QSize(kSmall, kSmall));
        EXPECT_TRUE(HasInk(picture)) << image;
        for (std::size_t other = 0; other < pictures.size(); ++other) {
            EXPECT_NE(picture, pictures[other]) << image << " looks like " << other;
        }
        pictures.push_back(picture);
    }
    // A damaged record's image number still draws something.
    EXPECT_TRUE(HasInk(Picture(ArticleState(99), QSize(kSmall, kSmall))));
    EXPECT_TRUE(HasInk(Picture(ArticleState(-1), QSize(kSmall, kSmall))));
}

TEST(Icons, AreCachedPerPicture) {
    EXPECT_EQ(ArticleState(3).cacheKey(), ArticleState(3).cacheKey());
    EXPECT_NE(ArticleState(3).cacheKey(), ArticleState(4).cacheKey());
    EXPECT_EQ(Command(cmd::kSave, true).cacheKey(), Command(cmd::kSave, true).cacheKey());
    EXPECT_NE(Command(cmd::kSave, true).cacheKey(), Command(cmd::kSave, false).cacheKey());
}

TEST(Icons, GroupTypesActivityAndRowButtonsAreDrawn) {
    const QSize small(kSmall, kSmall);
    EXPECT_NE(Picture(GroupType(0), small), Picture(GroupType(1), small));
    EXPECT_EQ(GroupType(7).cacheKey(), GroupType(1).cacheKey());
    EXPECT_NE(Picture(Activity(kActivityIdle), small), Picture(Activity(kActivityActive), small));
    for (const QIcon& icon : {Locate(), Cancel(), GroupType(0), Activity(kActivityIdle)}) {
        EXPECT_TRUE(HasInk(Picture(icon, small)));
        EXPECT_TRUE(HasInk(Picture(icon, QSize(kLarge, kLarge))));
    }
}

TEST(Icons, ToolbarFacesExistAtBothToolbarSizes) {
    const int toolbar[] = {cmd::kNew,          cmd::kOpen,       cmd::kSave,
                           cmd::kOptions,      cmd::kAutomate,   cmd::kBrowse,
                           cmd::kGroupList,    cmd::kDoGroup,    cmd::kDoAllGroups,
                           cmd::kGrabSelected, cmd::kGrabAll,    cmd::kRemoveSelected,
                           cmd::kStopAll,      cmd::kEmptyQueue, cmd::kKillSite,
                           cmd::kKillPerson,   cmd::kHelp,       cmd::kExit};
    const QSize large(kToolbarLargeWidth, kToolbarLargeHeight);
    const QSize small(kToolbarSmallWidth, kToolbarSmallHeight);
    std::vector<QImage> faces;
    for (int id : toolbar) {
        const QIcon big = Command(id, true);
        ASSERT_TRUE(big.availableSizes().contains(large)) << id;
        ASSERT_TRUE(Command(id, false).availableSizes().contains(small)) << id;
        const QImage face = Picture(big, large);
        EXPECT_TRUE(HasInk(face)) << id;
        EXPECT_TRUE(HasInk(Picture(Command(id, false), small))) << id;
        for (const QImage& other : faces) EXPECT_NE(face, other) << id;
        faces.push_back(face);
    }
    // The default-button command has no glyph of its own but still a face.
    EXPECT_TRUE(HasInk(Picture(Command(cmd::kDefaultButton, false), small)));
}

TEST(Icons, ProgramIconCoversTheDesktopSizes) {
    const QIcon program = Program();
    for (int size : {16, 32, 48, 256}) {
        EXPECT_TRUE(program.availableSizes().contains(QSize(size, size))) << size;
        EXPECT_TRUE(HasInk(Picture(program, QSize(size, size)))) << size;
    }
}

}  // namespace
}  // namespace corvane::icons
