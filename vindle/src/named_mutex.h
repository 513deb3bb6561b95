#pragma once
// "VINDLEMUTEX": the one lock that serialises every export in every process and thread.
// It is a robust, process-shared mutex in its own shared-memory region, so a process that
// dies holding it does not block the others. What the dead holder left half-done in a cache
// is found and mended by the cache itself (CPageCache::BeginOperation), whichever process
// happens to take the mutex next.
namespace vindle {

class CNamedMutex {
public:
    static CNamedMutex& Instance();  // throws CBufferException kRegionFailed

    void Lock();
    void Unlock();
    bool TryLockFor(int milliseconds);  // for clean-up at process exit only

    struct Segment;

private:
    CNamedMutex();
    Segment* m_segment = nullptr;
};

}  // namespace vindle
