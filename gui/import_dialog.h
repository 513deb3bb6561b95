#pragma once
// The "Import File data" dialog and its "Importing..." progress window. The dialog only
// gathers the folder and the options; the walk over the folder, the counting and the messages
// are ImportFileData's. The progress window lets window messages run whenever the import asks
// whether the user cancelled, so its Cancel button works while the main thread is busy.
// Main thread only; the registry, prompt and settings belong to the caller.
#include <QDialog>
#include <functional>
#include <string>

#include "platform/prompt.h"
#include "platform/settings_store.h"
#include "store/file_import.h"
#include "store/file_registry.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QRadioButton;

namespace corvane {

class CImportProgressWindow : public QDialog, public IImportProgress {
    Q_OBJECT
public:
    // The bar has no known end, so it runs round this many steps.
    static constexpr int kBarSteps = 20;

    explicit CImportProgressWindow(QWidget* parent);

    void ShowText(std::string_view text) override;
    void ResetProgress() override;
    void StepProgress() override;
    bool Cancelled() override;

    bool WasCancelled() const { return m_cancelled; }

protected:
    void reject() override;

private:
    QLabel* m_text = nullptr;
    QProgressBar* m_bar = nullptr;
    bool m_cancelled = false;
};

class CImportDialog : public QDialog {
    Q_OBJECT
public:
    // Asks for a folder, starting at the given one; false when the user cancelled.
    using FolderChooser = std::function<bool(std::string& folder)>;

    // settings may be null: the path then starts at defaultPath and is not remembered.
    CImportDialog(QWidget* parent, IFileRegistry& registry, IPrompt& prompt,
                  ISettingsStore* settings, const std::string& defaultPath);

    // Tests and other front ends replace the system folder dialog.
    void SetFolderChooser(FolderChooser chooser) { m_chooser = std::move(chooser); }
    // The count the last import reported (cancelled imports included), -1 before any.
    int LastCount() const { return m_lastCount; }

private:
    void Browse();
    void Import();
    SImportOptions Options() const;

    IFileRegistry& m_registry;
    IPrompt& m_prompt;
    ISettingsStore* m_settings;
    FolderChooser m_chooser;
    QLineEdit* m_path = nullptr;
    QCheckBox* m_subdirectories = nullptr;
    QRadioButton* m_imagesOnly = nullptr;
    QRadioButton* m_allFiles = nullptr;
    int m_lastCount = -1;
};

// The Import Downloaded File data command: the dialog, and on OK the import with its progress
// window and the count in a message. defaultPath is the folder offered when none is stored;
// empty means the program's own folder.
void RunImportDialog(QWidget* parent, IFileRegistry& registry, IPrompt& prompt,
                     ISettingsStore* settings = nullptr, const std::string& defaultPath = {});

}  // namespace corvane
