#pragma once
// The "NewsGroup Edit Box" (the Groups page's Add) and the "Edit Group" dialog: one window
// with a name edit, the "Text" / "Attachment" choice and a relative path, plus, when the
// program knows newsgroup names, a list to pick from with a filter above it. It is a view over
// CNewsgroupChooserModel, which keeps the values and decides whether OK may close. Main thread
// only; the caller reads the values back after exec().
#include <QDialog>

#include "dialogs/newsgroup_chooser_model.h"

class QLineEdit;
class QRadioButton;
class QListWidget;

namespace corvane {

class CGroupEditDialog : public QDialog {
    Q_OBJECT
public:
    enum class EMode { kAdd, kEdit };
    CGroupEditDialog(QWidget* parent, EMode mode, CNewsgroupChooserModel& model);

    void accept() override;

private:
    void Build(EMode mode);
    void TakeControls();

    CNewsgroupChooserModel& m_model;
    QLineEdit* m_name = nullptr;
    QLineEdit* m_filter = nullptr;
    QListWidget* m_known = nullptr;
    QRadioButton* m_text = nullptr;
    QRadioButton* m_attachment = nullptr;
    QLineEdit* m_path = nullptr;
};

}  // namespace corvane
