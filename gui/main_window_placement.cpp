// The main window's placement and the lists' column widths, restored when the window is
// built and written when the model ends.
#include <QHeaderView>
#include <QTableView>

#include "gui/article_table_model.h"
#include "gui/group_table_model.h"
#include "gui/main_window.h"

namespace corvane {

namespace {

constexpr int kShowNormal = 1;
constexpr int kShowMinimized = 2;
constexpr int kShowMaximized = 3;
// A stored rectangle outside these bounds was not made by a window on a screen.
constexpr int kMinSide = 100;
constexpr int kMaxSide = 20000;
constexpr int kMaxOffset = 100000;

template <std::size_t N>
void RestoreWidths(ISettingsStore& store, QTableView& view, const std::array<SColumnKey, N>& keys) {
    for (std::size_t column = 0; column < N; ++column)
        view.setColumnWidth(static_cast<int>(column), ReadColumnWidth(store, keys[column]));
}

template <std::size_t N>
void SaveWidths(ISettingsStore& store, const QTableView& view,
                const std::array<SColumnKey, N>& keys) {
    for (std::size_t column = 0; column < N; ++column)
        WriteColumnWidth(store, keys[column], view.columnWidth(static_cast<int>(column)));
}

}  // namespace

QRect PlacementNormalRect(const SWindowPlacement& placement) {
    const QRect fallback(kMainPlacementDefaults.left, kMainPlacementDefaults.top,
                         kMainPlacementDefaults.right - kMainPlacementDefaults.left,
                         kMainPlacementDefaults.bottom - kMainPlacementDefaults.top);
    const long width = static_cast<long>(placement.right) - placement.left;
    const long height = static_cast<long>(placement.bottom) - placement.top;
    if (width < kMinSide || height < kMinSide || width > kMaxSide || height > kMaxSide)
        return fallback;
    if (std::abs(placement.left) > kMaxOffset || std::abs(placement.top) > kMaxOffset)
        return fallback;
    return QRect(placement.left, placement.top, static_cast<int>(width), static_cast<int>(height));
}

bool PlacementMaximized(const SWindowPlacement& placement) {
    return placement.showCmd == kShowMaximized;
}

SWindowPlacement PlacementOf(const QRect& normal, bool maximized, bool minimized,
                             const SWindowPlacement& previous) {
    SWindowPlacement placement = previous;
    placement.length = kMainPlacementDefaults.length;
    placement.showCmd = maximized ? kShowMaximized : minimized ? kShowMinimized : kShowNormal;
    placement.left = normal.left();
    placement.top = normal.top();
    placement.right = normal.left() + normal.width();
    placement.bottom = normal.top() + normal.height();
    return placement;
}

void CMainWindow::RestorePlacementAndWidths() {
    ISettingsStore& store = m_app.Settings();
    const SWindowPlacement placement = LoadPlacement(store, kMainPlacementPrefix);
    // A minimised window comes back in its normal state: starting as an icon helps no one.
    setGeometry(PlacementNormalRect(placement));
    if (PlacementMaximized(placement)) setWindowState(windowState() | Qt::WindowMaximized);
    RestoreWidths(store, *m_groupView, CGroupTableModel::ColumnKeys());
    RestoreWidths(store, *m_articleView, CArticleTableModel::ColumnKeys());
}

void CMainWindow::SavePlacementAndWidths() {
    if (m_model == nullptr || m_placementSaved) return;
    m_placementSaved = true;
    ISettingsStore& store = m_app.Settings();
    // Flags and the minimised and maximised positions have no meaning here; they are kept
    // as they were read so a value written elsewhere survives.
    const SWindowPlacement previous = LoadPlacement(store, kMainPlacementPrefix);
    const QRect normal = isMaximized() || isMinimized() ? normalGeometry() : geometry();
    SavePlacement(store, kMainPlacementPrefix,
                  PlacementOf(normal.isValid() ? normal : geometry(), isMaximized(), isMinimized(),
                              previous));
    SaveWidths(store, *m_groupView, CGroupTableModel::ColumnKeys());
    SaveWidths(store, *m_articleView, CArticleTableModel::ColumnKeys());
}

}  // namespace corvane
