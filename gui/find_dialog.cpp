#include "gui/find_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace corvane {
namespace {

QString FromView(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QPushButton* MakeButton(QWidget* parent, const char* text, const char* name) {
    auto* button = new QPushButton(QString::fromUtf8(text), parent);
    button->setObjectName(QString::fromUtf8(name));
    button->setAutoDefault(false);
    return button;
}

}  // namespace

CFindDialog::CFindDialog(QWidget* parent, CFindState& state, IFindRows& rows, IPrompt& prompt)
    : QDialog(parent), m_state(state), m_rows(rows), m_prompt(prompt) {
    setObjectName(QStringLiteral("findDialog"));
    setWindowTitle(QStringLiteral("Find"));
    setModal(true);

    auto* layout = new QGridLayout(this);
    auto* label = new QLabel(QStringLiteral("Find &Text:"), this);
    m_text = new QLineEdit(FromView(m_state.SearchText()), this);
    m_text->setObjectName(QStringLiteral("findText"));
    label->setBuddy(m_text);
    m_matchCase = new QCheckBox(QStringLiteral("Match &case"), this);
    m_matchCase->setObjectName(QStringLiteral("matchCase"));
    m_matchCase->setChecked(m_state.MatchCase());
    layout->addWidget(label, 0, 0);
    layout->addWidget(m_text, 0, 1);
    layout->addWidget(m_matchCase, 1, 0, 1, 2);

    m_find = MakeButton(this, "&Find", "findButton");
    // Return in the text field presses Find, the dialog's usual action.
    m_find->setDefault(true);
    auto* findAll = MakeButton(this, "Find &All", "findAllButton");
    auto* close = MakeButton(this, "&Close", "closeButton");
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_find);
    buttons->addWidget(findAll);
    buttons->addWidget(close);
    buttons->addStretch(1);
    layout->addLayout(buttons, 0, 2, 3, 1);

    connect(m_text, &QLineEdit::textEdited, this, [this](const QString& text) {
        m_state.SetSearchText(text.toStdString());
        ShowLabel();
    });
    connect(m_matchCase, &QCheckBox::toggled, this, [this](bool on) { m_state.SetMatchCase(on); });
    connect(m_find, &QPushButton::clicked, this, [this] {
        m_state.PressFind(m_rows);
        ShowLabel();
    });
    connect(findAll, &QPushButton::clicked, this, [this] {
        m_state.PressFindAll(m_rows, m_prompt);
        ShowLabel();
    });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    ShowLabel();
}

void CFindDialog::ShowLabel() {
    m_find->setText(FromView(m_state.ButtonLabel()));
}

void RunFindDialog(QWidget* parent, CFindState& state, IFindRows& rows, IPrompt& prompt) {
    CFindDialog dialog(parent, state, rows, prompt);
    dialog.exec();
}

}  // namespace corvane
