#include "gui/qt_prompt.h"

#include <QFileDialog>
#include <QMessageBox>

namespace corvane {

void CQtPrompt::ShowMessage(const std::string& text) {
    if (m_message) return m_message(text);
    QMessageBox::information(m_parent, kTitle, QString::fromStdString(text), QMessageBox::Ok);
}

bool CQtPrompt::AskYesNo(const std::string& text) {
    if (m_question) return m_question(text);
    return QMessageBox::question(m_parent, kTitle, QString::fromStdString(text),
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::Yes) == QMessageBox::Yes;
}

bool CQtPrompt::ChooseFile(EFileDialog kind, std::string& path) {
    if (m_file) return m_file(kind, path);
    QFileDialog dialog(m_parent, kTitle, QString::fromStdString(path), kFilter);
    dialog.setDefaultSuffix(kDefaultSuffix);
    if (kind == EFileDialog::kSave) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        // Qt asks before overwriting unless told not to; keep it explicit.
        dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    path = dialog.selectedFiles().front().toStdString();
    return !path.empty();
}

}  // namespace corvane
