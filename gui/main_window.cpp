#include "gui/main_window.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QSplitter>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include "app/startup_checks.h"
#include "gui/about_box.h"
#include "gui/article_table_model.h"
#include "gui/group_table_model.h"
#include "gui/icons.h"

namespace corvane {

CMainWindow::CMainWindow(CApplication& app, QWidget* parent) : QMainWindow(parent), m_app(app) {
    setObjectName("mainWindow");
    setWindowTitle("Corvane v2.0.17");
    setWindowIcon(icons::Program());
    m_largeToolbar = app.Settings().ReadInt(kSectionData, kKeyBigTool, kDefaultBigTool) != 0;
}

CMainWindow::~CMainWindow() = default;

void CMainWindow::Attach(CMainModel& model) {
    m_model = &model;
    m_groupModel = new CGroupTableModel(model, this);
    m_articleModel = new CArticleTableModel(model, this);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    auto* splitter = new QSplitter(Qt::Vertical, central);
    splitter->setObjectName("mainSplitter");
    splitter->addWidget(BuildTopArea());
    splitter->addWidget(BuildArticleList());
    splitter->addWidget(BuildWorkerTabs());
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setStretchFactor(2, 0);
    layout->addWidget(splitter);
    setCentralWidget(central);

    BuildActions();
    BuildMenus();
    BuildToolbar();
    BuildStatusBar();
    RestorePlacementAndWidths();
    OnGroupsChanged();
    OnFieldsChanged();
    OnThumbnailsTabEnabled(model.Setup().m_showThumbnails != 0);

    m_workerPoll = new QTimer(this);
    connect(m_workerPoll, &QTimer::timeout, this, &CMainWindow::PollWorkerRows);
    m_workerPoll->start(kWorkerPollMs);
    m_idleCheck = new QTimer(this);
    connect(m_idleCheck, &QTimer::timeout, this, &CMainWindow::OnIdleCheck);
    m_idleCheck->start(kIdleCheckMs);
    UpdateActions();
}

void CMainWindow::Detach() {
    if (m_model == nullptr) return;
    SavePlacementAndWidths();
    if (m_workerPoll != nullptr) m_workerPoll->stop();
    if (m_idleCheck != nullptr) m_idleCheck->stop();
    m_articleView->setModel(nullptr);
    m_groupView->setModel(nullptr);
    delete m_articleModel;
    delete m_groupModel;
    m_articleModel = nullptr;
    m_groupModel = nullptr;
    m_model = nullptr;
}

QWidget* CMainWindow::BuildTopArea() {
    auto* top = new QWidget(this);
    auto* grid = new QGridLayout(top);
    grid->setContentsMargins(0, 0, 0, 0);

    m_groupView = new QTableView(top);
    m_groupView->setObjectName("groupList");
    m_groupView->setModel(m_groupModel);
    m_groupView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_groupView->setSelectionMode(QAbstractItemView::SingleSelection);
    m_groupView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_groupView->verticalHeader()->hide();
    m_groupView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_groupView->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid()) m_model->SelectGroupRow(current.row());
                UpdateActions();
            });
    connect(m_groupView, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid()) m_model->GroupRowDoubleClicked(index.row());
    });
    connect(m_groupView, &QWidget::customContextMenuRequested, this, &CMainWindow::ShowGroupMenu);
    grid->addWidget(m_groupView, 0, 0, 4, 1);
    grid->setColumnStretch(0, 1);

    auto* pathLabel = new QLabel("Save Path", top);
    m_savePath = new QLineEdit(top);
    m_savePath->setObjectName("savePath");
    pathLabel->setBuddy(m_savePath);
    connect(m_savePath, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (m_model != nullptr) m_model->SetSavePathField(text.toStdString());
    });
    grid->addWidget(pathLabel, 0, 1, 1, 3);
    grid->addWidget(m_savePath, 1, 1, 1, 3);

    m_threads = new QSlider(Qt::Horizontal, top);
    m_threads->setObjectName("threadsSlider");
    m_threads->setRange(0, CMainModel::kWorkerSlots);
    m_threads->setTickPosition(QSlider::TicksBelow);
    m_threads->setTickInterval(1);
    m_threads->setPageStep(1);
    connect(m_threads, &QSlider::valueChanged, this, [this](int value) {
        if (m_model != nullptr && m_model->ThreadsSlider() != value)
            m_model->SetThreadsSlider(value);
    });
    auto* threadsLabel = new QLabel("Threads", top);
    threadsLabel->setAlignment(Qt::AlignCenter);
    grid->addWidget(threadsLabel, 2, 1, 1, 3);
    grid->addWidget(new QLabel("0", top), 3, 1);
    grid->addWidget(m_threads, 3, 2);
    grid->addWidget(new QLabel("8", top), 3, 3);
    return top;
}

QWidget* CMainWindow::BuildArticleList() {
    m_articleView = new QTableView(this);
    m_articleView->setObjectName("articleList");
    m_articleView->setModel(m_articleModel);
    m_articleView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_articleView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_articleView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_articleView->verticalHeader()->hide();
    m_articleView->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    // Rows of one height: the view never measures a million rows to lay them out.
    m_articleView->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_articleView->setWordWrap(false);
    m_articleView->setContextMenuPolicy(Qt::CustomContextMenu);
    // The header's click sorts through the model; the view must not sort on its own.
    m_articleView->setSortingEnabled(false);
    m_articleView->horizontalHeader()->setSectionsClickable(true);
    connect(m_articleView->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { m_model->SortByColumn(column); });
    connect(m_articleView, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid()) RunCommand(cmd::kGrabSelected);
    });
    connect(m_articleView, &QWidget::customContextMenuRequested, this,
            &CMainWindow::ShowArticleMenu);
    connect(m_articleModel, &CArticleTableModel::SelectionChanged, this,
            &CMainWindow::SyncSelectionFromModel);
    connect(m_articleModel, &CArticleTableModel::ScrollRequested, this, &CMainWindow::ScrollToRow);
    // A reset drops the view's selection; the rows' own selection is what counts.
    connect(m_articleModel, &QAbstractItemModel::modelReset, this,
            &CMainWindow::SyncSelectionFromModel);
    ConnectArticleSelection();
    return m_articleView;
}

void CMainWindow::ConnectArticleSelection() {
    QItemSelectionModel* selection = m_articleView->selectionModel();
    connect(selection, &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected, const QItemSelection& deselected) {
                if (m_syncingSelection) return;
                CArticleRows& rows = m_model->Rows();
                auto apply = [&rows](const QItemSelection& ranges, bool on) {
                    for (const QItemSelectionRange& range : ranges) {
                        for (int row = range.top(); row <= range.bottom(); ++row) {
                            if (static_cast<std::size_t>(row) < rows.Count())
                                rows.Select(static_cast<std::size_t>(row), on);
                        }
                    }
                };
                apply(deselected, false);
                apply(selected, true);
                // The accelerators of the article commands must work at once.
                UpdateActions();
            });
    connect(selection, &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (m_syncingSelection || !current.isValid()) return;
                if (static_cast<std::size_t>(current.row()) < m_model->Rows().Count())
                    m_model->Rows().Focus(static_cast<std::size_t>(current.row()));
                UpdateActions();
            });
}

// The rows' selection is the truth; the view is made to show it without echoing it back.
void CMainWindow::SyncSelectionFromModel() {
    if (m_syncingSelection) return;
    m_syncingSelection = true;
    CArticleRows& rows = m_model->Rows();
    QItemSelection selection;
    int start = -1;
    const int count = static_cast<int>(rows.Count());
    const int lastColumn = m_articleModel->columnCount() - 1;
    for (int row = 0; row <= count; ++row) {
        const bool on = row < count && rows.IsSelected(rows.At(static_cast<std::size_t>(row)));
        if (on && start < 0) start = row;
        if (!on && start >= 0) {
            selection.select(m_articleModel->index(start, 0),
                             m_articleModel->index(row - 1, lastColumn));
            start = -1;
        }
    }
    QItemSelectionModel* model = m_articleView->selectionModel();
    model->select(selection, QItemSelectionModel::ClearAndSelect);
    if (CArticle* current = rows.Current(); current != nullptr) {
        const int row = m_articleModel->RowOf(current);
        if (row >= 0)
            model->setCurrentIndex(m_articleModel->index(row, 0), QItemSelectionModel::NoUpdate);
    }
    m_syncingSelection = false;
    UpdateActions();
}

void CMainWindow::ScrollToRow(int row) {
    if (row < 0 || row >= m_articleModel->rowCount()) return;
    m_articleView->scrollTo(m_articleModel->index(row, 0), QAbstractItemView::EnsureVisible);
}

void CMainWindow::RunCommand(int command) {
    if (m_model == nullptr || m_model->Ended()) return;
    m_model->Execute(command);
    // A command changes what the others allow (a grab makes Cancel possible, New empties
    // the list); the toolbar must not wait for the next idle check to show it.
    UpdateActions();
}

void CMainWindow::OnGroupsChanged() {
    if (m_groupModel == nullptr) return;
    const int current = m_groupView->currentIndex().row();
    m_groupModel->Refresh();
    // The selected row survives a rebuild (the model keeps its index too).
    if (current >= 0 && current < m_groupModel->rowCount()) {
        QSignalBlocker block(m_groupView->selectionModel());
        m_groupView->selectRow(current);
    }
}

void CMainWindow::OnFieldsChanged() {
    if (m_model == nullptr || m_savePath == nullptr) return;
    const QString path = QString::fromStdString(m_model->SavePathField());
    // Rewriting identical text would move the cursor under the user's fingers.
    if (m_savePath->text() != path) m_savePath->setText(path);
    QSignalBlocker block(m_threads);
    m_threads->setValue(m_model->ThreadsSlider());
}

void CMainWindow::OnPaneChanged(int pane, const std::string& text) {
    if (pane < 0 || pane >= CMainModel::kPaneCount) return;
    if (QLabel* label = m_panes[static_cast<std::size_t>(pane)]; label != nullptr)
        label->setText(QString::fromStdString(text));
}

void CMainWindow::OnThumbnailsTabEnabled(bool enabled) {
    if (m_tabs == nullptr) return;
    if (!enabled) m_tabs->setCurrentIndex(0);
    m_tabs->tabBar()->setEnabled(enabled);
}

void CMainWindow::OnWizardWorkFinished() {
    if (m_dialogs.wizardWorkFinished) m_dialogs.wizardWorkFinished();
}

void CMainWindow::OnEnded() {
    if (m_workerPoll != nullptr) m_workerPoll->stop();
    if (m_idleCheck != nullptr) m_idleCheck->stop();
    SavePlacementAndWidths();
    hide();
}

IMainView::EWizardResult CMainWindow::RunWizard(SWizardValues& values) {
    if (!m_dialogs.runWizard || m_model == nullptr) return EWizardResult::kUnavailable;
    return m_dialogs.runWizard(this, *m_model, values);
}

bool CMainWindow::RunOptions(CSetup& copy) {
    return m_dialogs.runOptions ? m_dialogs.runOptions(this, copy, m_app.Settings()) : false;
}

EAutoResult CMainWindow::RunAutoDialog(CAutoDialogModel& dialog) {
    return m_dialogs.runAuto ? m_dialogs.runAuto(this, dialog) : EAutoResult::kEscape;
}

void CMainWindow::RunFindDialog(CFindState& find) {
    if (m_dialogs.runFind && m_model != nullptr)
        m_dialogs.runFind(this, find, m_model->Rows(), m_app.Prompt());
}

bool CMainWindow::OpenBrowser() {
    if (!m_dialogs.openBrowser || m_model == nullptr) return false;
    return m_dialogs.openBrowser(this, *m_model);
}

void CMainWindow::RunImport() {
    if (m_dialogs.runImport) m_dialogs.runImport(this, m_app);
}

void CMainWindow::ShowHelp() {
    if (m_dialogs.showHelp) m_dialogs.showHelp(this);
}

void CMainWindow::ShowAbout() {
    if (m_dialogs.showAbout) return m_dialogs.showAbout(this);
    const QString home =
        QString::fromStdString(m_app.Settings().ReadString(kSectionData, kKeyHome, kDefaultHome));
    CAboutBox about(m_app, home, RunningToolkitVersion(), this);
    about.exec();
}

void CMainWindow::closeEvent(QCloseEvent* event) {
    // The window closes only when the model has ended; the close button asks it to.
    if (m_model != nullptr && !m_model->Ended()) {
        event->ignore();
        m_model->RequestClose();
        return;
    }
    event->accept();
}

void CMainWindow::keyPressEvent(QKeyEvent* event) {
    // Enter and Escape do nothing here: the window closes only through the close procedure.
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            event->accept();
            return;
        default:
            QMainWindow::keyPressEvent(event);
    }
}

}  // namespace corvane
