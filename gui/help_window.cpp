#include "gui/help_window.h"

#include <QFile>
#include <QPointer>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace corvane {
namespace {

constexpr const char* kManualResource = ":/help/manual.html";

// Whether any text of the block carries the named anchor.
bool BlockHasAnchor(const QTextBlock& block, const QString& name) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        if (it.fragment().charFormat().anchorNames().contains(name)) return true;
    }
    return false;
}

}  // namespace

QString ManualText() {
    QFile file(QString::fromUtf8(kManualResource));
    if (!file.open(QIODevice::ReadOnly)) return QStringLiteral("<p>The manual is missing.</p>");
    return QString::fromUtf8(file.readAll());
}

CHelpWindow::CHelpWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("helpWindow"));
    setWindowTitle(QStringLiteral("Corvane Help"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("helpBrowser"));
    // Links inside the manual move within it; nothing leaves the program.
    m_browser->setOpenExternalLinks(false);
    m_browser->setHtml(ManualText());
    layout->addWidget(m_browser);
    resize(640, 520);
}

bool CHelpWindow::GoToTopic(const std::string& topic) {
    const QString name = QString::fromStdString(topic);
    QTextDocument* document = m_browser->document();
    if (!name.isEmpty()) {
        for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
            if (!BlockHasAnchor(block, name)) continue;
            QTextCursor cursor(block);
            m_browser->setTextCursor(cursor);
            m_browser->scrollToAnchor(name);
            return true;
        }
    }
    m_browser->setTextCursor(QTextCursor(document));
    m_browser->verticalScrollBar()->setValue(0);
    return false;
}

void ShowHelp(QWidget* parent, const std::string& topic) {
    // The window without a parent belongs to the whole program.
    static QPointer<CHelpWindow> unowned;
    QWidget* owner = parent ? parent->window() : nullptr;
    CHelpWindow* window =
        owner ? owner->findChild<CHelpWindow*>(QString(), Qt::FindDirectChildrenOnly)
              : unowned.data();
    if (!window) {
        window = new CHelpWindow(owner);
        window->setAttribute(Qt::WA_DeleteOnClose);
        if (!owner) unowned = window;
    }
    window->show();
    window->raise();
    window->activateWindow();
    window->GoToTopic(topic);
}

}  // namespace corvane
