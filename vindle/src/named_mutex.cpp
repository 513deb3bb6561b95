#include "named_mutex.h"

#include <pthread.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "exceptions.h"
#include "shared_region.h"

namespace vindle {

namespace {
constexpr const char* kMutexName = "/VINDLEMUTEX";
constexpr uint32_t kSegmentMagic = 0x564d5803;  // changes whenever the segment layout does
}  // namespace

struct CNamedMutex::Segment {
    std::atomic<uint32_t> magic;
    pthread_mutex_t mutex;
};

static void SleepMs(int ms) {
    struct timespec ts = {ms / 1000, (ms % 1000) * 1000000L};
    nanosleep(&ts, nullptr);
}

static bool InitSegment(CNamedMutex::Segment* s) {
    pthread_mutexattr_t attr;
    if (pthread_mutexattr_init(&attr) != 0) return false;
    bool ok = pthread_mutexattr_setpshared(&attr, PTHREAD_PROCESS_SHARED) == 0 &&
              pthread_mutexattr_setrobust(&attr, PTHREAD_MUTEX_ROBUST) == 0 &&
              pthread_mutex_init(&s->mutex, &attr) == 0;
    pthread_mutexattr_destroy(&attr);
    if (ok) s->magic.store(kSegmentMagic, std::memory_order_release);
    return ok;
}

CNamedMutex& CNamedMutex::Instance() {
    static CNamedMutex instance;
    if (!instance.m_segment) throw CBufferException{kRegionFailed};
    return instance;
}

// The region outlives every process; it is created once per boot by whichever process loads
// the library first. A creator that died before finishing is detected by the missing magic
// and its half-made region is replaced.
CNamedMutex::CNamedMutex() {
    // Mapped for the life of the process, exit hooks included: never unmapped.
    static CSharedRegion& region = *new CSharedRegion;
    for (int attempt = 0; attempt < 400 && !m_segment; ++attempt) {
        if (region.Create(kMutexName, sizeof(Segment))) {
            auto* s = reinterpret_cast<Segment*>(region.Data());
            if (InitSegment(s)) m_segment = s;
            return;
        }
        if (errno != EEXIST) return;
        if (region.Attach(kMutexName) && region.Size() >= sizeof(Segment)) {
            auto* s = reinterpret_cast<Segment*>(region.Data());
            if (s->magic.load(std::memory_order_acquire) == kSegmentMagic) {
                m_segment = s;
                return;
            }
        }
        region.Unmap();
        if (attempt == 200) CSharedRegion::Unlink(kMutexName);  // abandoned or foreign layout
        SleepMs(5);
    }
}

void CNamedMutex::Lock() {
    int rc = pthread_mutex_lock(&m_segment->mutex);
    if (rc == EOWNERDEAD) {
        pthread_mutex_consistent(&m_segment->mutex);
    } else if (rc != 0) {
        throw CBufferException{kRegionFailed};
    }
}

bool CNamedMutex::TryLockFor(int milliseconds) {
    struct timespec deadline;
    clock_gettime(CLOCK_REALTIME, &deadline);
    deadline.tv_sec += milliseconds / 1000;
    deadline.tv_nsec += (milliseconds % 1000) * 1000000L;
    if (deadline.tv_nsec >= 1000000000L) {
        deadline.tv_sec++;
        deadline.tv_nsec -= 1000000000L;
    }
    int rc = pthread_mutex_timedlock(&m_segment->mutex, &deadline);
    if (rc == EOWNERDEAD) {
        pthread_mutex_consistent(&m_segment->mutex);
        return true;
    }
    return rc == 0;
}

void CNamedMutex::Unlock() {
    pthread_mutex_unlock(&m_segment->mutex);
}

}  // namespace vindle
