#include "gui/browser_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QTabBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "gui/browser_image_view.h"
#include "gui/help_window.h"
#include "gui/icons.h"
#include "gui/main_window.h"

namespace corvane {

namespace {

constexpr int kRefTopRole = Qt::UserRole;
constexpr int kRefChildRole = Qt::UserRole + 1;
// The list box scrolls sideways over lines this wide, however short the current lines are.
constexpr int kListHorizontalExtent = 800;
constexpr int kListFontPoints = 10;

QIcon TreeIcon(int icon) {
    QStyle* style = QApplication::style();
    switch (icon) {
        case kIconExpanded:
            return style->standardIcon(QStyle::SP_DirOpenIcon);
        case kIconCollapsed:
            return style->standardIcon(QStyle::SP_DirClosedIcon);
        case kIconPicture:
            return style->standardIcon(QStyle::SP_FileDialogContentsView);
        default:
            return style->standardIcon(QStyle::SP_FileIcon);
    }
}

SBrowserItemRef RefOf(const QTreeWidgetItem* item) {
    if (item == nullptr) return {};
    return {item->data(0, kRefTopRole).value<std::size_t>(),
            item->data(0, kRefChildRole).value<std::size_t>()};
}

QTreeWidgetItem* MakeItem(const SBrowserItem& item, SBrowserItemRef ref) {
    auto* widget = new QTreeWidgetItem(QStringList{QString::fromStdString(item.text)});
    widget->setIcon(0, TreeIcon(item.icon));
    widget->setData(0, kRefTopRole, QVariant::fromValue(ref.top));
    widget->setData(0, kRefChildRole, QVariant::fromValue(ref.child));
    return widget;
}

}  // namespace

CBrowserWindow::CBrowserWindow(QWidget* parent, CMainModel& main)
    : QDialog(parent),
      m_main(main),
      m_model(main.App().Log(), main.App().Prompt(), main.App().Settings(),
              [&main] { main.SetBrowserClosed(); }) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle("Attachment Browser");
    setWindowIcon(icons::Program());
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    BuildWidgets();
    m_model.Open();
    m_shrink->setChecked(m_model.Shrink());
    m_image->SetShrink(m_model.Shrink());
    {
        const QSignalBlocker blocker(m_tabs);
        m_tabs->setCurrentIndex(static_cast<int>(m_model.Tab()) - 1);
    }
    Populate();
    RestorePlacement();
    ShowModel(true);
}

void CBrowserWindow::BuildWidgets() {
    m_tabs = new QTabBar(this);
    for (int tab = 1; tab <= kBrowserTabCount; ++tab) {
        m_tabs->addTab(BrowserTabCaption(BrowserTabFromNumber(tab)));
    }
    m_tree = new QTreeWidget(this);
    m_tree->setHeaderHidden(true);
    m_tree->setIconSize({icons::kSmall, icons::kSmall});
    m_list = new QListWidget(this);
    m_list->setFont(QFont("Arial", kListFontPoints));
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_list->setMinimumWidth(0);
    m_list->hide();
    m_image = new CBrowserImageView(this);
    m_shrink = new QCheckBox("Shrink image to fit window", this);

    auto* left = new QVBoxLayout;
    left->setSpacing(0);
    left->addWidget(m_tabs);
    left->addWidget(m_tree, 1);
    auto* right = new QVBoxLayout;
    right->addWidget(m_list, 1);
    right->addWidget(m_image, 1);
    right->addWidget(m_shrink);
    auto* buttons = new QVBoxLayout;
    auto add = [&](const char* caption) {
        auto* button = new QPushButton(caption, this);
        button->setAutoDefault(false);
        buttons->addWidget(button);
        return button;
    };
    m_killPerson = add("Kill Person");
    m_killSite = add("Kill Site");
    m_remove = add("Remove");
    m_removeFile = add("Remove File");
    QPushButton* refresh = add("Refresh");
    QPushButton* emptyLog = add("Empty Log");
    QPushButton* help = add("Help");
    QPushButton* close = add("Close");
    buttons->addStretch(1);

    auto* body = new QHBoxLayout;
    body->addLayout(left, 2);
    body->addLayout(right, 3);
    body->addLayout(buttons);
    auto* status = new QStatusBar(this);
    status->setSizeGripEnabled(false);
    for (auto& pane : m_panes) {
        pane = new QLabel(this);
        status->addWidget(pane);
    }
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(body, 1);
    outer->addWidget(status);

    connect(m_tabs, &QTabBar::currentChanged, this, [this](int index) {
        m_model.SelectTab(BrowserTabFromNumber(index + 1));
        Populate();
        ShowModel(true);
    });
    connect(m_tree, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item) { OnCurrentItemChanged(item); });
    connect(m_tree, &QTreeWidget::itemExpanded, this,
            [this](QTreeWidgetItem* item) { OnExpansion(item, true); });
    connect(m_tree, &QTreeWidget::itemCollapsed, this,
            [this](QTreeWidgetItem* item) { OnExpansion(item, false); });
    connect(m_shrink, &QCheckBox::toggled, this, [this](bool on) {
        m_model.SetShrink(on);
        m_image->SetShrink(on);
    });
    connect(m_killPerson, &QPushButton::clicked, this, [this] {
        if (m_model.KillPerson(m_main.App().Setup())) m_main.App().PublishSetup();
    });
    connect(m_killSite, &QPushButton::clicked, this, [this] {
        if (m_model.KillSite(m_main.App().Setup())) m_main.App().PublishSetup();
    });
    connect(m_remove, &QPushButton::clicked, this, [this] { OnRemove(false); });
    connect(m_removeFile, &QPushButton::clicked, this, [this] { OnRemove(true); });
    connect(refresh, &QPushButton::clicked, this, [this] { OnRefresh(); });
    connect(emptyLog, &QPushButton::clicked, this, [this] { OnEmptyLog(); });
    connect(help, &QPushButton::clicked, this, [this] { ShowHelp(this, "browser"); });
    connect(close, &QPushButton::clicked, this, &QWidget::close);
}

void CBrowserWindow::RestorePlacement() {
    const SWindowPlacement& placement = m_model.Placement();
    setGeometry(PlacementNormalRect(placement));
    if (PlacementMaximized(placement)) setWindowState(windowState() | Qt::WindowMaximized);
}

// The tree widget is rebuilt from the model's tree; nodes the model has open stay open.
void CBrowserWindow::Populate() {
    m_model.SetTreeBuilding(true);
    {
        const QSignalBlocker blocker(m_tree);
        m_tree->setUpdatesEnabled(false);
        m_tree->clear();
        const auto& tree = m_model.Tree();
        for (std::size_t top = 0; top < tree.size(); ++top) {
            QTreeWidgetItem* node = MakeItem(tree[top], {top, SBrowserItemRef::kNone});
            for (std::size_t child = 0; child < tree[top].children.size(); ++child) {
                node->addChild(MakeItem(tree[top].children[child], {top, child}));
            }
            m_tree->addTopLevelItem(node);
            if (tree[top].icon == kIconExpanded) node->setExpanded(true);
        }
        m_tree->setCurrentItem(nullptr);
        m_tree->setUpdatesEnabled(true);
    }
    m_model.SetTreeBuilding(false);
}

void CBrowserWindow::ShowModel(bool loadPicture) {
    const SBrowserButtons& buttons = m_model.Buttons();
    m_killPerson->setEnabled(buttons.killPerson);
    m_killSite->setEnabled(buttons.killSite);
    m_remove->setEnabled(buttons.remove);
    m_removeFile->setEnabled(buttons.removeFile);
    for (std::size_t pane = 0; pane < kBrowserPaneCount; ++pane) {
        m_panes[pane]->setText(QString::fromStdString(m_model.Panes()[pane]));
    }
    const SBrowserView& view = m_model.View();
    if (view.showList) {
        m_image->hide();
        m_list->show();
        m_list->clear();
        const int lineHeight = QFontMetrics(m_list->font()).lineSpacing();
        for (const std::string& line : view.lines) {
            auto* item = new QListWidgetItem(QString::fromStdString(line), m_list);
            item->setSizeHint({kListHorizontalExtent, lineHeight});
        }
        return;
    }
    m_list->hide();
    m_image->show();
    if (!loadPicture) return;
    if (view.picturePath.empty()) {
        m_image->Clear();
    } else {
        m_image->Load(view.picturePath);
    }
}

void CBrowserWindow::OnCurrentItemChanged(QTreeWidgetItem* item) {
    if (item == nullptr) return;
    m_model.Select(RefOf(item));
    ShowModel(true);
}

void CBrowserWindow::OnExpansion(QTreeWidgetItem* item, bool expanded) {
    const SBrowserItemRef ref = RefOf(item);
    m_model.SetExpanded(ref, expanded);
    if (const SBrowserItem* node = FindItem(m_model.Tree(), ref)) {
        item->setIcon(0, TreeIcon(node->icon));
    }
}

void CBrowserWindow::OnRemove(bool deleteFile) {
    const auto result = deleteFile ? m_model.RemoveFile() : m_model.Remove();
    if (result == CBrowserModel::ERemoveResult::kNothingSelected) return;
    Populate();
    ShowModel(deleteFile);
    if (result == CBrowserModel::ERemoveResult::kFileNotDeleted) {
        m_main.App().Prompt().ShowMessage("The file could not be deleted.");
    }
}

void CBrowserWindow::OnEmptyLog() {
    if (!m_model.EmptyLog()) return;
    Populate();
    ShowModel(true);
}

void CBrowserWindow::OnRefresh() {
    m_model.Refresh();
    Populate();
    ShowModel(true);
}

QPushButton* CBrowserWindow::Button(const QString& caption) const {
    for (QPushButton* button : findChildren<QPushButton*>()) {
        if (button->text() == caption) return button;
    }
    return nullptr;
}

bool CBrowserWindow::SelectFirstPicture() {
    for (int top = 0; top < m_tree->topLevelItemCount(); ++top) {
        QTreeWidgetItem* node = m_tree->topLevelItem(top);
        const SBrowserItem* item = FindItem(m_model.Tree(), RefOf(node));
        if (item == nullptr) continue;
        if (item->kind == EBrowserItemKind::kFile) {
            if (item->icon != kIconPicture) continue;
            m_tree->setCurrentItem(node);
            return true;
        }
        for (int child = 0; child < node->childCount(); ++child) {
            const SBrowserItem* file = FindItem(m_model.Tree(), RefOf(node->child(child)));
            if (file == nullptr || file->icon != kIconPicture) continue;
            node->setExpanded(true);
            m_tree->setCurrentItem(node->child(child));
            return true;
        }
    }
    return false;
}

// Escape closes the window the same way as the Close button, so the state is stored.
void CBrowserWindow::reject() {
    close();
}

void CBrowserWindow::closeEvent(QCloseEvent* event) {
    if (!m_closed) {
        m_closed = true;
        const QRect normal = isMaximized() || isMinimized() ? normalGeometry() : geometry();
        m_model.SetPlacement(
            PlacementOf(normal, isMaximized(), isMinimized(), m_model.Placement()));
        m_model.Close();
        m_image->Clear();
    }
    event->accept();
}

bool OpenBrowserWindow(QWidget* parent, CMainModel& model) {
    auto* window = new CBrowserWindow(parent, model);
    window->show();
    return true;
}

void SaveBrowserScreenshot(QWidget* parent, CMainModel& model, const std::string& path) {
    auto* window = new CBrowserWindow(parent, model);
    window->show();
    window->SelectFirstPicture();
    QApplication::processEvents();
    window->grab().save(QString::fromStdString(path), "PNG");
    window->close();
}

}  // namespace corvane
