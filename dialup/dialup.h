#pragma once
// The dial-up layer: makes sure the setup's dial-up entry is connected before network work is
// queued, dials it when needed, turns the service's state changes into UWM_DIALUP_STATE for the
// main window, and hangs the line up at the end when the setup asks for it.
//
// Owns the line state (connection handle, dialling, up, dialled by us), the last dial-up error
// text and the text of the status bar's connection pane. Everything is called on the main
// window's thread except the service's state callback, which runs on the service's thread and
// only sets the flags and the error text and posts one message; that is why those fields are
// atomics or behind a lock. It does not own the service, the window's queue or the prompt,
// which must outlive it; the service must report no more states once this object is gone.
#include <atomic>
#include <mutex>
#include <string>

#include "platform/dialup_service.h"
#include "platform/message_queue.h"
#include "platform/prompt.h"
#include "setup/setup.h"

namespace corvane {

class IWorkGate;

class CDialup {
public:
    // What EnsureConnection answers.
    static constexpr int kNoConnection = 0;
    static constexpr int kDialling = 1;
    static constexpr int kConnected = 2;

    // `service` may be null: without a service every connection counts as direct.
    CDialup(IDialupService* service, CMessageQueue& window, IPrompt& prompt);
    CDialup(const CDialup&) = delete;
    CDialup& operator=(const CDialup&) = delete;

    // Before a command makes a work item: 2 queue it, 1 a dial is under way (pause the
    // manager, then queue it), 0 make no item.
    int EnsureConnection(const CSetup& setup);
    // EnsureConnection with the pause done: true when the caller may queue its item.
    bool ReadyToQueue(const CSetup& setup, IWorkGate& gate);
    // Whether the setup's entry is connected now; remembers its connection when it is.
    bool IsDialupConnected(const CSetup& setup);
    // At the end of the work: ends the line if the setup asks for it, otherwise nothing.
    void HangUp(const CSetup& setup);
    // The main window's handling of UWM_DIALUP_STATE: `connected` is the message's pointer
    // value (1 connected, 0 lost).
    void OnDialupState(bool connected, IWorkGate& gate);

    // What the connection pane of the status bar shows; empty until something was shown.
    const std::string& StatusText() const { return m_status; }
    // Why the line was last lost, as the service put it.
    std::string LastErrorText() const;

    bool IsUp() const { return m_up.load(); }
    bool IsDialling() const { return m_dialling.load(); }
    bool DialledByUs() const { return m_dialledByUs.load(); }

private:
    static bool DialWanted(const CSetup& setup);
    // Looks for a connected connection of the entry; 2 found, -1 go on to dial, 0 give up.
    int TakeOverExisting(const std::string& entry);
    int Dial(const std::string& entry);
    void OnDialState(unsigned state, long error);
    // The service's text for an error code, or the program's own when it has none.
    std::string ErrorText(long code);
    void PostState(bool connected, bool fromServiceThread);

    IDialupService* const m_service;
    CMessageQueue& m_window;
    IPrompt& m_prompt;

    std::atomic<DialupHandle> m_connection{kNoDialupHandle};
    std::atomic<bool> m_dialling{false};
    std::atomic<bool> m_up{false};
    std::atomic<bool> m_dialledByUs{false};

    mutable std::mutex m_errorLock;
    std::string m_lastError;  // under m_errorLock

    std::string m_status;  // main thread only
};

}  // namespace corvane
