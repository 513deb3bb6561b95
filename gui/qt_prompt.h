#pragma once
// The program's message boxes and setup-file dialogs as Qt dialogs: OK boxes and Yes/No
// questions titled "Corvane", and the open and save dialogs for setup files. Each dialog can
// be replaced by a function (tests answer without anyone clicking); the replacement gets the
// same arguments the real dialog would have shown. Main thread only.
#include <QString>
#include <functional>
#include <string>

#include "platform/prompt.h"

class QWidget;

namespace corvane {

class CQtPrompt final : public IPrompt {
public:
    using MessageFn = std::function<void(const std::string& text)>;
    using QuestionFn = std::function<bool(const std::string& text)>;
    using FileFn = std::function<bool(EFileDialog kind, std::string& path)>;

    static constexpr const char* kTitle = "Corvane";
    static constexpr const char* kFilter = "Corvane Files (*.cvn);;All Files (*)";
    static constexpr const char* kDefaultSuffix = "cvn";

    explicit CQtPrompt(QWidget* parent = nullptr) : m_parent(parent) {}
    // The window the dialogs are modal to; it may be set once the window exists.
    void SetParent(QWidget* parent) { m_parent = parent; }

    void ShowMessage(const std::string& text) override;
    bool AskYesNo(const std::string& text) override;
    bool ChooseFile(EFileDialog kind, std::string& path) override;

    void SetMessageFn(MessageFn fn) { m_message = std::move(fn); }
    void SetQuestionFn(QuestionFn fn) { m_question = std::move(fn); }
    void SetFileFn(FileFn fn) { m_file = std::move(fn); }

private:
    QWidget* m_parent;
    MessageFn m_message;
    QuestionFn m_question;
    FileFn m_file;
};

}  // namespace corvane
