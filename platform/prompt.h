#pragma once
// How the engine asks the user something or tells them about a failure: the message boxes of
// the program. The GUI implements it with dialogs, the headless front end answers with
// defaults and a log line, tests record what was shown. Called from the main thread only; the
// texts are copied by the callee if it keeps them.
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace corvane {

class IPrompt {
public:
    virtual ~IPrompt() = default;
    // An OK box: returns once the user has seen it.
    virtual void ShowMessage(const std::string& text) = 0;
    virtual bool AskYesNo(const std::string& text) = 0;
    // A file dialog for setup files; false when the user cancelled. Without dialogs (the
    // headless front end) every choice is cancelled.
    enum class EFileDialog { kOpen, kSave };
    virtual bool ChooseFile(EFileDialog kind, std::string& path) {
        (void)kind;
        (void)path;
        return false;
    }
};

// Remembers every text shown and gives one fixed answer to every question, so a test can
// check what the user would have seen without anyone clicking.
class CRecordingPrompt : public IPrompt {
public:
    explicit CRecordingPrompt(bool answer = false) : m_answer(answer) {}

    void ShowMessage(const std::string& text) override { m_messages.push_back(text); }
    bool AskYesNo(const std::string& text) override {
        m_questions.push_back(text);
        if (m_whileAsking) m_whileAsking();
        return m_answer;
    }
    // Runs while each question is open, as time passes while a user makes up their mind.
    void SetWhileAsking(std::function<void()> action) { m_whileAsking = std::move(action); }

    // Each file dialog takes the next answer; an empty answer, or none left, is a cancel.
    void AddFileAnswer(std::string path) { m_fileAnswers.push_back(std::move(path)); }
    bool ChooseFile(EFileDialog kind, std::string& path) override {
        m_fileDialogs.push_back(kind);
        if (m_fileAnswers.empty()) return false;
        path = std::move(m_fileAnswers.front());
        m_fileAnswers.pop_front();
        return !path.empty();
    }
    void SetAnswer(bool answer) { m_answer = answer; }
    const std::vector<EFileDialog>& FileDialogs() const { return m_fileDialogs; }
    const std::vector<std::string>& Messages() const { return m_messages; }
    const std::vector<std::string>& Questions() const { return m_questions; }
    void Clear() {
        m_messages.clear();
        m_questions.clear();
    }

private:
    bool m_answer;
    std::function<void()> m_whileAsking;
    std::vector<std::string> m_messages;
    std::vector<std::string> m_questions;
    std::deque<std::string> m_fileAnswers;
    std::vector<EFileDialog> m_fileDialogs;
};

}  // namespace corvane
