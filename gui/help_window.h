#pragma once
// The help window: the program's own manual in a text browser, opened at the top or at the
// heading of a topic. The manual is built into the program, so help works wherever the binary
// is. One window per top-level window, reused when asked again; it deletes itself when closed.
// Main thread only.
#include <QDialog>
#include <string>

class QTextBrowser;

namespace corvane {

class CHelpWindow : public QDialog {
    Q_OBJECT
public:
    explicit CHelpWindow(QWidget* parent);

    // Moves to the heading of the topic ("auto", "find", "options", "wizard", ...); an unknown
    // or empty topic shows the top. False when the manual has no such heading.
    bool GoToTopic(const std::string& topic);
    QTextBrowser* Browser() const { return m_browser; }

private:
    QTextBrowser* m_browser = nullptr;
};

// The manual's text as built into the program (HTML).
QString ManualText();

// Shows the help window over parent's window, raised and at the topic.
void ShowHelp(QWidget* parent, const std::string& topic = {});

}  // namespace corvane
