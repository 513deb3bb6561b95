#pragma once
// The bytes of an index file: page types, field offsets, capacities and the little-endian
// accessors every other part of the library reads pages through. Pure functions, any thread.
#include <bit>
#include <cstdint>
#include <cstring>

namespace vindle {

constexpr uint8_t kHeadPageType = 1;
constexpr uint8_t kNonLeafPageType = 2;
constexpr uint8_t kLeafPageType = 3;
constexpr uint32_t kFormatVersion = 2;
constexpr uint32_t kHeadFixedSize = 48;
constexpr uint32_t kPageHeaderSize = 24;  // capacities count 24 header bytes on both kinds

// Limits that keep the arithmetic of a hostile head page sane; real indexes are far inside.
constexpr uint32_t kMinPageSize = 64;
constexpr uint32_t kMaxPageSize = 1u << 20;

namespace page {
constexpr size_t kNumber = 0;
constexpr size_t kType = 4;
}  // namespace page

namespace head {
constexpr size_t kPageSize = 8;
constexpr size_t kKeySize = 12;
constexpr size_t kDataSize = 16;
constexpr size_t kFreeMapSize = 20;
constexpr size_t kNextFreeMap = 24;
constexpr size_t kRootPage = 28;
constexpr size_t kFreeMapSeq = 32;
constexpr size_t kAuxSize = 36;
constexpr size_t kVersion = 40;
constexpr size_t kUnique = 44;
constexpr size_t kAuxData = 48;
}  // namespace head

namespace nonleaf {
constexpr size_t kParent = 8;
constexpr size_t kLastLevel = 12;
constexpr size_t kNoKeys = 16;
constexpr size_t kEntries = 20;
}  // namespace nonleaf

namespace leaf {
constexpr size_t kParent = 8;
constexpr size_t kNext = 12;
constexpr size_t kPrevious = 16;
constexpr size_t kNoKeys = 20;
constexpr size_t kRecords = 24;
}  // namespace leaf

// Fields are little-endian. On little-endian hosts a field is read and written with one
// 4-byte access, so a process killed mid-write never leaves a count half-changed.
inline uint32_t Get32(const uint8_t* p) {
    if constexpr (std::endian::native == std::endian::little) {
        uint32_t v;
        __builtin_memcpy(&v, p, 4);
        return v;
    }
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline void Put32(uint8_t* p, uint32_t v) {
    if constexpr (std::endian::native == std::endian::little) {
        __builtin_memcpy(p, &v, 4);
        return;
    }
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

inline uint32_t PageNumber(const uint8_t* p) {
    return Get32(p + page::kNumber);
}
inline uint8_t PageType(const uint8_t* p) {
    return p[page::kType];
}

// The fixed sizes of one index, as its head page states them.
struct Geometry {
    uint32_t pageSize = 0;
    uint32_t keySize = 0;
    uint32_t dataSize = 0;
    uint32_t auxSize = 0;
    bool unique = false;

    uint32_t RecordSize() const { return keySize + dataSize; }
    uint32_t EntrySize() const { return keySize + 4; }
    uint32_t LeafCapacity() const { return (pageSize - kPageHeaderSize) / RecordSize(); }
    uint32_t NonLeafCapacity() const { return (pageSize - kPageHeaderSize) / EntrySize(); }
    uint32_t FreeMapSize() const { return pageSize - auxSize - kHeadFixedSize; }
    uint32_t FreeMapOffset() const { return kHeadFixedSize + auxSize; }
    // Every page number the free map has a bit for; pages beyond cannot be allocated.
    uint64_t MaxPages() const { return uint64_t(FreeMapSize()) * 8; }

    // Sizes with which every algorithm stays within its page: splits need room for two
    // records or entries, the free map at least one byte.
    bool Usable() const {
        if (pageSize < kMinPageSize || pageSize > kMaxPageSize) return false;
        if (keySize == 0 || keySize >= pageSize || dataSize >= pageSize) return false;
        if (uint64_t(auxSize) + kHeadFixedSize >= pageSize) return false;
        if (uint64_t(keySize) + dataSize > pageSize) return false;
        return LeafCapacity() >= 2 && NonLeafCapacity() >= 2;
    }

    static Geometry FromHead(const uint8_t* headBytes) {
        Geometry g;
        g.pageSize = Get32(headBytes + head::kPageSize);
        g.keySize = Get32(headBytes + head::kKeySize);
        g.dataSize = Get32(headBytes + head::kDataSize);
        g.auxSize = Get32(headBytes + head::kAuxSize);
        g.unique = Get32(headBytes + head::kUnique) != 0;
        return g;
    }
};

// A leaf page seen through its geometry. Counts are clamped to the capacity so that a
// damaged page can never lead a reader outside the page.
class CLeafView {
public:
    CLeafView(uint8_t* p, const Geometry& g) : m_p(p), m_g(g) {}
    uint32_t Parent() const { return Get32(m_p + leaf::kParent); }
    uint32_t Next() const { return Get32(m_p + leaf::kNext); }
    uint32_t Previous() const { return Get32(m_p + leaf::kPrevious); }
    uint32_t StoredCount() const { return Get32(m_p + leaf::kNoKeys); }
    uint32_t Count() const {
        uint32_t n = StoredCount(), cap = m_g.LeafCapacity();
        return n < cap ? n : cap;
    }
    void SetParent(uint32_t v) { Put32(m_p + leaf::kParent, v); }
    void SetNext(uint32_t v) { Put32(m_p + leaf::kNext, v); }
    void SetPrevious(uint32_t v) { Put32(m_p + leaf::kPrevious, v); }
    void SetCount(uint32_t v) { Put32(m_p + leaf::kNoKeys, v); }
    uint8_t* Record(uint32_t i) const {
        return m_p + leaf::kRecords + size_t(i) * m_g.RecordSize();
    }
    uint8_t* Key(uint32_t i) const { return Record(i); }
    uint8_t* Data(uint32_t i) const { return Record(i) + m_g.keySize; }

    // Records are in ascending key order: the first position whose key is not less than
    // (LowerBound) or greater than (UpperBound) the given key, Count() when there is none.
    uint32_t LowerBound(const uint8_t* key) const { return Bound(key, true); }
    uint32_t UpperBound(const uint8_t* key) const { return Bound(key, false); }

private:
    uint32_t Bound(const uint8_t* key, bool orEqual) const {
        uint32_t lo = 0, hi = Count();
        while (lo < hi) {
            uint32_t mid = (lo + hi) / 2;
            int c = memcmp(Key(mid), key, m_g.keySize);
            if (c < 0 || (c == 0 && !orEqual))
                lo = mid + 1;
            else
                hi = mid;
        }
        return lo;
    }

    uint8_t* m_p;
    const Geometry& m_g;
};

class CNonLeafView {
public:
    CNonLeafView(uint8_t* p, const Geometry& g) : m_p(p), m_g(g) {}
    uint32_t Parent() const { return Get32(m_p + nonleaf::kParent); }
    uint32_t LastLevel() const { return Get32(m_p + nonleaf::kLastLevel); }
    uint32_t StoredCount() const { return Get32(m_p + nonleaf::kNoKeys); }
    uint32_t Count() const {
        uint32_t n = StoredCount(), cap = m_g.NonLeafCapacity();
        return n < cap ? n : cap;
    }
    void SetParent(uint32_t v) { Put32(m_p + nonleaf::kParent, v); }
    void SetCount(uint32_t v) { Put32(m_p + nonleaf::kNoKeys, v); }
    uint8_t* Entry(uint32_t i) const {
        return m_p + nonleaf::kEntries + size_t(i) * m_g.EntrySize();
    }
    uint8_t* Key(uint32_t i) const { return Entry(i); }
    uint32_t Child(uint32_t i) const { return Get32(Entry(i) + m_g.keySize); }
    void SetChild(uint32_t i, uint32_t v) { Put32(Entry(i) + m_g.keySize, v); }

private:
    uint8_t* m_p;
    const Geometry& m_g;
};

}  // namespace vindle
