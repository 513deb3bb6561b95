#pragma once
// The Criteria page's two small dialogs: "Criteria Group" (name, action, And/Or) and
// "Criteria Dialog" (field, operator, value). Each starts from the values it is given (nothing
// chosen for a new rule or condition) and closes on OK only when the options sheet's rules
// accept what is chosen; the caller reads Values() after exec(). Main thread only.
#include <QDialog>

#include "dialogs/options_sheet_model.h"

class QComboBox;
class QLineEdit;
class QRadioButton;

namespace corvane {

class CCriteriaGroupDialog : public QDialog {
    Q_OBJECT
public:
    CCriteriaGroupDialog(QWidget* parent, const SCriteriaGroupInput& start);
    SCriteriaGroupInput Values() const;
    void accept() override;

private:
    QLineEdit* m_name = nullptr;
    QComboBox* m_action = nullptr;
    QRadioButton* m_and = nullptr;
    QRadioButton* m_or = nullptr;
};

class CCriteriaDialog : public QDialog {
    Q_OBJECT
public:
    CCriteriaDialog(QWidget* parent, const SConditionInput& start);
    SConditionInput Values() const;
    void accept() override;

private:
    QComboBox* m_field = nullptr;
    QComboBox* m_operator = nullptr;
    QLineEdit* m_value = nullptr;
};

}  // namespace corvane
