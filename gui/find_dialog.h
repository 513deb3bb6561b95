#pragma once
// The "Find" dialog: a view over CFindState, which decides what matches, where the search
// stands and what the Find button reads. The dialog forwards each edit and press to the state
// and shows the button's label after it. Main thread only; the state, the rows and the prompt
// belong to the caller and must outlive the dialog.
#include <QDialog>

#include "app/find_state.h"
#include "platform/prompt.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace corvane {

class CFindDialog : public QDialog {
    Q_OBJECT
public:
    CFindDialog(QWidget* parent, CFindState& state, IFindRows& rows, IPrompt& prompt);

private:
    void ShowLabel();

    CFindState& m_state;
    IFindRows& m_rows;
    IPrompt& m_prompt;
    QLineEdit* m_text = nullptr;
    QCheckBox* m_matchCase = nullptr;
    QPushButton* m_find = nullptr;
};

// Runs the dialog modally over the article list.
void RunFindDialog(QWidget* parent, CFindState& state, IFindRows& rows, IPrompt& prompt);

}  // namespace corvane
