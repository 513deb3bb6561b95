#include "gui/setup_wizard.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "dialogs/options_sheet_model.h"
#include "gui/icons.h"
#include "resources/string_table.h"

namespace corvane {

namespace {

// The one wizard that is open: the main window forwards the end of its work here.
CSetupWizard* g_openWizard = nullptr;

// The list of newsgroups is one column this wide.
constexpr int kGroupColumnWidth = 380;
// How often the download page shows worker row 0 again while the list comes in.
constexpr int kWorkerPollMs = 200;

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// A page whose Next the wizard's model decides, so a running download holds it.
class CModelPage : public QWizardPage {
public:
    CModelPage(CSetupWizard& wizard, int index) : m_wizard(wizard), m_index(index) {}
    bool isComplete() const override { return m_wizard.PageComplete(m_index); }
    void Changed() { emit completeChanged(); }

private:
    CSetupWizard& m_wizard;
    int m_index;
};

}  // namespace

IMainView::EWizardResult RunSetupWizard(QWidget* parent, CMainModel& model, SWizardValues& values) {
    CSetupWizard wizard(parent, model);
    if (wizard.exec() != QDialog::Accepted) return IMainView::EWizardResult::kCancelled;
    values = wizard.Values();
    return IMainView::EWizardResult::kFinished;
}

void NotifyWizardWorkFinished() {
    if (g_openWizard != nullptr) g_openWizard->WorkFinished();
}

CSetupWizard::CSetupWizard(QWidget* parent, CMainModel& model)
    : QWizard(parent),
      m_model(model),
      m_wizard(model.App().Setup(), false),
      m_workerPoll(this),
      m_filterTimer(this) {
    setObjectName("setupWizard");
    setWindowTitle("Corvane Setup Wizard");
    setOption(QWizard::NoBackButtonOnStartPage, true);
    setButtonText(QWizard::FinishButton, "Done");
    BuildIntro();
    BuildConnection();
    BuildServer();
    BuildDownload();
    BuildSelect();
    BuildDone();
    connect(this, &QWizard::currentIdChanged, this, &CSetupWizard::OnPageChanged);
    g_openWizard = this;
}

CSetupWizard::~CSetupWizard() {
    if (g_openWizard == this) g_openWizard = nullptr;
}

QWizardPage* CSetupWizard::MakePage(const char* name, const char* title) {
    auto* page = new CModelPage(*this, static_cast<int>(pageIds().size()));
    page->setObjectName(name);
    page->setTitle(title);
    addPage(page);
    return page;
}

bool CSetupWizard::PageComplete(int page) const {
    return page != CWizardModel::kDownload || !m_wizard.Downloading();
}

void CSetupWizard::BuildIntro() {
    QWizardPage* page = MakePage("introPage", "Corvane Setup Wizard");
    auto* layout = new QVBoxLayout(page);
    auto* text = new QLabel(
        "This wizard asks for the few things Corvane needs to start: how you connect, your "
        "news server and your first newsgroup.",
        page);
    text->setWordWrap(true);
    layout->addWidget(text);
}

void CSetupWizard::BuildConnection() {
    QWizardPage* page = MakePage("connectionPage", "Connection Details");
    auto* layout = new QVBoxLayout(page);
    auto* direct = new QCheckBox("Connect using direct connection", page);
    direct->setObjectName("directConnection");
    direct->setChecked(m_wizard.DirectConnection());
    auto* entry = new QComboBox(page);
    entry->setObjectName("dialupEntry");
    for (const auto& name : m_wizard.DialupEntries()) entry->addItem(Q(name));
    entry->setCurrentIndex(-1);
    direct->setEnabled(m_wizard.DialupControlsEnabled());
    entry->setEnabled(m_wizard.DialupControlsEnabled());
    layout->addWidget(direct);
    layout->addWidget(entry);
    connect(direct, &QCheckBox::toggled, this,
            [this](bool on) { m_wizard.SetDirectConnection(on); });
    connect(entry, &QComboBox::currentTextChanged, this,
            [this](const QString& text) { m_wizard.SetDialUpEntry(text.toStdString()); });
}

void CSetupWizard::BuildServer() {
    QWizardPage* page = MakePage("serverPage", "Server Details");
    auto* form = new QFormLayout(page);
    const SWizardValues& v = m_wizard.Values();
    auto* server = new QLineEdit(Q(v.server), page);
    server->setObjectName("newsServer");
    form->addRow("News Server", server);
    auto* login = new QCheckBox("Requires Login", page);
    login->setObjectName("requiresLogin");
    login->setChecked(v.requiresLogin);
    form->addRow(login);
    m_user = new QLineEdit(Q(v.user), page);
    m_user->setObjectName("user");
    form->addRow("User", m_user);
    m_password = new QLineEdit(Q(v.password), page);
    m_password->setObjectName("password");
    m_password->setEchoMode(QLineEdit::Password);
    form->addRow("Password", m_password);
    auto* port = new QSpinBox(page);
    port->setObjectName("port");
    port->setRange(kPortSpinRange.low, kPortSpinRange.high);
    port->setValue(v.port);
    form->addRow("TCP Port", port);
    m_user->setEnabled(m_wizard.LoginFieldsEnabled());
    m_password->setEnabled(m_wizard.LoginFieldsEnabled());
    connect(server, &QLineEdit::textChanged, this,
            [this](const QString& t) { m_wizard.SetServer(t.toStdString()); });
    connect(m_user, &QLineEdit::textChanged, this,
            [this](const QString& t) { m_wizard.SetUser(t.toStdString()); });
    connect(m_password, &QLineEdit::textChanged, this,
            [this](const QString& t) { m_wizard.SetPassword(t.toStdString()); });
    connect(port, &QSpinBox::valueChanged, this, [this](int value) { m_wizard.SetPort(value); });
    connect(login, &QCheckBox::toggled, this, [this](bool on) {
        m_wizard.SetRequiresLogin(on);
        m_user->setEnabled(on);
        m_password->setEnabled(on);
    });
}

void CSetupWizard::BuildDownload() {
    QWizardPage* page = MakePage("downloadPage", "Download Groups");
    auto* layout = new QVBoxLayout(page);
    auto* text = new QLabel(
        "Download the server's list of newsgroups to choose your first group from it, or go "
        "on and type the group's name.",
        page);
    text->setWordWrap(true);
    m_download = new QPushButton("Download", page);
    m_download->setObjectName("downloadButton");
    m_progress = new QProgressBar(page);
    m_progress->setObjectName("downloadProgress");
    m_progress->setRange(0, kProgressSteps);
    m_progress->setValue(0);
    m_status = new QLabel(page);
    m_status->setObjectName("downloadStatus");
    m_activity = new QLabel(page);
    m_activity->setObjectName("downloadActivity");
    m_activity->setFixedSize(icons::kSmall, icons::kSmall);
    auto* statusRow = new QHBoxLayout;
    statusRow->addWidget(m_activity);
    statusRow->addWidget(m_status, 1);
    layout->addWidget(text);
    layout->addWidget(m_download);
    layout->addWidget(m_progress);
    layout->addLayout(statusRow);
    connect(m_download, &QPushButton::clicked, this, &CSetupWizard::StartDownload);
    m_workerPoll.setInterval(kWorkerPollMs);
    connect(&m_workerPoll, &QTimer::timeout, this, &CSetupWizard::ShowWorkerRow);
}

void CSetupWizard::StartDownload() {
    const std::optional<SWizardValues> values = m_wizard.StartDownload();
    if (!values) return;
    ShowDownloadState();
    if (!m_model.QueueWizardGroupList(*values)) {
        // No connection could be had: nothing runs, so the page is free again.
        m_wizard.DownloadFinished();
        ShowDownloadState();
        return;
    }
    m_workerPoll.start();
}

void CSetupWizard::WorkFinished() {
    m_wizard.DownloadFinished();
    m_workerPoll.stop();
    ShowWorkerRow();
    ShowDownloadState();
}

void CSetupWizard::ShowWorkerRow() {
    const CWorkerDisplay::SState state = m_model.WorkerRow(0).State();
    m_status->setText(Q(state.status));
    m_progress->setValue(state.progress);
    if (m_activityImage != state.activityImage) {
        m_activityImage = state.activityImage;
        m_activity->setPixmap(
            icons::Activity(state.activityImage).pixmap(icons::kSmall, icons::kSmall));
    }
}

void CSetupWizard::ShowDownloadState() {
    m_download->setEnabled(m_wizard.DownloadButtonEnabled());
    static_cast<CModelPage*>(page(CWizardModel::kDownload))->Changed();
    // The wizard turns Back on again whenever the page changes state; it stays off meanwhile.
    if (currentId() == CWizardModel::kDownload)
        button(QWizard::BackButton)->setEnabled(m_wizard.CanGoBack());
}

void CSetupWizard::BuildSelect() {
    QWizardPage* page = MakePage("selectPage", "Select 1st News Group");
    auto* layout = new QVBoxLayout(page);
    m_filter = new QLineEdit(page);
    m_filter->setObjectName("groupFilter");
    m_groupList = new QTreeWidget(page);
    m_groupList->setObjectName("groupNames");
    m_groupList->setRootIsDecorated(false);
    m_groupList->setColumnCount(1);
    m_groupList->setHeaderLabels({ResourceString(kIdsColumnNewsGroup)});
    m_groupList->setColumnWidth(0, kGroupColumnWidth);
    m_group = new QLineEdit(page);
    m_group->setObjectName("groupName");
    layout->addWidget(m_filter);
    layout->addWidget(m_groupList);
    layout->addWidget(m_group);
    m_filterTimer.setObjectName("filterTimer");
    m_filterTimer.setSingleShot(true);
    m_filterTimer.setInterval(kFilterDelayMs);
    connect(m_filter, &QLineEdit::textChanged, this, [this] { m_filterTimer.start(); });
    connect(&m_filterTimer, &QTimer::timeout, this, [this] {
        m_wizard.ApplyFilter(m_filter->text().toStdString());
        FillGroupList();
    });
    connect(m_groupList, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item == nullptr) return;
        m_wizard.ChooseShownGroup(static_cast<std::size_t>(m_groupList->indexOfTopLevelItem(item)));
        m_group->setText(Q(m_wizard.Values().group));
    });
    connect(m_group, &QLineEdit::textChanged, this,
            [this](const QString& t) { m_wizard.SetGroup(t.toStdString()); });
}

void CSetupWizard::FillGroupList() {
    const QSignalBlocker block(m_groupList);
    m_groupList->clear();
    for (const auto& name : m_wizard.ShownGroups()) {
        m_groupList->addTopLevelItem(new QTreeWidgetItem({Q(name)}));
    }
}

void CSetupWizard::BuildDone() {
    QWizardPage* page = MakePage("donePage", "Done");
    auto* layout = new QVBoxLayout(page);
    auto* text = new QLabel("Press Done to start using Corvane with these settings.", page);
    text->setWordWrap(true);
    layout->addWidget(text);
}

void CSetupWizard::OnPageChanged(int id) {
    while (m_wizard.Page() > id && m_wizard.CanGoBack()) m_wizard.Back();
    if (id == CWizardModel::kSelectGroup) {
        m_wizard.SetGroupNames(m_model.NewsgroupNames());
        m_wizard.ApplyFilter(m_filter->text().toStdString());
        FillGroupList();
    }
}

bool CSetupWizard::validateCurrentPage() {
    if (const std::optional<int> refusal = m_wizard.Next()) {
        QMessageBox::information(this, "Corvane", ResourceString(*refusal));
        return false;
    }
    return true;
}

}  // namespace corvane
