// The main window model's setup files: Save, Save As, Open, New, the load they share, and the
// two dialogs that replace or fill in the setup (Options and the setup wizard).
#include <ctime>

#include "app/main_model.h"
#include "app/settings_keys.h"
#include "setup/setup_file.h"

namespace corvane {

namespace {

constexpr const char* kSaveQuestion = "Do you want to save the current setup?";

// The download log's own name: the setup file's path up to its first "." and ".log".
std::string LogNameFor(const std::string& path) {
    return path.substr(0, path.find('.')) + ".log";
}

}  // namespace

bool CMainModel::WriteSetup(const std::string& path, bool direct) {
    // The store lends its article state to the file's contents for the write and takes the
    // same records back, so rows, work items and the view keep pointing at them.
    CSetupFileContents& document = m_app.Document();
    m_store.GiveTo(document);
    CSetupFile file(m_app.Prompt());
    const bool ok = direct ? file.SaveAs(document, path) : file.Save(document, path);
    m_store.TakeFrom(document);
    return ok;
}

void CMainModel::Save() {
    TakeSavePathField();
    std::string& fileName = m_app.Document().m_fileName;
    if (!fileName.empty()) {
        WriteSetup(fileName, false);
    } else {
        std::string path;
        if (m_app.Prompt().ChooseFile(IPrompt::EFileDialog::kSave, path)) {
            fileName = path;
            WriteSetup(path, true);
            ShowSavePathInModel();
        }
    }
    m_app.Settings().WriteString(kSectionData, kKeyLastFile, fileName);
}

void CMainModel::SaveAs() {
    std::string path;
    if (!m_app.Prompt().ChooseFile(IPrompt::EFileDialog::kSave, path)) return;
    TakeSavePathField();
    m_app.Document().m_fileName = path;
    WriteSetup(path, true);
}

void CMainModel::AskToSaveCurrent() {
    if (m_app.Prompt().AskYesNo(kSaveQuestion)) Save();
}

void CMainModel::Open() {
    AskToSaveCurrent();
    std::string path;
    if (!m_app.Prompt().ChooseFile(IPrompt::EFileDialog::kOpen, path)) return;
    m_app.Document().m_fileName = path;
    m_timers.KillTimer(2);
    Load(path);
    StartTimer(2, static_cast<std::int64_t>(m_app.Setup().m_autoSaveMinutes) * 60000);
}

void CMainModel::Load(const std::string& path) {
    m_manager.DisconnectIdle();
    ClearArticleState();
    m_app.Log().Clear();
    CSetupFileContents& document = m_app.Document();
    // A failed load leaves a default setup and no file name, so neither the automatic save
    // nor the save at exit can write over the file that could not be read: only a save to a
    // name the user chooses again can.
    CSetupFile(m_app.Prompt()).Load(document, path, static_cast<std::uint32_t>(std::time(nullptr)));
    m_store.SetSetup(m_app.Setup());
    m_store.TakeFrom(document);
    m_logName = LogNameFor(path);
    if (m_app.Setup().SavePath().empty()) m_app.Setup().SetSavePath(m_app.DefaultSavePath());
    m_savePath = m_app.Setup().SavePath();
    m_manager.SetThreadCount(std::clamp(m_app.Setup().m_threads, 0, kWorkerSlots));
    AfterSetupReplaced();
}

void CMainModel::New() {
    AskToSaveCurrent();
    m_manager.DisconnectIdle();
    ClearArticleState();
    m_app.Log().Clear();
    InstallSetup(std::make_unique<CSetup>());
    m_app.Document().m_fileName.clear();
    m_savePath = m_app.DefaultSavePath();
    m_app.Setup().SetSavePath(m_savePath);
    AfterSetupReplaced();
    if (m_app.Settings().ReadInt(kSectionData, kKeyWizard, kDefaultWizard) != 0) RunWizard();
}

void CMainModel::FollowNewsServer() {
    // Open shows its own messages (a repair, the fatal database message).
    if (!m_app.Newsgroups().Open(m_app.Setup().NewsServer())) {
        m_fatal = true;
        End();
    }
}

void CMainModel::InstallSetup(std::unique_ptr<CSetup> setup) {
    m_store.SetSetup(*setup);
    m_app.Document().m_setup = std::move(setup);
}

void CMainModel::ClearArticleState() {
    // A queued record is named by its work item, and a running job reads it: it leaves the
    // list now but lives until its item comes back.
    std::vector<CArticle*> queued;
    for (const auto& article : m_store.Articles()) {
        if (article->WorkItem() != nullptr) queued.push_back(article.get());
    }
    DiscardArticles(queued);
    m_store.Reset();
    m_queuedLines = 0;
    m_rows.Rebuild(m_store.Articles());
}

void CMainModel::AfterSetupReplaced() {
    FollowNewsServer();
    m_app.PublishSetup();
    m_view.OnFieldsChanged();
    m_view.OnGroupsChanged();
    m_rows.Rebuild(m_store.Articles());
}

void CMainModel::RunWizard() {
    m_wizardRunning = true;
    SWizardValues values;
    const IMainView::EWizardResult result = m_view.RunWizard(values);
    m_wizardRunning = false;
    ApplyWizard(result, values);
}

void CMainModel::ApplyWizard(IMainView::EWizardResult result, const SWizardValues& values) {
    if (result == IMainView::EWizardResult::kUnavailable) return;
    if (result == IMainView::EWizardResult::kFinished) {
        CSetup& setup = m_app.Setup();
        setup.SetNewsServer(values.server);
        setup.SetUser(values.user);
        setup.SetPassword(values.password);
        setup.m_requiresLogin = values.requiresLogin ? 1 : 0;
        setup.m_port = values.port;
        if (!values.group.empty()) {
            auto group = std::make_unique<CSetupGroup>();
            group->SetName(values.group);
            group->m_enabled = 1;
            group->m_type = CSetupGroup::kTypeAttachment;
            setup.m_groups.push_back(std::move(group));
        }
        FollowNewsServer();
        m_app.PublishSetup();
        m_view.OnGroupsChanged();
    } else {
        ClearArticleState();
        InstallSetup(std::make_unique<CSetup>());
        m_app.Document().m_fileName.clear();
        AfterSetupReplaced();
    }
}

void CMainModel::ApplyOptions(std::unique_ptr<CSetup> copy) {
    if (!copy) return;
    StartTimer(2, static_cast<std::int64_t>(copy->m_autoSaveMinutes) * 60000);
    InstallSetup(std::move(copy));
    FollowNewsServer();
    ApplyThumbnailsOption();
    m_app.PublishSetup();
    m_view.OnGroupsChanged();
}

}  // namespace corvane
