#pragma once
// Every picture of the desktop, painted in code so that the program ships no image files
// beside its own icon: the article state marks, the group type marks, the worker activity
// lamp, the worker rows' locate and cancel glyphs, the toolbar glyphs and the program icon.
// Each icon is painted once and cached; GUI thread only (pixmaps belong to it).
#include <QIcon>

namespace corvane::icons {

// Sizes the lists and rows draw at; each icon carries a pixmap for each.
inline constexpr int kSmall = 16;
inline constexpr int kLarge = 32;
// Toolbar button faces: the large and the small toolbar.
inline constexpr int kToolbarLargeWidth = 32;
inline constexpr int kToolbarLargeHeight = 30;
inline constexpr int kToolbarSmallWidth = 16;
inline constexpr int kToolbarSmallHeight = 15;

// Article state images 0-14 (text 0-5, attachment 6-11, incomplete 12-13, mismatch 14); any
// other number gives a plain page, so a damaged record still draws.
inline constexpr int kArticleStateCount = 15;
QIcon ArticleState(int image);
// Group types: 0 text, 1 attachment; other numbers draw as attachment (the default type).
QIcon GroupType(int type);
// The worker activity lamp: 142 idle, 143 active; other numbers draw as idle.
inline constexpr int kActivityIdle = 142;
inline constexpr int kActivityActive = 143;
QIcon Activity(int image);
QIcon Locate();
QIcon Cancel();
// The toolbar face of a command (app/commands.h numbers); a command without a glyph of its
// own gets a neutral button face, never a null icon.
QIcon Command(int commandId, bool large);
QIcon Program();

}  // namespace corvane::icons
