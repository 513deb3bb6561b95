// The worker rows (Threads tab), the thumbnails (Thumbnails tab) and the status bar. The rows
// are polled: each slot's display carries a change number, and only a slot whose number moved
// is repainted; a thumbnail is reloaded only when the worker showed its picture again and
// the Thumbnails tab is in view.
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QProgressBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <chrono>

#include "gui/article_table_model.h"
#include "gui/icons.h"
#include "gui/main_window.h"
#include "gui/preview_picture.h"

namespace corvane {

namespace {

constexpr int kThreadsCancelFirst = 1077;
constexpr int kThumbnailsCancel[CMainModel::kWorkerSlots] = {1085, 1086, 1087, 1088,
                                                             1089, 1090, 1091, 1300};
constexpr int kThreadsLocateFirst = 1116;
constexpr int kThumbnailsLocateFirst = 1203;
constexpr int kThumbnailSize = 96;
constexpr int kRowsPerColumn = 4;
constexpr int kThumbnailsTab = 1;
// Reading pictures is the window's heaviest work while downloads run: each poll reads stale
// previews only until this much time is spent, and the next poll goes on where it stopped.
constexpr std::chrono::milliseconds kPreviewBudget{30};

}  // namespace

QToolButton* CMainWindow::RowButton(int command, const QIcon& icon, const QString& name) {
    auto* button = new QToolButton(this);
    button->setObjectName(name);
    button->setIcon(icon);
    button->setAutoRaise(true);
    button->setIconSize(QSize(10, 9));
    // Locate scrolls through the rows' view (ScrollRequested); cancel reaches the manager.
    connect(button, &QToolButton::clicked, this, [this, command] { RunCommand(command); });
    return button;
}

QWidget* CMainWindow::BuildWorkerRow(int slot) {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    SWorkerRow& widgets = m_rows[static_cast<std::size_t>(slot)];
    widgets.activity = new QLabel(row);
    widgets.activity->setObjectName(QString("workerActivity%1").arg(slot));
    widgets.activity->setFixedSize(icons::kSmall, icons::kSmall);
    widgets.label = new QLabel(row);
    widgets.label->setObjectName(QString("workerLabel%1").arg(slot));
    widgets.label->setMinimumWidth(140);
    widgets.label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    widgets.progress = new QProgressBar(row);
    widgets.progress->setObjectName(QString("workerProgress%1").arg(slot));
    widgets.progress->setRange(0, kProgressSteps);
    widgets.progress->setValue(0);
    widgets.progress->setTextVisible(false);
    widgets.progress->setFixedWidth(100);
    layout->addWidget(widgets.activity);
    layout->addWidget(widgets.label, 1);
    layout->addWidget(widgets.progress);
    layout->addWidget(RowButton(kThreadsLocateFirst + slot, icons::Locate(),
                                QString("workerLocate%1").arg(slot)));
    QToolButton* cancel =
        RowButton(kThreadsCancelFirst + slot, icons::Cancel(), QString("workerCancel%1").arg(slot));
    cancel->setText("X");
    layout->addWidget(cancel);
    return row;
}

QWidget* CMainWindow::BuildThumbnail(int slot) {
    auto* cell = new QWidget(this);
    auto* layout = new QVBoxLayout(cell);
    layout->setContentsMargins(0, 0, 0, 0);
    SWorkerRow& widgets = m_rows[static_cast<std::size_t>(slot)];
    widgets.thumbnail = new QToolButton(cell);
    widgets.thumbnail->setObjectName(QString("thumbnail%1").arg(slot));
    widgets.thumbnail->setFixedSize(kThumbnailSize, kThumbnailSize);
    widgets.thumbnail->setIconSize(QSize(kThumbnailSize - 6, kThumbnailSize - 6));
    layout->addWidget(widgets.thumbnail, 0, Qt::AlignHCenter);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(RowButton(kThumbnailsLocateFirst + slot, icons::Locate(),
                                 QString("thumbnailLocate%1").arg(slot)));
    QToolButton* cancel =
        RowButton(kThumbnailsCancel[slot], icons::Cancel(), QString("thumbnailCancel%1").arg(slot));
    cancel->setText("X");
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    return cell;
}

QWidget* CMainWindow::BuildWorkerTabs() {
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName("workerTabs");
    auto* threads = new QWidget(m_tabs);
    auto* grid = new QGridLayout(threads);
    for (int slot = 0; slot < CMainModel::kWorkerSlots; ++slot) {
        // Rows 0-3 on the left, 4-7 on the right.
        grid->addWidget(BuildWorkerRow(slot), slot % kRowsPerColumn, slot / kRowsPerColumn);
    }
    auto* thumbnails = new QWidget(m_tabs);
    auto* strip = new QHBoxLayout(thumbnails);
    for (int slot = 0; slot < CMainModel::kWorkerSlots; ++slot)
        strip->addWidget(BuildThumbnail(slot));
    m_tabs->addTab(threads, "Threads");
    m_tabs->addTab(thumbnails, "Thumbnails");
    connect(m_tabs, &QTabWidget::currentChanged, this, [this] { ShowStalePreviews(); });
    PollWorkerRows();
    return m_tabs;
}

void CMainWindow::PollWorkerRows() {
    if (m_model == nullptr) return;
    for (int slot = 0; slot < CMainModel::kWorkerSlots; ++slot) {
        const CWorkerDisplay::SState state = m_model->WorkerRow(slot).State();
        if (state.change == m_rows[static_cast<std::size_t>(slot)].change) continue;
        ShowWorkerState(slot, state);
    }
    ShowStalePreviews();
}

void CMainWindow::ShowWorkerState(int slot, const CWorkerDisplay::SState& state) {
    SWorkerRow& row = m_rows[static_cast<std::size_t>(slot)];
    row.change = state.change;
    const QString status = QString::fromStdString(state.status);
    if (row.label->text() != status) {
        row.label->setText(status);
        row.label->setToolTip(status);
    }
    const int progress = std::clamp(state.progress, 0, kProgressSteps);
    if (row.progress->value() != progress) row.progress->setValue(progress);
    if (row.activityImage != state.activityImage) {
        row.activityImage = state.activityImage;
        row.activity->setPixmap(
            icons::Activity(state.activityImage).pixmap(icons::kSmall, icons::kSmall));
    }
    if (row.previewShows != state.previewShows || row.previewPath != state.previewPath) {
        row.previewShows = state.previewShows;
        row.previewPath = state.previewPath;
        row.previewStale = true;
        // Clearing costs nothing; pictures are read within the poll's budget.
        if (row.previewPath.empty()) ShowPreview(slot);
    }
}

void CMainWindow::ShowPreview(int slot) {
    SWorkerRow& row = m_rows[static_cast<std::size_t>(slot)];
    row.previewStale = false;
    // The first tenth of a picture may not hold even its header yet; the button stays empty
    // until something of it decodes.
    const QImage picture = row.previewPath.empty()
                               ? QImage()
                               : LoadPreviewPicture(row.previewPath, row.thumbnail->iconSize());
    row.thumbnail->setIcon(picture.isNull() ? QIcon() : QIcon(QPixmap::fromImage(picture)));
}

void CMainWindow::ShowStalePreviews() {
    if (m_tabs == nullptr || m_tabs->currentIndex() != kThumbnailsTab) return;
    const auto until = std::chrono::steady_clock::now() + kPreviewBudget;
    for (int visited = 0; visited < CMainModel::kWorkerSlots; ++visited) {
        const int slot = m_nextPreviewSlot;
        m_nextPreviewSlot = (m_nextPreviewSlot + 1) % CMainModel::kWorkerSlots;
        if (!m_rows[static_cast<std::size_t>(slot)].previewStale) continue;
        ShowPreview(slot);
        if (std::chrono::steady_clock::now() > until) return;
    }
}

void CMainWindow::BuildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName("statusBar");
    bar->setSizeGripEnabled(true);
    for (int pane = 0; pane < CMainModel::kPaneCount; ++pane) {
        auto* label = new QLabel(bar);
        label->setObjectName(QString("pane%1").arg(pane));
        label->setFrameShape(QFrame::StyledPanel);
        label->setFrameShadow(QFrame::Sunken);
        // Pane 0 is a narrow spacer; pane 4 (the connection state) takes what is left.
        if (pane == 0)
            label->setFixedWidth(8);
        else if (pane != 4)
            label->setMinimumWidth(70);
        bar->addPermanentWidget(label, pane == 4 ? 1 : 0);
        m_panes[static_cast<std::size_t>(pane)] = label;
        label->setText(QString::fromStdString(m_model->Pane(pane)));
    }
}

// The toolbar follows the model (work starting or stopping, the selection) as menus do
// when they open; a half-second delay is not noticed on a button.
void CMainWindow::OnIdleCheck() {
    if (m_model != nullptr) UpdateActions();
}

}  // namespace corvane
