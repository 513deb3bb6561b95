#include "gui/options_sheet.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "gui/criteria_dialogs.h"
#include "gui/icons.h"
#include "gui/newsgroup_chooser.h"
#include "resources/string_table.h"

namespace corvane {

namespace {

// The General page's check boxes, in the order of m_flags.
enum EFlag { kOverwrite, kCrossposts, kByNumber, kThumbnails, kFileDatabase, kLogDownloads };

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

QSpinBox* Spin(QWidget* parent, const char* name, SRange range, int value) {
    auto* spin = new QSpinBox(parent);
    spin->setObjectName(name);
    spin->setRange(range.low, range.high);
    spin->setValue(value);
    return spin;
}

QPushButton* Button(QWidget* parent, QLayout* row, const char* name, const char* text) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    row->addWidget(button);
    return button;
}

void FillRows(QTreeWidget* list, const std::vector<std::array<std::string, 3>>& rows) {
    list->clear();
    for (const auto& row : rows) {
        list->addTopLevelItem(new QTreeWidgetItem({Q(row[0]), Q(row[1]), Q(row[2])}));
    }
}

int Row(const QTreeWidget* list) {
    QTreeWidgetItem* item = list->currentItem();
    return item == nullptr ? -1 : list->indexOfTopLevelItem(item);
}

}  // namespace

bool RunOptionsSheet(QWidget* parent, CSetup& copy, ISettingsStore& settings) {
    COptionsSheet sheet(parent, copy, settings);
    return sheet.exec() == QDialog::Accepted;
}

COptionsSheet::COptionsSheet(QWidget* parent, CSetup& copy, ISettingsStore& settings)
    : QDialog(parent), m_model(copy, false), m_settings(settings) {
    setObjectName("optionsSheet");
    setWindowTitle(ResourceString(kIdsOptionsTitle));
    auto* layout = new QVBoxLayout(this);
    m_pages = new QTabWidget(this);
    m_pages->setObjectName("pages");
    m_pages->addTab(BuildGeneral(), "General");
    m_pages->addTab(BuildDialup(), "Dial Up");
    m_pages->addTab(BuildServer(), "Server");
    m_pages->addTab(BuildGroups(), "Groups");
    m_pages->addTab(BuildCriteria(), "Criteria");
    layout->addWidget(m_pages);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName("buttons");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

COptionsSheet::~COptionsSheet() {
    SaveColumnWidths();
}

QWidget* COptionsSheet::BuildGeneral() {
    auto* page = new QWidget;
    page->setObjectName("generalPage");
    auto* form = new QFormLayout(page);
    const SGeneralValues& g = m_model.General();
    const std::array<std::pair<const char*, const char*>, 6> flags = {{
        {"overwrite", "Overwrite existing files"},
        {"crosspostsOnce", "Collect crossposts once only"},
        {"byArticleNumber", "Collect articles by article number"},
        {"showThumbnails", "Show thumbnails"},
        {"useFileDatabase", "Use File name/Size database"},
        {"logDownloads", "Log downloads"},
    }};
    const std::array<bool, 6> values = {g.overwrite,      g.crosspostsOnce,  g.byArticleNumber,
                                        g.showThumbnails, g.useFileDatabase, g.logDownloads};
    for (std::size_t i = 0; i < flags.size(); ++i) {
        m_flags[i] = new QCheckBox(flags[i].second, page);
        m_flags[i]->setObjectName(flags[i].first);
        m_flags[i]->setChecked(values[i]);
        form->addRow(m_flags[i]);
    }
    m_giveUpLines = Spin(page, "giveUpLines", kGiveUpLinesRange, g.giveUpLines);
    form->addRow("Give up lines", m_giveUpLines);
    m_autoSave = Spin(page, "autoSaveMinutes", kAutoSaveMinutesRange, g.autoSaveMinutes);
    form->addRow("Auto save (minutes)", m_autoSave);
    m_timeOut = Spin(page, "timeOutMinutes", kTimeOutMinutesRange, g.timeOutMinutes);
    form->addRow("Time out (minutes)", m_timeOut);
    return page;
}

QWidget* COptionsSheet::BuildDialup() {
    auto* page = new QWidget;
    page->setObjectName("dialupPage");
    auto* layout = new QVBoxLayout(page);
    CSetup& copy = m_model.Copy();
    m_direct = new QCheckBox("Connect using direct connection", page);
    m_direct->setObjectName("directConnection");
    m_entry = new QComboBox(page);
    m_entry->setObjectName("dialupEntry");
    for (const auto& entry : m_model.DialupEntries()) m_entry->addItem(Q(entry));
    m_entry->setCurrentIndex(m_model.SelectedEntryRow());
    m_connectIfNot = new QCheckBox("Connect if not connected", page);
    m_connectIfNot->setObjectName("connectIfNotConnected");
    m_connectIfNot->setChecked(copy.m_connectIfNotConnected != 0);
    m_hangUp = new QCheckBox("Hang up when finished", page);
    m_hangUp->setObjectName("hangUpWhenFinished");
    m_hangUp->setChecked(copy.m_hangUpWhenFinished != 0);
    auto* redial = new QCheckBox("Redial if connection lost", page);
    redial->setObjectName("redial");
    redial->setEnabled(false);
    for (QWidget* w :
         std::initializer_list<QWidget*>{m_direct, m_entry, m_connectIfNot, m_hangUp, redial}) {
        layout->addWidget(w);
    }
    layout->addStretch();
    connect(m_direct, &QCheckBox::toggled, this, [this](bool on) {
        m_model.SetDirectConnection(on);
        ShowDialupState();
    });
    connect(m_entry, &QComboBox::currentTextChanged, this,
            [this](const QString& text) { m_model.SetDialUpEntry(text.toStdString()); });
    connect(m_connectIfNot, &QCheckBox::toggled, this,
            [this](bool on) { m_model.SetConnectIfNotConnected(on); });
    connect(m_hangUp, &QCheckBox::toggled, this,
            [this](bool on) { m_model.SetHangUpWhenFinished(on); });
    ShowDialupState();
    return page;
}

void COptionsSheet::ShowDialupState() {
    const QSignalBlocker block(m_direct);
    m_direct->setChecked(m_model.Copy().m_directConnection != 0);
    m_direct->setEnabled(m_model.DirectConnectionEnabled());
    const bool dial = m_model.DialupControlsEnabled();
    m_entry->setEnabled(dial);
    m_connectIfNot->setEnabled(dial);
    m_hangUp->setEnabled(dial);
}

QWidget* COptionsSheet::BuildServer() {
    auto* page = new QWidget;
    page->setObjectName("serverPage");
    auto* form = new QFormLayout(page);
    CSetup& copy = m_model.Copy();
    auto* server = new QLineEdit(Q(copy.NewsServer()), page);
    server->setObjectName("newsServer");
    form->addRow("News Server", server);
    auto* login = new QCheckBox("Requires Login", page);
    login->setObjectName("requiresLogin");
    login->setChecked(copy.m_requiresLogin != 0);
    form->addRow(login);
    m_user = new QLineEdit(Q(copy.User()), page);
    m_user->setObjectName("user");
    form->addRow("User", m_user);
    m_password = new QLineEdit(Q(copy.Password()), page);
    m_password->setObjectName("password");
    m_password->setEchoMode(QLineEdit::Password);
    form->addRow("Password", m_password);
    m_port = new QLineEdit(QString::number(m_model.Port()), page);
    m_port->setObjectName("port");
    form->addRow("TCP Port", m_port);
    m_user->setEnabled(m_model.LoginFieldsEnabled());
    m_password->setEnabled(m_model.LoginFieldsEnabled());
    connect(server, &QLineEdit::textChanged, this,
            [this](const QString& t) { m_model.SetNewsServer(t.toStdString()); });
    connect(m_user, &QLineEdit::textChanged, this,
            [this](const QString& t) { m_model.SetUser(t.toStdString()); });
    connect(m_password, &QLineEdit::textChanged, this,
            [this](const QString& t) { m_model.SetPassword(t.toStdString()); });
    connect(login, &QCheckBox::toggled, this, [this](bool on) {
        m_model.SetRequiresLogin(on);
        m_user->setEnabled(m_model.LoginFieldsEnabled());
        m_password->setEnabled(m_model.LoginFieldsEnabled());
    });
    return page;
}

QTreeWidget* COptionsSheet::MakeList(const char* name, const std::array<SSheetColumn, 3>& columns) {
    auto* list = new QTreeWidget;
    list->setObjectName(name);
    list->setRootIsDecorated(false);
    list->setColumnCount(3);
    QStringList titles;
    for (const auto& column : columns) titles << ResourceString(column.titleId);
    list->setHeaderLabels(titles);
    for (int i = 0; i < 3; ++i) {
        list->setColumnWidth(i,
                             ReadColumnWidth(m_settings, columns[static_cast<std::size_t>(i)].key));
    }
    return list;
}

void COptionsSheet::SaveColumnWidths() {
    const std::array<std::pair<QTreeWidget*, const std::array<SSheetColumn, 3>*>, 3> lists = {{
        {m_groups, &kSheetGroupColumns},
        {m_criteriaGroups, &kSheetCriteriaGroupColumns},
        {m_conditions, &kSheetConditionColumns},
    }};
    for (const auto& [list, columns] : lists) {
        for (int i = 0; i < 3; ++i) {
            WriteColumnWidth(m_settings, (*columns)[static_cast<std::size_t>(i)].key,
                             list->columnWidth(i));
        }
    }
}

QWidget* COptionsSheet::BuildGroups() {
    auto* page = new QWidget;
    page->setObjectName("groupsPage");
    auto* layout = new QVBoxLayout(page);
    m_groups = MakeList("groupList", kSheetGroupColumns);
    layout->addWidget(m_groups);
    auto* row = new QHBoxLayout;
    connect(Button(page, row, "groupAdd", "&Add"), &QPushButton::clicked, this,
            &COptionsSheet::AddGroup);
    connect(Button(page, row, "groupRemove", "&Remove"), &QPushButton::clicked, this, [this] {
        if (m_model.RemoveGroup(static_cast<std::size_t>(SelectedGroupRow()))) ShowGroups();
    });
    connect(Button(page, row, "groupEnable", "E&nable"), &QPushButton::clicked, this, [this] {
        if (m_model.SetGroupEnabled(static_cast<std::size_t>(SelectedGroupRow()), true))
            ShowGroups();
    });
    connect(Button(page, row, "groupDisable", "&Disable"), &QPushButton::clicked, this, [this] {
        if (m_model.SetGroupEnabled(static_cast<std::size_t>(SelectedGroupRow()), false))
            ShowGroups();
    });
    connect(Button(page, row, "groupEdit", "&Edit"), &QPushButton::clicked, this,
            &COptionsSheet::EditGroup);
    connect(m_groups, &QTreeWidget::itemDoubleClicked, this, &COptionsSheet::EditGroup);
    layout->addLayout(row);
    ShowGroups();
    return page;
}

int COptionsSheet::SelectedGroupRow() const {
    return Row(m_groups);
}

void COptionsSheet::ShowGroups() {
    const int keep = SelectedGroupRow();
    m_groups->clear();
    for (const SGroupRow& row : m_model.GroupRows()) {
        auto* item = new QTreeWidgetItem({Q(row.name), Q(row.status), Q(row.relativePath)});
        item->setIcon(0, icons::GroupType(row.type));
        item->setToolTip(0, QString::fromUtf8(GroupTypeText(row.type).data()));
        m_groups->addTopLevelItem(item);
    }
    if (keep >= 0 && keep < m_groups->topLevelItemCount())
        m_groups->setCurrentItem(m_groups->topLevelItem(keep));
}

void COptionsSheet::AddGroup() {
    CNewsgroupChooserModel chooser;
    CGroupEditDialog dialog(this, CGroupEditDialog::EMode::kAdd, chooser);
    if (dialog.exec() == QDialog::Accepted && chooser.Accept(m_model.Copy())) ShowGroups();
}

void COptionsSheet::EditGroup() {
    const int row = SelectedGroupRow();
    const std::optional<SGroupEdit> start = m_model.GroupForEdit(static_cast<std::size_t>(row));
    if (!start) return;
    CNewsgroupChooserModel values;
    values.SetName(start->name);
    values.SetType(start->type);
    values.SetRelativePath(start->relativePath);
    CGroupEditDialog dialog(this, CGroupEditDialog::EMode::kEdit, values);
    if (dialog.exec() != QDialog::Accepted) return;
    m_model.EditGroup(static_cast<std::size_t>(row),
                      {values.Name(), values.Type(), values.RelativePath()});
    ShowGroups();
}

QWidget* COptionsSheet::BuildCriteria() {
    auto* page = new QWidget;
    page->setObjectName("criteriaPage");
    auto* layout = new QVBoxLayout(page);
    m_criteriaGroups = MakeList("criteriaGroupList", kSheetCriteriaGroupColumns);
    layout->addWidget(m_criteriaGroups);
    auto* groupRow = new QHBoxLayout;
    connect(Button(page, groupRow, "criteriaGroupAdd", "&Add"), &QPushButton::clicked, this,
            &COptionsSheet::AddCriteriaGroup);
    connect(Button(page, groupRow, "criteriaGroupEdit", "&Edit"), &QPushButton::clicked, this,
            &COptionsSheet::EditCriteriaGroup);
    connect(Button(page, groupRow, "criteriaGroupRemove", "&Remove"), &QPushButton::clicked, this,
            [this] {
                if (m_model.RemoveCriteriaGroup(static_cast<std::size_t>(SelectedCriteriaGroup())))
                    ShowCriteriaGroups();
            });
    layout->addLayout(groupRow);
    m_conditions = MakeList("conditionList", kSheetConditionColumns);
    layout->addWidget(m_conditions);
    auto* conditionRow = new QHBoxLayout;
    connect(Button(page, conditionRow, "conditionAdd", "A&dd"), &QPushButton::clicked, this,
            &COptionsSheet::AddCondition);
    connect(Button(page, conditionRow, "conditionEdit", "Ed&it"), &QPushButton::clicked, this,
            &COptionsSheet::EditCondition);
    connect(Button(page, conditionRow, "conditionRemove", "Re&move"), &QPushButton::clicked, this,
            [this] {
                if (m_model.RemoveCondition(static_cast<std::size_t>(SelectedCriteriaGroup()),
                                            static_cast<std::size_t>(SelectedCondition())))
                    ShowConditions();
            });
    layout->addLayout(conditionRow);
    connect(m_criteriaGroups, &QTreeWidget::currentItemChanged, this, [this] { ShowConditions(); });
    ShowCriteriaGroups();
    return page;
}

int COptionsSheet::SelectedCriteriaGroup() const {
    return Row(m_criteriaGroups);
}

int COptionsSheet::SelectedCondition() const {
    return Row(m_conditions);
}

void COptionsSheet::ShowCriteriaGroups() {
    const int keep = SelectedCriteriaGroup();
    FillRows(m_criteriaGroups, m_model.CriteriaGroupRows());
    if (keep >= 0 && keep < m_criteriaGroups->topLevelItemCount())
        m_criteriaGroups->setCurrentItem(m_criteriaGroups->topLevelItem(keep));
    ShowConditions();
}

void COptionsSheet::ShowConditions() {
    const int group = SelectedCriteriaGroup();
    if (group < 0) {
        m_conditions->clear();
        return;
    }
    FillRows(m_conditions, m_model.ConditionRows(static_cast<std::size_t>(group)));
}

void COptionsSheet::AddCriteriaGroup() {
    CCriteriaGroupDialog dialog(this, {});
    if (dialog.exec() != QDialog::Accepted || !m_model.AddCriteriaGroup(dialog.Values())) return;
    ShowCriteriaGroups();
    m_criteriaGroups->setCurrentItem(
        m_criteriaGroups->topLevelItem(m_criteriaGroups->topLevelItemCount() - 1));
}

void COptionsSheet::EditCriteriaGroup() {
    const auto group = static_cast<std::size_t>(SelectedCriteriaGroup());
    const std::optional<SCriteriaGroupInput> start = m_model.CriteriaGroupForEdit(group);
    if (!start) return;
    CCriteriaGroupDialog dialog(this, *start);
    if (dialog.exec() == QDialog::Accepted && m_model.EditCriteriaGroup(group, dialog.Values()))
        ShowCriteriaGroups();
}

void COptionsSheet::AddCondition() {
    const auto group = static_cast<std::size_t>(SelectedCriteriaGroup());
    if (!m_model.CriteriaGroupForEdit(group)) return;  // a condition belongs to a rule
    CCriteriaDialog dialog(this, {});
    if (dialog.exec() == QDialog::Accepted && m_model.AddCondition(group, dialog.Values()))
        ShowConditions();
}

void COptionsSheet::EditCondition() {
    const auto group = static_cast<std::size_t>(SelectedCriteriaGroup());
    const auto row = static_cast<std::size_t>(SelectedCondition());
    const std::optional<SConditionInput> start = m_model.ConditionForEdit(group, row);
    if (!start) return;
    CCriteriaDialog dialog(this, *start);
    if (dialog.exec() == QDialog::Accepted && m_model.EditCondition(group, row, dialog.Values()))
        ShowConditions();
}

void COptionsSheet::accept() {
    if (const std::optional<std::string> refusal =
            m_model.SetPortText(m_port->text().toStdString())) {
        m_pages->setCurrentIndex(m_pages->indexOf(m_port->parentWidget()));
        QMessageBox::warning(this, "Corvane", Q(*refusal));
        m_port->setFocus();
        m_port->selectAll();
        return;
    }
    SGeneralValues g;
    g.overwrite = m_flags[kOverwrite]->isChecked();
    g.crosspostsOnce = m_flags[kCrossposts]->isChecked();
    g.byArticleNumber = m_flags[kByNumber]->isChecked();
    g.showThumbnails = m_flags[kThumbnails]->isChecked();
    g.useFileDatabase = m_flags[kFileDatabase]->isChecked();
    g.logDownloads = m_flags[kLogDownloads]->isChecked();
    g.giveUpLines = m_giveUpLines->value();
    g.autoSaveMinutes = m_autoSave->value();
    g.timeOutMinutes = m_timeOut->value();
    m_model.SetGeneral(g);
    m_model.Commit();
    QDialog::accept();
}

}  // namespace corvane
