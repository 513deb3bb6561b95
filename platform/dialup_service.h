#pragma once
// The machine's remote-access service, the part that dials and hangs up dial-up networking
// entries. The dial-up layer (dialup/) decides when to use it; an implementation only passes
// the calls on. Every call but the state callback comes from the main thread; the callback
// comes from a thread of the service's own and must not be called after the connection it
// reports on has been hung up and the service destroyed.
//
// This build has no such service: LoadDialupService answers none, and the program then
// behaves as if every connection were direct. Tests drive the dial-up logic with a scripted
// fake (dialup/fake_dialup_service.h).
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace corvane {

// A connection of the service; 0 is no connection.
using DialupHandle = std::uintptr_t;
inline constexpr DialupHandle kNoDialupHandle = 0;

// The two states of a connection the program acts on; the service reports others while a
// dial is in progress, which are of no interest.
inline constexpr unsigned kDialStateConnected = 0x2000;
inline constexpr unsigned kDialStateDisconnected = 0x2001;

// The longest entry name and error text the service deals in.
inline constexpr std::size_t kDialupMaxText = 256;
// The most active connections one enumeration reports.
inline constexpr std::size_t kDialupMaxConnections = 20;

struct SDialupConnection {
    std::string entry;
    DialupHandle handle = kNoDialupHandle;
};

// What a dial needs: the entry and the parameters stored with it.
struct SDialParams {
    std::string entry;
    std::string phoneNumber;
    std::string callbackNumber;
    std::string user;
    std::string password;
    std::string domain;
};

// Called on the service's thread for every state change of a dial; error is the service's
// code for why a dial ended, 0 when it did not fail.
using DialStateCallback = std::function<void(unsigned state, long error)>;

class IDialupService {
public:
    virtual ~IDialupService() = default;

    // Fills `connections` with at most `maxCount` active connections; nonzero = failure.
    virtual int EnumConnections(std::vector<SDialupConnection>& connections,
                                std::size_t maxCount) = 0;
    // The state of one connection; nonzero = failure.
    virtual int GetConnectStatus(DialupHandle handle, unsigned& state) = 0;
    // Loads the parameters stored with params.entry into the other fields.
    virtual int GetEntryDialParams(SDialParams& params) = 0;
    // Starts a dial that reports through `callback`; 0 = started, with `handle` set, otherwise
    // the service's error code.
    virtual long Dial(const SDialParams& params, DialStateCallback callback,
                      DialupHandle& handle) = 0;
    virtual int HangUp(DialupHandle handle) = 0;
    // The service's text for an error code; nonzero = it has none.
    virtual int GetErrorString(long code, std::string& text) = 0;
};

// The service of this build: none.
inline std::unique_ptr<IDialupService> LoadDialupService() {
    return nullptr;
}

}  // namespace corvane
