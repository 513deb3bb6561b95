#pragma once
// "VINDLEMUTEX": the one lock that serialises every export in every process and thread.
// It is a robust, process-shared mutex in its own shared-memory region, so a process that
// dies holding it does not block the others: the next locker finds out, clears the pins the
// dead process left in the cache it was working on, and marks that cache as left mid-change
// when the dead process was writing (the check then reports the index as damaged).
#include <string>

namespace vindle {

class CNamedMutex {
public:
    static CNamedMutex& Instance();  // throws CBufferException kRegionFailed

    void Lock();
    void Unlock();
    bool TryLockFor(int milliseconds);  // for clean-up at process exit only

    // Records which cache the holder is working on, and whether it is changing the index, so
    // that a successor can repair the cache's bookkeeping if the holder dies.
    void SetActive(const std::string& regionName, bool writing);

    struct Segment;

private:
    CNamedMutex();
    void Recover();
    Segment* m_segment = nullptr;
};

}  // namespace vindle
