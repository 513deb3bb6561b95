#pragma once
// A dial-up service that answers from a script, for the tests of the dial-up layer. The test
// sets what enumeration, status, dial and error-text calls answer, and later plays the
// service's state callback, on its own thread as the real service would. Every call is
// recorded. Thread-safe: the dial-up layer hangs up from the callback's thread.
#include <map>
#include <mutex>
#include <vector>

#include "platform/dialup_service.h"

namespace corvane {

class CFakeDialupService final : public IDialupService {
public:
    struct SStatus {
        int result = 0;
        unsigned state = kDialStateConnected;
    };

    // --- the script
    void SetEnumResult(int result);
    void AddConnection(const std::string& entry, DialupHandle handle, SStatus status);
    void SetStoredParams(SDialParams params);
    // What the next dials answer: 0 with this handle, or the error code.
    void SetDialAnswer(long error, DialupHandle handle);
    void SetErrorText(long code, std::string text);

    // Plays one state change of the running dial on a thread of its own and waits for it.
    void ReportFromServiceThread(unsigned state, long error);

    // --- what was asked
    int EnumCount() const;
    int DialCount() const;
    SDialParams LastDialParams() const;
    std::vector<DialupHandle> HungUp() const;

    // IDialupService
    int EnumConnections(std::vector<SDialupConnection>& connections, std::size_t maxCount) override;
    int GetConnectStatus(DialupHandle handle, unsigned& state) override;
    int GetEntryDialParams(SDialParams& params) override;
    long Dial(const SDialParams& params, DialStateCallback callback, DialupHandle& handle) override;
    int HangUp(DialupHandle handle) override;
    int GetErrorString(long code, std::string& text) override;

private:
    mutable std::mutex m_lock;
    int m_enumResult = 0;
    std::vector<SDialupConnection> m_connections;
    std::map<DialupHandle, SStatus> m_status;
    SDialParams m_stored;
    long m_dialError = 0;
    DialupHandle m_dialHandle = 1;
    std::map<long, std::string> m_errorTexts;
    DialStateCallback m_callback;

    int m_enumCount = 0;
    int m_dialCount = 0;
    SDialParams m_lastDial;
    std::vector<DialupHandle> m_hungUp;
};

}  // namespace corvane
