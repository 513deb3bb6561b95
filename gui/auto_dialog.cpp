#include "gui/auto_dialog.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "gui/help_window.h"

namespace corvane {
namespace {

QCheckBox* AddCheck(QWidget* parent, const char* text, const char* name) {
    auto* box = new QCheckBox(QString::fromUtf8(text), parent);
    box->setObjectName(QString::fromUtf8(name));
    return box;
}

QLineEdit* MakeTimeField(QWidget* parent, const char* name) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(QString::fromUtf8(name));
    field->setMaximumWidth(90);
    return field;
}

// A choice followed by its time field and the unit, on one line.
QHBoxLayout* TimeRow(QWidget* choice, QLineEdit* field, QWidget* parent) {
    auto* row = new QHBoxLayout;
    row->addWidget(choice);
    row->addWidget(field);
    row->addWidget(new QLabel(QStringLiteral("hrs"), parent));
    row->addStretch(1);
    return row;
}

QString FromStd(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

CAutoDialog::CAutoDialog(QWidget* parent, CAutoDialogModel& model)
    : QDialog(parent), m_model(model) {
    setObjectName(QStringLiteral("autoDialog"));
    setWindowTitle(QStringLiteral("Auto"));
    setModal(true);
    BuildControls();
    ShowModel();
}

void CAutoDialog::BuildControls() {
    auto* layout = new QVBoxLayout(this);
    m_hangUp = AddCheck(this, "Hang up when finished", "hangUpWhenFinished");
    layout->addWidget(m_hangUp);

    m_delayStart = AddCheck(this, "Delay start for", "delayStart");
    m_delayTime = MakeTimeField(this, "delayStartTime");
    layout->addLayout(TimeRow(m_delayStart, m_delayTime, this));

    auto* frame = new QGroupBox(QStringLiteral("Shut down"), this);
    frame->setObjectName(QStringLiteral("shutDownFrame"));
    auto* frameLayout = new QVBoxLayout(frame);
    m_shutDownAfter = new QRadioButton(QStringLiteral("Shut down after"), frame);
    m_shutDownAfter->setObjectName(QStringLiteral("shutDownAfter"));
    m_shutDownTime = MakeTimeField(frame, "shutDownAfterTime");
    frameLayout->addLayout(TimeRow(m_shutDownAfter, m_shutDownTime, frame));
    m_shutDownIdle = new QRadioButton(QStringLiteral("Shut down when idle"), frame);
    m_shutDownIdle->setObjectName(QStringLiteral("shutDownWhenIdle"));
    frameLayout->addWidget(m_shutDownIdle);
    layout->addWidget(frame);

    m_autoQueue = AddCheck(this, "Automatically queue articles from groups", "autoQueueArticles");
    m_articlesFirst =
        AddCheck(this, "Process articles before groups", "processArticlesBeforeGroups");
    m_hide = AddCheck(this, "Hide corvane while downloading", "hideWhileDownloading");
    m_queueOnEngage = AddCheck(this, "Queue everything on Engage", "queueEverythingOnEngage");
    for (QCheckBox* box : {m_autoQueue, m_articlesFirst, m_hide, m_queueOnEngage}) {
        layout->addWidget(box);
    }

    auto* buttons = new QHBoxLayout;
    auto* help = new QPushButton(QStringLiteral("Help"), this);
    help->setObjectName(QStringLiteral("helpButton"));
    help->setAutoDefault(false);
    auto* engage = new QPushButton(QStringLiteral("Engage"), this);
    engage->setObjectName(QStringLiteral("engageButton"));
    engage->setDefault(true);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("closeButton"));
    close->setAutoDefault(false);
    buttons->addWidget(help);
    buttons->addStretch(1);
    buttons->addWidget(engage);
    buttons->addWidget(close);
    layout->addLayout(buttons);

    connect(help, &QPushButton::clicked, this, [this] { ShowHelp(this, "auto"); });
    connect(engage, &QPushButton::clicked, this, [this] { Press(EAutoResult::kEngage); });
    connect(close, &QPushButton::clicked, this, [this] { Press(EAutoResult::kClose); });
}

void CAutoDialog::ShowModel() {
    const CAutoDialogModel::SControls& c = m_model.m_controls;
    m_hangUp->setChecked(c.hangUpWhenFinished);
    m_hangUp->setEnabled(m_model.HangUpEnabled());
    m_delayStart->setChecked(c.delayStart);
    m_delayTime->setText(FromStd(c.delayStartTime));
    // A stored mode other than 0 or 1 leaves both buttons unchosen.
    m_shutDownAfter->setChecked(c.shutDownMode == CSetup::kShutDownAfterTime);
    m_shutDownIdle->setChecked(c.shutDownMode == CSetup::kShutDownWhenIdle);
    m_shutDownTime->setText(FromStd(c.shutDownAfterTime));
    m_autoQueue->setChecked(c.autoQueueArticles);
    m_articlesFirst->setChecked(c.processArticlesBeforeGroups);
    m_hide->setChecked(c.hideWhileDownloading);
    m_hide->setEnabled(m_model.HideWhileDownloadingEnabled());
    m_queueOnEngage->setChecked(c.queueEverythingOnEngage);
}

void CAutoDialog::TakeControls() {
    CAutoDialogModel::SControls& c = m_model.m_controls;
    c.hangUpWhenFinished = m_hangUp->isChecked();
    c.delayStart = m_delayStart->isChecked();
    c.delayStartTime = m_delayTime->text().toStdString();
    if (m_shutDownAfter->isChecked()) c.shutDownMode = CSetup::kShutDownAfterTime;
    if (m_shutDownIdle->isChecked()) c.shutDownMode = CSetup::kShutDownWhenIdle;
    c.shutDownAfterTime = m_shutDownTime->text().toStdString();
    c.autoQueueArticles = m_autoQueue->isChecked();
    c.processArticlesBeforeGroups = m_articlesFirst->isChecked();
    c.hideWhileDownloading = m_hide->isChecked();
    c.queueEverythingOnEngage = m_queueOnEngage->isChecked();
}

QLineEdit* CAutoDialog::FieldFor(ETimeField field) const {
    return field == ETimeField::kDelayStart ? m_delayTime : m_shutDownTime;
}

void CAutoDialog::Press(EAutoResult button) {
    TakeControls();
    if (const std::optional<STimeFieldError> error = m_model.Press(button)) {
        QMessageBox::warning(this, windowTitle(), FromStd(std::string(error->message)));
        QLineEdit* field = FieldFor(error->field);
        field->setFocus(Qt::OtherFocusReason);
        field->selectAll();
        return;
    }
    done(button == EAutoResult::kEngage ? QDialog::Accepted : QDialog::Rejected);
}

void CAutoDialog::reject() {
    // Escape and the close box drop every edit; the model keeps the opened values.
    if (m_model.IsOpen()) m_model.Press(EAutoResult::kEscape);
    QDialog::reject();
}

EAutoResult CAutoDialog::Outcome() const {
    return m_model.Result().value_or(EAutoResult::kEscape);
}

EAutoResult RunAutoDialog(QWidget* parent, CAutoDialogModel& model) {
    CAutoDialog dialog(parent, model);
    dialog.exec();
    return dialog.Outcome();
}

}  // namespace corvane
