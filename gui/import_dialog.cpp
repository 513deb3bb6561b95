#include "gui/import_dialog.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/settings_keys.h"

namespace corvane {
namespace {

QString FromStd(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

bool ChooseWithSystemDialog(QWidget* parent, std::string& folder) {
    const QString chosen = QFileDialog::getExistingDirectory(
        parent, QStringLiteral("Select Import Directory"), FromStd(folder));
    if (chosen.isEmpty()) return false;
    folder = chosen.toStdString();
    return true;
}

}  // namespace

CImportProgressWindow::CImportProgressWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("importProgress"));
    setWindowTitle(QStringLiteral("Importing..."));
    // Only Cancel may act while the import lets window messages run.
    setWindowModality(Qt::ApplicationModal);
    auto* layout = new QVBoxLayout(this);
    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("importProgressText"));
    m_text->setMinimumWidth(360);
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("importProgressBar"));
    m_bar->setRange(0, kBarSteps);
    m_bar->setTextVisible(false);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("importCancelButton"));
    layout->addWidget(m_text);
    layout->addWidget(m_bar);
    layout->addWidget(cancel, 0, Qt::AlignHCenter);
    connect(cancel, &QPushButton::clicked, this, [this] { m_cancelled = true; });
}

void CImportProgressWindow::ShowText(std::string_view text) {
    // The import's texts hold a tab between the caption and the folder.
    QString shown = FromStd(text);
    shown.replace(QLatin1Char('\t'), QLatin1Char(' '));
    m_text->setText(shown);
}

void CImportProgressWindow::ResetProgress() {
    m_bar->setValue(0);
}

void CImportProgressWindow::StepProgress() {
    m_bar->setValue(m_bar->value() >= kBarSteps ? 0 : m_bar->value() + 1);
}

bool CImportProgressWindow::Cancelled() {
    QCoreApplication::processEvents();
    return m_cancelled;
}

void CImportProgressWindow::reject() {
    // Escape or the close box cancel the import; the window closes when the import has ended.
    m_cancelled = true;
}

CImportDialog::CImportDialog(QWidget* parent, IFileRegistry& registry, IPrompt& prompt,
                             ISettingsStore* settings, const std::string& defaultPath)
    : QDialog(parent), m_registry(registry), m_prompt(prompt), m_settings(settings) {
    setObjectName(QStringLiteral("importDialog"));
    setWindowTitle(QStringLiteral("Import File data"));
    setModal(true);
    m_chooser = [this](std::string& folder) { return ChooseWithSystemDialog(this, folder); };

    const std::string start =
        m_settings ? m_settings->ReadString(kSectionData, kKeyBrowsePath, defaultPath)
                   : defaultPath;
    auto* layout = new QVBoxLayout(this);
    auto* pathRow = new QHBoxLayout;
    auto* pathLabel = new QLabel(QStringLiteral("Path"), this);
    m_path = new QLineEdit(FromStd(start), this);
    m_path->setObjectName(QStringLiteral("importPath"));
    m_path->setMinimumWidth(300);
    pathLabel->setBuddy(m_path);
    auto* browse = new QPushButton(QStringLiteral("Browse..."), this);
    browse->setObjectName(QStringLiteral("importBrowseButton"));
    browse->setAutoDefault(false);
    pathRow->addWidget(pathLabel);
    pathRow->addWidget(m_path, 1);
    pathRow->addWidget(browse);
    layout->addLayout(pathRow);

    m_subdirectories = new QCheckBox(QStringLiteral("Process subdirectories"), this);
    m_subdirectories->setObjectName(QStringLiteral("importSubdirectories"));
    m_subdirectories->setChecked(true);
    layout->addWidget(m_subdirectories);

    auto* files = new QGroupBox(QStringLiteral("Files"), this);
    auto* filesLayout = new QVBoxLayout(files);
    m_imagesOnly = new QRadioButton(QStringLiteral("Image Files only"), files);
    m_imagesOnly->setObjectName(QStringLiteral("importImagesOnly"));
    m_imagesOnly->setChecked(true);
    m_allFiles = new QRadioButton(QStringLiteral("All Files"), files);
    m_allFiles->setObjectName(QStringLiteral("importAllFiles"));
    filesLayout->addWidget(m_imagesOnly);
    filesLayout->addWidget(m_allFiles);
    layout->addWidget(files);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("importOkButton"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("importCancel"));
    layout->addWidget(buttons);

    connect(browse, &QPushButton::clicked, this, &CImportDialog::Browse);
    connect(buttons, &QDialogButtonBox::accepted, this, &CImportDialog::Import);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void CImportDialog::Browse() {
    std::string folder = m_path->text().toStdString();
    if (!m_chooser(folder)) return;
    m_path->setText(FromStd(folder));
    if (m_settings) m_settings->WriteString(kSectionData, kKeyBrowsePath, folder);
}

SImportOptions CImportDialog::Options() const {
    SImportOptions options;
    options.processSubdirectories = m_subdirectories->isChecked();
    options.allFiles = m_allFiles->isChecked();
    return options;
}

void CImportDialog::Import() {
    CImportProgressWindow progress(parentWidget() ? parentWidget() : this);
    progress.show();
    m_lastCount =
        ImportFileData(m_path->text().toStdString(), Options(), m_registry, progress, m_prompt);
    progress.hide();
    accept();
}

void RunImportDialog(QWidget* parent, IFileRegistry& registry, IPrompt& prompt,
                     ISettingsStore* settings, const std::string& defaultPath) {
    const std::string start =
        defaultPath.empty() ? QCoreApplication::applicationDirPath().toStdString() : defaultPath;
    CImportDialog dialog(parent, registry, prompt, settings, start);
    dialog.exec();
}

}  // namespace corvane
