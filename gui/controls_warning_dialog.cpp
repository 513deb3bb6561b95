#include "gui/controls_warning_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>
#include <functional>

#include "app/startup_checks.h"

namespace corvane {

CControlsWarningDialog::CControlsWarningDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("controlsWarning");
    setWindowTitle(kControlsWarningTitle);
    auto* layout = new QVBoxLayout(this);
    auto* text = new QLabel(kControlsWarningText, this);
    text->setWordWrap(true);
    layout->addWidget(text);
    int index = 0;
    for (const char* address : kControlsWarningLinks) {
        auto* link = new QLabel(QString("<a href=\"%1\">%1</a>").arg(address), this);
        link->setObjectName(QString("warningLink%1").arg(index++));
        link->setTextFormat(Qt::RichText);
        link->setOpenExternalLinks(true);
        layout->addWidget(link);
    }
    m_dontShow = new QCheckBox(kDontShowAgainText, this);
    m_dontShow->setObjectName("dontShowAgain");
    m_dontShow->setChecked(false);
    layout->addWidget(m_dontShow);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

bool CControlsWarningDialog::DontShowAgain() const {
    return m_dontShow->isChecked();
}

bool RunControlsWarningIfDue(std::uint32_t packedVersion, ISettingsStore& settings,
                             const std::function<void(CControlsWarningDialog&)>& exec) {
    if (!ShouldShowControlsWarning(packedVersion, settings)) return false;
    CControlsWarningDialog dialog;
    if (exec) {
        exec(dialog);
    } else {
        dialog.exec();
    }
    RecordControlsWarningAnswer(dialog.DontShowAgain(), settings);
    return true;
}

}  // namespace corvane
