#include "gui/newsgroup_chooser.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QVBoxLayout>

#include "resources/string_table.h"

namespace corvane {

CGroupEditDialog::CGroupEditDialog(QWidget* parent, EMode mode, CNewsgroupChooserModel& model)
    : QDialog(parent), m_model(model) {
    Build(mode);
}

void CGroupEditDialog::Build(EMode mode) {
    setObjectName(mode == EMode::kAdd ? "newsgroupChooser" : "editGroupDialog");
    setWindowTitle(mode == EMode::kAdd ? "NewsGroup Edit Box" : "Edit Group");
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_name = new QLineEdit(QString::fromStdString(m_model.Name()), this);
    m_name->setObjectName("groupName");
    form->addRow(ResourceString(kIdsColumnNewsGroup), m_name);
    layout->addLayout(form);

    if (!m_model.Shown().empty()) {
        m_filter = new QLineEdit(this);
        m_filter->setObjectName("groupFilter");
        m_filter->setPlaceholderText("Filter");
        m_known = new QListWidget(this);
        m_known->setObjectName("knownGroups");
        const auto refill = [this] {
            m_known->clear();
            for (const auto& name : m_model.Shown()) m_known->addItem(QString::fromStdString(name));
        };
        refill();
        connect(m_filter, &QLineEdit::textChanged, this, [this, refill](const QString& text) {
            m_model.SetFilter(text.toStdString());
            refill();
        });
        connect(m_known, &QListWidget::currentRowChanged, this, [this](int row) {
            if (row < 0) return;
            m_model.Pick(static_cast<std::size_t>(row));
            m_name->setText(QString::fromStdString(m_model.Name()));
        });
        layout->addWidget(m_filter);
        layout->addWidget(m_known);
    }

    auto* types = new QHBoxLayout;
    m_text = new QRadioButton(ResourceString(kIdsGroupTypeText), this);
    m_text->setObjectName("typeText");
    m_attachment = new QRadioButton(ResourceString(kIdsGroupTypeAttachment), this);
    m_attachment->setObjectName("typeAttachment");
    (m_model.Type() == CSetupGroup::kTypeText ? m_text : m_attachment)->setChecked(true);
    types->addWidget(m_text);
    types->addWidget(m_attachment);
    layout->addLayout(types);

    auto* pathForm = new QFormLayout;
    m_path = new QLineEdit(QString::fromStdString(m_model.RelativePath()), this);
    m_path->setObjectName("relativePath");
    pathForm->addRow(ResourceString(kIdsColumnRelPath), m_path);
    layout->addLayout(pathForm);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName("buttons");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void CGroupEditDialog::TakeControls() {
    m_model.SetName(m_name->text().toStdString());
    m_model.SetType(m_text->isChecked() ? CSetupGroup::kTypeText : CSetupGroup::kTypeAttachment);
    m_model.SetRelativePath(m_path->text().toStdString());
}

void CGroupEditDialog::accept() {
    TakeControls();
    // A group without a name could never be collected; the dialog stays open.
    if (!m_model.CanAccept()) {
        m_name->setFocus();
        return;
    }
    QDialog::accept();
}

}  // namespace corvane
