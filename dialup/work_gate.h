#pragma once
// The three things the dial-up logic needs from the thread manager: hold new work back while a
// line is being dialled, let it go once the line is up, and give all work back when the line
// is lost. An interface so that tests can count the calls; CThreadManagerGate passes them on to
// the real manager. Main thread only.
#include "work/thread_manager.h"

namespace corvane {

class IWorkGate {
public:
    virtual ~IWorkGate() = default;
    virtual void Pause() = 0;
    virtual void Resume() = 0;
    // Every waiting item goes back to the main window and every running one is cancelled.
    virtual void RemoveAllWork() = 0;
};

class CThreadManagerGate final : public IWorkGate {
public:
    explicit CThreadManagerGate(CThreadManager& manager) : m_manager(manager) {}
    void Pause() override { m_manager.Pause(); }
    void Resume() override { m_manager.Resume(); }
    void RemoveAllWork() override { m_manager.RemoveItem(nullptr); }

private:
    CThreadManager& m_manager;
};

}  // namespace corvane
