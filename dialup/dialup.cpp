#include "dialup/dialup.h"

#include <cstdio>
#include <vector>

#include "dialup/work_gate.h"
#include "resources/string_table.h"
#include "work/messages.h"

namespace corvane {

CDialup::CDialup(IDialupService* service, CMessageQueue& window, IPrompt& prompt)
    : m_service(service), m_window(window), m_prompt(prompt) {}

bool CDialup::DialWanted(const CSetup& setup) {
    return setup.m_directConnection == 0 && setup.m_connectIfNotConnected != 0;
}

int CDialup::EnsureConnection(const CSetup& setup) {
    if (m_dialling.load()) return kDialling;
    if (DialWanted(setup)) {
        // Once the line is held for up, the real line is not looked at again until a lost
        // line or a hang-up says otherwise.
        if (m_up.load()) return kConnected;
        if (m_service != nullptr) {
            std::string entry = setup.DialUpEntry();
            if (entry.size() > kDialupMaxText) entry.resize(kDialupMaxText);
            const int found = TakeOverExisting(entry);
            if (found >= 0) return found;
            return Dial(entry);
        }
    }
    // No dialling in use: the line counts as always there.
    if (!m_up.load()) m_status = ResourceString(kIdsDialupConnected);
    m_up.store(true);
    return kConnected;
}

int CDialup::TakeOverExisting(const std::string& entry) {
    std::vector<SDialupConnection> connections;
    if (m_service->EnumConnections(connections, kDialupMaxConnections) != 0) {
        m_prompt.ShowMessage(ResourceString(kIdsDialupEnumFailed));
        return kNoConnection;
    }
    // A service that reports more than it was asked for is not trusted beyond the limit.
    if (connections.size() > kDialupMaxConnections) connections.resize(kDialupMaxConnections);
    for (const SDialupConnection& connection : connections) {
        if (connection.entry != entry) continue;
        unsigned state = 0;
        if (m_service->GetConnectStatus(connection.handle, state) != 0) {
            // The state is unknown; dialling is the way to find out.
            m_prompt.ShowMessage(ResourceString(kIdsDialupStatusFailed));
            return -1;
        }
        if (state == kDialStateConnected) {
            // Taken over, not dialled: hang up when finished must leave it alone.
            m_connection.store(connection.handle);
            m_up.store(true);
            m_status = ResourceString(kIdsDialupConnected);
            return kConnected;
        }
        // A half-open connection of our entry would block the dial.
        m_service->HangUp(connection.handle);
    }
    return -1;
}

int CDialup::Dial(const std::string& entry) {
    SDialParams params;
    params.entry = entry;
    m_service->GetEntryDialParams(params);
    params.entry = entry;  // the service fills the rest; the entry stays ours
    m_connection.store(kNoDialupHandle);
    DialupHandle handle = kNoDialupHandle;
    const long error = m_service->Dial(
        params, [this](unsigned state, long code) { OnDialState(state, code); }, handle);
    if (error == 0) {
        m_connection.store(handle);
        m_status = ResourceString(kIdsDialupConnecting);
        m_dialling.store(true);
        m_up.store(true);
        return kDialling;
    }
    m_status = ErrorText(error);
    return kNoConnection;
}

bool CDialup::ReadyToQueue(const CSetup& setup, IWorkGate& gate) {
    const int answer = EnsureConnection(setup);
    if (answer == kDialling) gate.Pause();
    return answer != kNoConnection;
}

bool CDialup::IsDialupConnected(const CSetup& setup) {
    if (setup.m_directConnection != 0 || m_service == nullptr) return false;
    std::vector<SDialupConnection> connections;
    if (m_service->EnumConnections(connections, kDialupMaxConnections) != 0) return false;
    if (connections.size() > kDialupMaxConnections) connections.resize(kDialupMaxConnections);
    const std::string entry = setup.DialUpEntry();
    for (const SDialupConnection& connection : connections) {
        if (connection.entry != entry) continue;
        unsigned state = 0;
        if (m_service->GetConnectStatus(connection.handle, state) != 0) continue;
        if (state == kDialStateConnected) {
            m_connection.store(connection.handle);
            return true;
        }
    }
    return false;
}

void CDialup::HangUp(const CSetup& setup) {
    const DialupHandle handle = m_connection.load();
    const bool ours = m_dialledByUs.load() && setup.m_hangUpWhenFinished != 0;
    const bool anyKnown = handle != kNoDialupHandle && setup.m_autoHangUp != 0;
    if (!(ours || anyKnown) || m_service == nullptr) return;
    m_service->HangUp(handle);
    // The handle is dead now; keeping it could end an unrelated connection on a second call.
    m_connection.store(kNoDialupHandle);
    m_dialledByUs.store(false);
    m_up.store(false);
    m_dialling.store(false);
    PostState(false, false);
    m_status = ResourceString(kIdsDialupNotConnected);
}

void CDialup::OnDialupState(bool connected, IWorkGate& gate) {
    if (connected) {
        m_status = ResourceString(kIdsDialupConnected);
        gate.Resume();
    } else {
        gate.RemoveAllWork();
        m_status = LastErrorText();
    }
}

void CDialup::OnDialState(unsigned state, long error) {
    if (state == kDialStateConnected) {
        m_dialling.store(false);
        m_up.store(true);
        m_dialledByUs.store(true);
        PostState(true, true);
    } else if (state == kDialStateDisconnected) {
        std::string text = ErrorText(error);
        {
            std::lock_guard<std::mutex> guard(m_errorLock);
            m_lastError = std::move(text);
        }
        const DialupHandle handle = m_connection.exchange(kNoDialupHandle);
        if (handle != kNoDialupHandle) m_service->HangUp(handle);
        m_up.store(false);
        m_dialling.store(false);
        m_dialledByUs.store(false);
        PostState(false, true);
    }
}

std::string CDialup::ErrorText(long code) {
    std::string text;
    if (m_service->GetErrorString(code, text) == 0) {
        if (text.size() > kDialupMaxText) text.resize(kDialupMaxText);
        return text;
    }
    char buffer[kDialupMaxText];
    std::snprintf(buffer, sizeof buffer, ResourceString(kIdsDialupUndefinedError), code);
    return buffer;
}

std::string CDialup::LastErrorText() const {
    std::lock_guard<std::mutex> guard(m_errorLock);
    return m_lastError;
}

void CDialup::PostState(bool connected, bool fromServiceThread) {
    void* const value = reinterpret_cast<void*>(static_cast<intptr_t>(connected ? 1 : 0));
    // The service's thread may wait for room: a lost state change would leave the manager
    // paused or working on a dead line. The main thread must not wait on its own queue.
    if (fromServiceThread) {
        m_window.PostUntilAccepted(UWM_DIALUP_STATE, 0, value);
    } else {
        m_window.Post(UWM_DIALUP_STATE, 0, value);
    }
}

}  // namespace corvane
