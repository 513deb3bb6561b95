#pragma once
// The page cache of one open index: n page buffers in a named shared-memory region that
// every process with the same index file open attaches to, plus this process's own handle on
// the file. Buffers are found through a hash of page numbers and replaced in recency order;
// pinned buffers are never replaced. All shared state is touched only under the library mutex.
//
// Besides the buffers, the region keeps the processes attached to it (so the last one out
// removes it, and an opener can tell that the others died), the identity of the file it
// caches, and a flag set when a process died in the middle of changing the index.
#include <sys/types.h>

#include <cstdint>
#include <string>

#include "shared_region.h"

namespace vindle {

class CPageCache;

// A page pinned in a cache buffer. Released explicitly or when it goes out of scope.
class CPage {
public:
    CPage() = default;
    CPage(CPageCache* cache, int32_t buffer, uint8_t* data, uint32_t number)
        : m_cache(cache), m_buffer(buffer), m_data(data), m_number(number) {}
    CPage(CPage&& other) noexcept { *this = std::move(other); }
    CPage& operator=(CPage&& other) noexcept;
    CPage(const CPage&) = delete;
    CPage& operator=(const CPage&) = delete;
    ~CPage();

    uint8_t* Data() const { return m_data; }
    uint32_t Number() const { return m_number; }
    bool Held() const { return m_cache != nullptr; }
    void MarkDirty();
    void Release();

private:
    CPageCache* m_cache = nullptr;
    int32_t m_buffer = -1;
    uint8_t* m_data = nullptr;
    uint32_t m_number = 0;
};

class CPageCache {
public:
    CPageCache() = default;
    ~CPageCache();
    CPageCache(const CPageCache&) = delete;
    CPageCache& operator=(const CPageCache&) = delete;

    void Open(const std::string& path, uint32_t pageSize, uint32_t bufferCount);
    void Close();  // writes every dirty buffer, leaves the region, closes the file
    bool IsOpen() const { return m_fd >= 0; }

    CPage Get(uint32_t pageNumber);
    void WriteNewPage(uint32_t pageNumber, const uint8_t* bytes);
    void BeginBatch() { m_batch = true; }
    void EndBatch();
    void FlushAll();

    uint64_t FilePages() const;  // whole pages in the file now
    bool LeftMidChange() const;
    // Bracket every export on this cache, under the library mutex. An operation found still
    // marked as running belongs to a process that died inside it: its pins are dropped, a
    // half-rewritten leaf is put back, and, when it was changing the index, the index is
    // marked as left mid-change (the check then fails until a repair).
    void BeginOperation(bool writing);
    void EndOperation();
    // Brackets an in-place change of a pinned page's header and of `length` bytes from
    // `offset`: if the process dies in between, the next holder of the mutex puts them back.
    void SaveUndo(const CPage& page, uint32_t offset, uint32_t length);
    void ClearUndo();
    const std::string& Path() const { return m_path; }
    const std::string& RegionName() const { return m_regionName; }
    uint32_t BufferCount() const { return m_bufferCount; }

    // Called by create after it rewrote a file in place: forget every cached page of it.
    static void ForgetFile(const std::string& path);

private:
    friend class CPage;
    struct Control;
    struct Layout;

    void AttachOrCreateRegion(const std::string& canonical);
    void AdoptFile();
    void RecoverFromDeadHolder();
    void Register();
    void Unregister();
    void Release(int32_t buffer, bool strict);
    void MarkDirty(int32_t buffer);
    void WriteBuffer(int32_t buffer);
    int32_t Lookup(uint32_t pageNumber) const;
    int32_t PickVictim() const;
    int32_t TakeBuffer();
    void Install(int32_t buffer, uint32_t pageNumber);
    void Touch(int32_t buffer);
    void HashInsert(int32_t buffer);
    void HashRemove(int32_t buffer);

    Control* Ctl() const;

    CSharedRegion m_region;
    std::string m_path;
    std::string m_regionName;
    uint32_t m_pageSize = 0;
    uint32_t m_bufferCount = 0;
    uint32_t m_hashSize = 0;
    int m_fd = -1;
    bool m_batch = false;
    // Views into the region.
    uint8_t* m_dirty = nullptr;
    int32_t* m_pins = nullptr;
    uint8_t* m_valid = nullptr;
    int32_t* m_pageOf = nullptr;
    int32_t* m_lruNext = nullptr;  // the recency list, least recently used first
    int32_t* m_lruPrev = nullptr;
    int32_t* m_hashNext = nullptr;
    int32_t* m_hashHead = nullptr;
    uint8_t* m_buffers = nullptr;
    uint8_t* m_undo = nullptr;
};

}  // namespace vindle
