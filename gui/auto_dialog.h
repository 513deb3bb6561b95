#pragma once
// The "Auto" dialog: a view over CAutoDialogModel, which owns every value and the checking of
// the time fields. The dialog copies the model's controls into widgets when it opens and hands
// them back on Engage or Close; an "Invalid Time" refusal keeps it open with the field in
// error focused. Main thread only; it keeps no reference to the model past its own life.
#include <QDialog>

#include "app/auto_settings.h"

class QCheckBox;
class QLineEdit;
class QRadioButton;

namespace corvane {

class CAutoDialog : public QDialog {
    Q_OBJECT
public:
    CAutoDialog(QWidget* parent, CAutoDialogModel& model);

    // How the dialog closed: Escape (or the window's close box) until Engage or Close succeeds.
    EAutoResult Outcome() const;

protected:
    void reject() override;

private:
    void BuildControls();
    void ShowModel();
    void TakeControls();
    void Press(EAutoResult button);
    QLineEdit* FieldFor(ETimeField field) const;

    CAutoDialogModel& m_model;
    QCheckBox* m_hangUp = nullptr;
    QCheckBox* m_delayStart = nullptr;
    QLineEdit* m_delayTime = nullptr;
    QRadioButton* m_shutDownAfter = nullptr;
    QLineEdit* m_shutDownTime = nullptr;
    QRadioButton* m_shutDownIdle = nullptr;
    QCheckBox* m_autoQueue = nullptr;
    QCheckBox* m_articlesFirst = nullptr;
    QCheckBox* m_hide = nullptr;
    QCheckBox* m_queueOnEngage = nullptr;
};

// Runs the dialog modally and answers how it closed; the model holds the values to apply.
EAutoResult RunAutoDialog(QWidget* parent, CAutoDialogModel& model);

}  // namespace corvane
