#include "page_cache.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "exceptions.h"

namespace vindle {

namespace {

constexpr uint32_t kControlMagic = 0x56434333;  // changes with the region layout
constexpr int kMaxProcesses = 64;
constexpr size_t kPathMax = 4096;
constexpr size_t kUndoHeader = 24;  // the fixed fields of a leaf page, its count among them

struct ProcessSlot {
    int32_t pid;
    uint32_t opens;
    uint64_t startTime;  // guards against a recycled process id
};

size_t Align(size_t v, size_t a) {
    return (v + a - 1) / a * a;
}

uint32_t HashSizeFor(uint32_t buffers) {
    uint32_t h = 16;
    while (h < buffers * 2u && h < (1u << 30)) h <<= 1;
    return h;
}

// Start time of a process in clock ticks since boot, 0 when it cannot be read.
uint64_t ProcessStartTime(pid_t pid) {
    char path[64];
    snprintf(path, sizeof path, "/proc/%d/stat", int(pid));
    FILE* f = fopen(path, "r");
    if (!f) return 0;
    char buf[1024];
    size_t n = fread(buf, 1, sizeof buf - 1, f);
    fclose(f);
    buf[n] = '\0';
    const char* p = strrchr(buf, ')');  // the command name may hold blanks and parentheses
    if (!p) return 0;
    // Fields after the name start with field 3 (state); the start time is field 22.
    int field = 2;
    for (; *p && field < 22; ++p)
        if (*p == ' ') ++field;
    return strtoull(p, nullptr, 10);
}

bool ProcessAlive(const ProcessSlot& slot) {
    if (slot.pid <= 0) return false;
    if (kill(slot.pid, 0) != 0 && errno != EPERM) return false;
    return slot.startTime == 0 || ProcessStartTime(slot.pid) == slot.startTime;
}

bool FullPread(int fd, uint8_t* buf, size_t len, off_t off) {
    while (len > 0) {
        ssize_t r = pread(fd, buf, len, off);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        buf += r;
        len -= size_t(r);
        off += r;
    }
    return true;
}

bool FullPwrite(int fd, const uint8_t* buf, size_t len, off_t off) {
    while (len > 0) {
        ssize_t r = pwrite(fd, buf, len, off);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        buf += r;
        len -= size_t(r);
        off += r;
    }
    return true;
}

bool FullPwritev(int fd, std::vector<struct iovec>& iov, off_t off) {
    size_t first = 0;
    while (first < iov.size()) {
        ssize_t r = pwritev(fd, &iov[first], int(iov.size() - first), off);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        off += r;
        while (first < iov.size() && size_t(r) >= iov[first].iov_len) {
            r -= ssize_t(iov[first].iov_len);
            ++first;
        }
        if (first < iov.size()) {
            iov[first].iov_base = static_cast<uint8_t*>(iov[first].iov_base) + r;
            iov[first].iov_len -= size_t(r);
        }
    }
    return true;
}

}  // namespace

struct CPageCache::Control {
    uint32_t magic;
    uint32_t pageSize;
    uint32_t bufferCount;
    uint32_t hashSize;
    uint32_t dirtyCount;
    int32_t lruHead;
    int32_t lruTail;
    uint32_t leftMidChange;  // a process died while changing the index: the check fails
    uint32_t operation;      // the export running now: 0 none, 1 reading, 2 writing
    // The image of the leaf that an add is rewriting in place, valid while it does so: a
    // process killed in the middle of moving records must not leave a torn record behind.
    uint32_t undoValid;
    uint32_t undoPage;
    uint32_t undoOffset;  // the saved bytes: the page header, and this stretch of the page
    uint32_t undoLength;
    uint64_t fileDev;
    uint64_t fileIno;
    ProcessSlot processes[kMaxProcesses];
    char path[kPathMax];
};

// Where each array lives in a region of n buffers: the per-buffer dirty flags, pin counts,
// valid flags, page numbers and recency links, the page-number hash, the buffers, and one
// page for the undo image.
struct CPageCache::Layout {
    size_t dirty, pins, valid, pageOf, lruNext, lruPrev, hashNext, hashHead, buffers, undo, total;

    Layout(uint32_t n, uint32_t pageSize, uint32_t hashSize) {
        size_t at = Align(sizeof(Control), 64);
        dirty = at;
        at = Align(at + n, 8);
        pins = at;
        at = Align(at + 4 * size_t(n), 8);
        valid = at;
        at = Align(at + n, 8);
        pageOf = at;
        at = Align(at + 4 * size_t(n), 8);
        lruNext = at;
        at = Align(at + 4 * size_t(n), 8);
        lruPrev = at;
        at = Align(at + 4 * size_t(n), 8);
        hashNext = at;
        at = Align(at + 4 * size_t(n), 8);
        hashHead = at;
        at = Align(at + 4 * size_t(hashSize), 4096);
        buffers = at;
        undo = at + size_t(n) * pageSize;
        total = undo + pageSize;
    }
};

// ---- CPage ----

CPage& CPage::operator=(CPage&& other) noexcept {
    if (this != &other) {
        if (m_cache) m_cache->Release(m_buffer, false);
        m_cache = other.m_cache;
        m_buffer = other.m_buffer;
        m_data = other.m_data;
        m_number = other.m_number;
        other.m_cache = nullptr;
    }
    return *this;
}

CPage::~CPage() {
    if (m_cache) m_cache->Release(m_buffer, false);
}

void CPage::MarkDirty() {
    m_cache->MarkDirty(m_buffer);
}

void CPage::Release() {
    CPageCache* cache = m_cache;
    m_cache = nullptr;
    if (cache) cache->Release(m_buffer, true);
}

// ---- region attach and bookkeeping ----

CPageCache::~CPageCache() {
    if (m_fd >= 0) close(m_fd);
}

CPageCache::Control* CPageCache::Ctl() const {
    return reinterpret_cast<Control*>(m_region.Data());
}

void CPageCache::AttachOrCreateRegion(const std::string& canonical) {
    for (int round = 0; round < 4; ++round) {
        std::string name = RegionNameForPath(canonical, round);
        if (m_region.Attach(name)) {
            auto* c = reinterpret_cast<Control*>(m_region.Data());
            bool sane = m_region.Size() >= sizeof(Control) && c->magic == kControlMagic &&
                        c->bufferCount < (1u << 24) && c->hashSize == HashSizeFor(c->bufferCount) &&
                        Layout(c->bufferCount, c->pageSize, c->hashSize).total <= m_region.Size();
            if (sane && strncmp(c->path, canonical.c_str(), kPathMax) != 0) {
                m_region.Unmap();  // another file's cache under the same name
                continue;
            }
            bool anyAlive = false;
            if (sane)
                for (auto& s : c->processes) anyAlive |= s.pid != 0 && ProcessAlive(s);
            if (sane && c->pageSize == m_pageSize) {
                m_regionName = name;
                return;
            }
            if (sane && anyAlive) throw CBufferException{kRegionFailed};
            // Left behind by dead processes with another page size, or not ours: start over.
            m_region.Unmap();
            CSharedRegion::Unlink(name);
        }
        size_t hashSize = HashSizeFor(m_bufferCount);
        Layout lay(m_bufferCount, m_pageSize, uint32_t(hashSize));
        if (!m_region.Create(name, lay.total)) {
            if (errno == EEXIST) {
                --round;  // lost a race with an unlink; cannot happen under the mutex
                continue;
            }
            fprintf(stderr, "CreateFileMapping: %s\n", strerror(errno));
            throw CBufferException{kRegionFailed};
        }
        Control* c = Ctl();
        c->pageSize = m_pageSize;
        c->bufferCount = m_bufferCount;
        c->hashSize = uint32_t(hashSize);
        snprintf(c->path, kPathMax, "%s", canonical.c_str());
        auto* base = m_region.Data();
        auto* pageOf = reinterpret_cast<int32_t*>(base + lay.pageOf);
        auto* next = reinterpret_cast<int32_t*>(base + lay.lruNext);
        auto* prev = reinterpret_cast<int32_t*>(base + lay.lruPrev);
        auto* hashNext = reinterpret_cast<int32_t*>(base + lay.hashNext);
        auto* hashHead = reinterpret_cast<int32_t*>(base + lay.hashHead);
        for (uint32_t i = 0; i < m_bufferCount; ++i) {
            pageOf[i] = -1;
            next[i] = i + 1 < m_bufferCount ? int32_t(i + 1) : -1;
            prev[i] = int32_t(i) - 1;
            hashNext[i] = -1;
        }
        for (size_t i = 0; i < hashSize; ++i) hashHead[i] = -1;
        c->lruHead = m_bufferCount ? 0 : -1;
        c->lruTail = int32_t(m_bufferCount) - 1;
        c->magic = kControlMagic;
        m_regionName = name;
        return;
    }
    throw CBufferException{kRegionFailed};
}

void CPageCache::Open(const std::string& path, uint32_t pageSize, uint32_t bufferCount) {
    if (IsOpen()) throw CBufferException{kCacheOpenedTwice};
    m_pageSize = pageSize;
    m_bufferCount = std::min(bufferCount, (1u << 24) - 1);
    std::string canonical = CanonicalPath(path);
    AttachOrCreateRegion(canonical);
    // An existing region keeps the buffer count it was made with.
    Control* c = Ctl();
    m_bufferCount = c->bufferCount;
    m_hashSize = c->hashSize;
    Layout lay(m_bufferCount, m_pageSize, m_hashSize);
    uint8_t* base = m_region.Data();
    m_dirty = base + lay.dirty;
    m_pins = reinterpret_cast<int32_t*>(base + lay.pins);
    m_valid = base + lay.valid;
    m_pageOf = reinterpret_cast<int32_t*>(base + lay.pageOf);
    m_lruNext = reinterpret_cast<int32_t*>(base + lay.lruNext);
    m_lruPrev = reinterpret_cast<int32_t*>(base + lay.lruPrev);
    m_hashNext = reinterpret_cast<int32_t*>(base + lay.hashNext);
    m_hashHead = reinterpret_cast<int32_t*>(base + lay.hashHead);
    m_buffers = base + lay.buffers;
    m_undo = base + lay.undo;

    m_fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (m_fd < 0) {
        bool alone = true;
        for (auto& s : c->processes) alone &= !(s.pid != 0 && ProcessAlive(s));
        m_region.Unmap();
        if (alone) CSharedRegion::Unlink(m_regionName);
        throw CBufferException{kFileOpenFailed};
    }
    m_path = path;
    AdoptFile();
    Register();
}

// Runs at every open, under the mutex, when no operation is in progress anywhere: pins are
// therefore stale by definition. When the processes that shared the cache are all gone and
// the file is no longer the one they cached, their pages are forgotten; otherwise pages,
// dirty ones included, stay and reach the disk in the normal course.
void CPageCache::AdoptFile() {
    Control* c = Ctl();
    struct stat st;
    if (fstat(m_fd, &st) != 0) throw CBufferException{kFileOpenFailed};
    bool othersAlive = false;
    for (auto& s : c->processes) {
        if (s.pid == 0) continue;
        if (ProcessAlive(s))
            othersAlive = true;
        else
            s = ProcessSlot{};
    }
    if (c->operation != 0) RecoverFromDeadHolder();
    for (uint32_t i = 0; i < m_bufferCount; ++i) m_pins[i] = 0;
    bool sameFile = c->fileDev == uint64_t(st.st_dev) && c->fileIno == uint64_t(st.st_ino);
    if (!sameFile && c->fileIno != 0) {
        if (othersAlive) throw CBufferException{kRegionFailed};
        ForgetFile(m_path);
    }
    c->fileDev = uint64_t(st.st_dev);
    c->fileIno = uint64_t(st.st_ino);
}

void CPageCache::Register() {
    Control* c = Ctl();
    pid_t me = getpid();
    ProcessSlot* freeSlot = nullptr;
    for (auto& s : c->processes) {
        if (s.pid == me) {
            s.opens++;
            return;
        }
        if (s.pid == 0 && !freeSlot) freeSlot = &s;
    }
    if (freeSlot) *freeSlot = ProcessSlot{int32_t(me), 1, ProcessStartTime(me)};
}

void CPageCache::Unregister() {
    Control* c = Ctl();
    pid_t me = getpid();
    for (auto& s : c->processes)
        if (s.pid == me && --s.opens == 0) s = ProcessSlot{};
}

void CPageCache::Close() {
    if (!IsOpen()) return;
    if (Ctl()->operation != 0) RecoverFromDeadHolder();
    FlushAll();
    Unregister();
    Control* c = Ctl();
    bool anyAlive = false;
    for (auto& s : c->processes) {
        if (s.pid == 0) continue;
        if (ProcessAlive(s))
            anyAlive = true;
        else
            s = ProcessSlot{};
    }
    // The last one out removes the region, unless it must still tell the next opener that
    // the index was left in the middle of a change.
    bool remove = !anyAlive && !c->leftMidChange;
    m_region.Unmap();
    if (remove) CSharedRegion::Unlink(m_regionName);
    close(m_fd);
    m_fd = -1;
}

void CPageCache::ForgetFile(const std::string& path) {
    std::string canonical = CanonicalPath(path);
    for (int round = 0; round < 4; ++round) {
        CSharedRegion r;
        if (!r.Attach(RegionNameForPath(canonical, round))) return;
        auto* c = reinterpret_cast<Control*>(r.Data());
        if (r.Size() < sizeof(Control) || c->magic != kControlMagic) return;
        if (strncmp(c->path, canonical.c_str(), kPathMax) != 0) continue;
        Layout lay(c->bufferCount, c->pageSize, c->hashSize);
        if (lay.total > r.Size()) return;
        uint8_t* base = r.Data();
        memset(base + lay.dirty, 0, c->bufferCount);
        memset(base + lay.pins, 0, 4 * size_t(c->bufferCount));
        memset(base + lay.valid, 0, c->bufferCount);
        auto* pageOf = reinterpret_cast<int32_t*>(base + lay.pageOf);
        auto* hashNext = reinterpret_cast<int32_t*>(base + lay.hashNext);
        auto* hashHead = reinterpret_cast<int32_t*>(base + lay.hashHead);
        for (uint32_t i = 0; i < c->bufferCount; ++i) pageOf[i] = hashNext[i] = -1;
        for (uint32_t i = 0; i < c->hashSize; ++i) hashHead[i] = -1;
        c->dirtyCount = 0;
        c->leftMidChange = 0;
        c->operation = 0;
        c->undoValid = 0;
        return;
    }
}

void CPageCache::BeginOperation(bool writing) {
    if (Ctl()->operation != 0) RecoverFromDeadHolder();
    __atomic_store_n(&Ctl()->operation, writing ? 2u : 1u, __ATOMIC_SEQ_CST);
}

void CPageCache::EndOperation() {
    __atomic_store_n(&Ctl()->operation, 0u, __ATOMIC_SEQ_CST);
}

void CPageCache::RecoverFromDeadHolder() {
    Control* c = Ctl();
    for (uint32_t i = 0; i < m_bufferCount; ++i) m_pins[i] = 0;
    if (c->undoValid && c->undoOffset <= m_pageSize &&
        c->undoLength <= m_pageSize - c->undoOffset) {
        int32_t b = Lookup(c->undoPage);
        if (b >= 0) {
            uint8_t* page = m_buffers + size_t(b) * m_pageSize;
            memcpy(page, m_undo, kUndoHeader);
            memcpy(page + c->undoOffset, m_undo + c->undoOffset, c->undoLength);
            MarkDirty(b);
        }
    }
    c->undoValid = 0;
    if (c->operation == 2) c->leftMidChange = 1;
    c->operation = 0;
}

void CPageCache::SaveUndo(const CPage& page, uint32_t offset, uint32_t length) {
    Control* c = Ctl();
    c->undoValid = 0;
    memcpy(m_undo, page.Data(), kUndoHeader);
    memcpy(m_undo + offset, page.Data() + offset, length);
    c->undoPage = page.Number();
    c->undoOffset = offset;
    c->undoLength = length;
    // Published only once the image is complete; the stores before must not move after it.
    __atomic_store_n(&c->undoValid, 1u, __ATOMIC_RELEASE);
}

void CPageCache::ClearUndo() {
    __atomic_store_n(&Ctl()->undoValid, 0u, __ATOMIC_RELEASE);
}

bool CPageCache::LeftMidChange() const {
    return Ctl()->leftMidChange != 0;
}

uint64_t CPageCache::FilePages() const {
    struct stat st;
    if (fstat(m_fd, &st) != 0) throw CBufferException{kReadFailed};
    return uint64_t(st.st_size) / m_pageSize;
}

// ---- buffers ----

int32_t CPageCache::Lookup(uint32_t pageNumber) const {
    for (int32_t b = m_hashHead[pageNumber & (m_hashSize - 1)]; b >= 0; b = m_hashNext[b])
        if (m_valid[b] && m_pageOf[b] == int32_t(pageNumber)) return b;
    return -1;
}

void CPageCache::HashInsert(int32_t b) {
    uint32_t h = uint32_t(m_pageOf[b]) & (m_hashSize - 1);
    m_hashNext[b] = m_hashHead[h];
    m_hashHead[h] = b;
}

void CPageCache::HashRemove(int32_t b) {
    uint32_t h = uint32_t(m_pageOf[b]) & (m_hashSize - 1);
    for (int32_t* link = &m_hashHead[h]; *link >= 0; link = &m_hashNext[*link]) {
        if (*link == b) {
            *link = m_hashNext[b];
            break;
        }
    }
    m_hashNext[b] = -1;
}

void CPageCache::Touch(int32_t b) {
    Control* c = Ctl();
    if (c->lruTail == b) return;
    int32_t p = m_lruPrev[b], n = m_lruNext[b];
    if (p >= 0)
        m_lruNext[p] = n;
    else
        c->lruHead = n;
    if (n >= 0) m_lruPrev[n] = p;
    m_lruPrev[b] = c->lruTail;
    m_lruNext[b] = -1;
    if (c->lruTail >= 0) m_lruNext[c->lruTail] = b;
    c->lruTail = b;
    if (c->lruHead < 0) c->lruHead = b;
}

int32_t CPageCache::PickVictim() const {
    uint32_t steps = 0;
    for (int32_t b = Ctl()->lruHead; b >= 0 && steps <= m_bufferCount; b = m_lruNext[b], ++steps)
        if (m_pins[b] == 0) return b;
    return -1;
}

void CPageCache::WriteBuffer(int32_t b) {
    off_t off = off_t(uint32_t(m_pageOf[b])) * m_pageSize;
    if (!FullPwrite(m_fd, m_buffers + size_t(b) * m_pageSize, m_pageSize, off))
        throw CBufferException{kWriteFailed};
    m_dirty[b] = 0;
    Ctl()->dirtyCount--;
}

// The least recently used unpinned buffer, written out if dirty and emptied.
int32_t CPageCache::TakeBuffer() {
    int32_t b = PickVictim();
    if (b < 0) throw CBufferException{kAllPinned};
    if (m_dirty[b]) WriteBuffer(b);
    if (m_valid[b]) {
        HashRemove(b);
        m_pageOf[b] = -1;
        m_valid[b] = 0;
        m_pins[b] = 0;
    }
    return b;
}

void CPageCache::Install(int32_t b, uint32_t pageNumber) {
    m_pageOf[b] = int32_t(pageNumber);
    HashInsert(b);
    m_valid[b] = 1;
}

CPage CPageCache::Get(uint32_t pageNumber) {
    int32_t b = Lookup(pageNumber);
    if (b < 0) {
        b = TakeBuffer();
        uint8_t* data = m_buffers + size_t(b) * m_pageSize;
        if (!FullPread(m_fd, data, m_pageSize, off_t(pageNumber) * m_pageSize))
            throw CBufferException{kReadFailed};
        Install(b, pageNumber);
    }
    m_pins[b]++;
    Touch(b);
    return CPage(this, b, m_buffers + size_t(b) * m_pageSize, pageNumber);
}

void CPageCache::Release(int32_t b, bool strict) {
    if (m_pins[b] <= 0) {
        if (strict) throw CBufferException{kNotPinned};
        return;
    }
    m_pins[b]--;
}

void CPageCache::MarkDirty(int32_t b) {
    if (!m_dirty[b]) {
        m_dirty[b] = 1;
        Ctl()->dirtyCount++;
    }
}

// A new page goes to the file at once, and into a buffer as well, since the split that made
// it works on it next: a clean buffer, so reading it back would give the same bytes.
void CPageCache::WriteNewPage(uint32_t pageNumber, const uint8_t* bytes) {
    if (!FullPwrite(m_fd, bytes, m_pageSize, off_t(pageNumber) * m_pageSize))
        throw CBufferException{kWriteFailed};
    int32_t b = Lookup(pageNumber);  // an older image of this number must not shadow it
    if (b < 0) {
        if (PickVictim() < 0) return;  // every buffer pinned: the next get will say so
        b = TakeBuffer();
        Install(b, pageNumber);
        Touch(b);
    }
    memcpy(m_buffers + size_t(b) * m_pageSize, bytes, m_pageSize);
    if (m_dirty[b]) {
        m_dirty[b] = 0;
        Ctl()->dirtyCount--;
    }
}

void CPageCache::EndBatch() {
    m_batch = false;
    if (Ctl()->dirtyCount > m_bufferCount / 2) FlushAll();
}

void CPageCache::FlushAll() {
    if (m_batch || Ctl()->dirtyCount == 0) return;
    // In page order, and runs of consecutive pages in one write each.
    std::vector<std::pair<int32_t, int32_t>> dirty;
    for (uint32_t i = 0; i < m_bufferCount; ++i)
        if (m_dirty[i]) dirty.emplace_back(m_pageOf[i], int32_t(i));
    std::sort(dirty.begin(), dirty.end());
    std::vector<struct iovec> run;
    for (size_t i = 0; i < dirty.size();) {
        size_t j = i;
        run.clear();
        while (j < dirty.size() && run.size() < IOV_MAX &&
               dirty[j].first == dirty[i].first + int32_t(j - i)) {
            run.push_back({m_buffers + size_t(dirty[j].second) * m_pageSize, m_pageSize});
            ++j;
        }
        if (!FullPwritev(m_fd, run, off_t(uint32_t(dirty[i].first)) * m_pageSize))
            throw CBufferException{kWriteFailed};
        for (size_t k = i; k < j; ++k) m_dirty[dirty[k].second] = 0;
        i = j;
    }
    Ctl()->dirtyCount = 0;
}

}  // namespace vindle
