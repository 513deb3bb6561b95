#pragma once
// How the engine asks the user something or tells them about a failure: the message boxes of
// the program. The GUI implements it with dialogs, the headless front end answers with
// defaults and a log line, tests record what was shown. Called from the main thread only; the
// texts are copied by the callee if it keeps them.
#include <string>
#include <vector>

namespace corvane {

class IPrompt {
public:
    virtual ~IPrompt() = default;
    // An OK box: returns once the user has seen it.
    virtual void ShowMessage(const std::string& text) = 0;
    virtual bool AskYesNo(const std::string& text) = 0;
};

// Remembers every text shown and gives one fixed answer to every question, so a test can
// check what the user would have seen without anyone clicking.
class CRecordingPrompt : public IPrompt {
public:
    explicit CRecordingPrompt(bool answer = false) : m_answer(answer) {}

    void ShowMessage(const std::string& text) override { m_messages.push_back(text); }
    bool AskYesNo(const std::string& text) override {
        m_questions.push_back(text);
        return m_answer;
    }

    const std::vector<std::string>& Messages() const { return m_messages; }
    const std::vector<std::string>& Questions() const { return m_questions; }
    void Clear() {
        m_messages.clear();
        m_questions.clear();
    }

private:
    bool m_answer;
    std::vector<std::string> m_messages;
    std::vector<std::string> m_questions;
};

}  // namespace corvane
