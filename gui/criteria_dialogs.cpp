#include "gui/criteria_dialogs.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "resources/string_table.h"

namespace corvane {

namespace {

constexpr int kActionCount = 7;
constexpr int kFieldCount = 8;
constexpr int kOperatorCount = 16;

// The combos list the codes in order, so a row is its code; -1 shows nothing chosen.
QComboBox* CodeCombo(QWidget* parent, const char* name, int count,
                     std::string_view (*text)(std::int32_t), int current) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(name);
    for (int code = 0; code < count; ++code) {
        const std::string_view t = text(code);
        combo->addItem(QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size())));
    }
    combo->setCurrentIndex(current >= 0 && current < count ? current : -1);
    return combo;
}

QDialogButtonBox* OkCancel(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    buttons->setObjectName("buttons");
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

}  // namespace

CCriteriaGroupDialog::CCriteriaGroupDialog(QWidget* parent, const SCriteriaGroupInput& start)
    : QDialog(parent) {
    setObjectName("criteriaGroupDialog");
    setWindowTitle("Criteria Group");
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_name = new QLineEdit(QString::fromStdString(start.name), this);
    m_name->setObjectName("criteriaName");
    form->addRow(ResourceString(kIdsColumnCriteriaName), m_name);
    m_action =
        CodeCombo(this, "criteriaAction", kActionCount, &CCriteriaGroup::ActionText, start.action);
    form->addRow(ResourceString(kIdsColumnCriteriaAction), m_action);
    layout->addLayout(form);
    auto* logic = new QHBoxLayout;
    m_and = new QRadioButton(QString::fromUtf8(LogicText(CCriteriaGroup::kLogicAnd).data()), this);
    m_and->setObjectName("logicAnd");
    m_or = new QRadioButton(QString::fromUtf8(LogicText(CCriteriaGroup::kLogicOr).data()), this);
    m_or->setObjectName("logicOr");
    m_and->setChecked(start.logic == CCriteriaGroup::kLogicAnd);
    m_or->setChecked(start.logic == CCriteriaGroup::kLogicOr);
    logic->addWidget(m_and);
    logic->addWidget(m_or);
    layout->addLayout(logic);
    layout->addWidget(OkCancel(this));
}

SCriteriaGroupInput CCriteriaGroupDialog::Values() const {
    SCriteriaGroupInput values;
    values.name = m_name->text().toStdString();
    values.action = m_action->currentIndex();
    values.logic = m_and->isChecked()  ? CCriteriaGroup::kLogicAnd
                   : m_or->isChecked() ? CCriteriaGroup::kLogicOr
                                       : -1;
    return values;
}

void CCriteriaGroupDialog::accept() {
    if (CriteriaGroupAcceptable(Values())) QDialog::accept();
}

CCriteriaDialog::CCriteriaDialog(QWidget* parent, const SConditionInput& start) : QDialog(parent) {
    setObjectName("criteriaDialog");
    setWindowTitle("Criteria Dialog");
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_field = CodeCombo(this, "criteriaField", kFieldCount, &CCriteria::FieldText, start.field);
    form->addRow(ResourceString(kIdsColumnField), m_field);
    m_operator =
        CodeCombo(this, "criteriaOperator", kOperatorCount, &CCriteria::OperatorText, start.op);
    form->addRow(ResourceString(kIdsColumnOperator), m_operator);
    m_value = new QLineEdit(QString::fromStdString(start.value), this);
    m_value->setObjectName("criteriaValue");
    form->addRow(ResourceString(kIdsColumnValue), m_value);
    layout->addLayout(form);
    layout->addWidget(OkCancel(this));
}

SConditionInput CCriteriaDialog::Values() const {
    return {m_field->currentIndex(), m_operator->currentIndex(), m_value->text().toStdString()};
}

void CCriteriaDialog::accept() {
    if (ConditionAcceptable(Values())) QDialog::accept();
}

}  // namespace corvane
