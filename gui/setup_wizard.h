#pragma once
// The setup wizard: six pages over CWizardModel, from the introduction to "Done". The
// connection choice goes to the current setup as it changes; the server values and the first
// group are handed back through SWizardValues when the user presses "Done". The download page
// asks the main window model to fetch the server's group list and shows worker row 0 while it
// runs; the main window forwards the end of that work with NotifyWizardWorkFinished. A page
// the user may not leave yet shows its message and stays. Main thread only.
#include <QTimer>
#include <QWizard>

#include "app/main_model.h"
#include "dialogs/wizard_model.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTreeWidget;

namespace corvane {

IMainView::EWizardResult RunSetupWizard(QWidget* parent, CMainModel& model, SWizardValues& values);
// The group-list work the open wizard started has ended; nothing happens when no wizard is
// open.
void NotifyWizardWorkFinished();

class CSetupWizard : public QWizard {
    Q_OBJECT
public:
    // Milliseconds the group filter waits after the last keystroke before it applies.
    static constexpr int kFilterDelayMs = 2000;

    CSetupWizard(QWidget* parent, CMainModel& model);
    ~CSetupWizard() override;

    bool validateCurrentPage() override;
    SWizardValues Values() const { return m_wizard.Finish(); }
    void WorkFinished();
    bool PageComplete(int page) const;

private:
    QWizardPage* MakePage(const char* name, const char* title);
    void BuildIntro();
    void BuildConnection();
    void BuildServer();
    void BuildDownload();
    void BuildSelect();
    void BuildDone();
    void StartDownload();
    void ShowDownloadState();
    void ShowWorkerRow();
    void FillGroupList();
    void OnPageChanged(int id);

    CMainModel& m_model;
    CWizardModel m_wizard;
    QLineEdit* m_user = nullptr;
    QLineEdit* m_password = nullptr;
    QPushButton* m_download = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_status = nullptr;
    QLabel* m_activity = nullptr;
    int m_activityImage = -1;
    QTimer m_workerPoll;
    QTreeWidget* m_groupList = nullptr;
    QLineEdit* m_filter = nullptr;
    QLineEdit* m_group = nullptr;
    QTimer m_filterTimer;
};

}  // namespace corvane
