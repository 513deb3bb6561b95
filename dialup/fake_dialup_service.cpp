#include "dialup/fake_dialup_service.h"

#include <thread>

namespace corvane {

void CFakeDialupService::SetEnumResult(int result) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_enumResult = result;
}

void CFakeDialupService::AddConnection(const std::string& entry, DialupHandle handle,
                                       SStatus status) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_connections.push_back({entry, handle});
    m_status[handle] = status;
}

void CFakeDialupService::SetStoredParams(SDialParams params) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_stored = std::move(params);
}

void CFakeDialupService::SetDialAnswer(long error, DialupHandle handle) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_dialError = error;
    m_dialHandle = handle;
}

void CFakeDialupService::SetErrorText(long code, std::string text) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_errorTexts[code] = std::move(text);
}

void CFakeDialupService::ReportFromServiceThread(unsigned state, long error) {
    DialStateCallback callback;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        callback = m_callback;
    }
    if (!callback) return;
    std::thread service([&] { callback(state, error); });
    service.join();
}

int CFakeDialupService::EnumCount() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_enumCount;
}

int CFakeDialupService::DialCount() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_dialCount;
}

SDialParams CFakeDialupService::LastDialParams() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_lastDial;
}

std::vector<DialupHandle> CFakeDialupService::HungUp() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_hungUp;
}

int CFakeDialupService::EnumConnections(std::vector<SDialupConnection>& connections,
                                        std::size_t maxCount) {
    std::lock_guard<std::mutex> guard(m_lock);
    ++m_enumCount;
    if (m_enumResult != 0) return m_enumResult;
    connections.clear();
    for (const SDialupConnection& c : m_connections) {
        if (connections.size() == maxCount) break;
        connections.push_back(c);
    }
    return 0;
}

int CFakeDialupService::GetConnectStatus(DialupHandle handle, unsigned& state) {
    std::lock_guard<std::mutex> guard(m_lock);
    const auto it = m_status.find(handle);
    if (it == m_status.end()) return 1;
    if (it->second.result == 0) state = it->second.state;
    return it->second.result;
}

int CFakeDialupService::GetEntryDialParams(SDialParams& params) {
    std::lock_guard<std::mutex> guard(m_lock);
    const std::string entry = params.entry;
    params = m_stored;
    params.entry = entry;
    return 0;
}

long CFakeDialupService::Dial(const SDialParams& params, DialStateCallback callback,
                              DialupHandle& handle) {
    std::lock_guard<std::mutex> guard(m_lock);
    ++m_dialCount;
    m_lastDial = params;
    if (m_dialError != 0) return m_dialError;
    m_callback = std::move(callback);
    handle = m_dialHandle;
    return 0;
}

int CFakeDialupService::HangUp(DialupHandle handle) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_hungUp.push_back(handle);
    return 0;
}

int CFakeDialupService::GetErrorString(long code, std::string& text) {
    std::lock_guard<std::mutex> guard(m_lock);
    const auto it = m_errorTexts.find(code);
    if (it == m_errorTexts.end()) return 1;
    text = it->second;
    return 0;
}

}  // namespace corvane
