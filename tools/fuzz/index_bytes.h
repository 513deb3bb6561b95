#pragma once
// What the fuzz target reads straight from the bytes of an input index file, without the
// library: the head's sizes, capacities and the free map, which decide the calls an input can
// be judged on. Pure functions, any thread.
#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace vindle_fuzz {

struct Sizes {
    unsigned page = 4096;  // the program's file index, used when an input's own sizes are not
    unsigned key = 56;
    unsigned data = 4;
    unsigned aux = 0;
    int unique = 1;
};

inline uint32_t Le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

inline Sizes SizesFromHead(const uint8_t* in, size_t size) {
    Sizes s;
    if (size < 48) return s;
    s.page = Le32(in + 8);
    s.key = Le32(in + 12);
    s.data = Le32(in + 16);
    s.aux = Le32(in + 36);
    s.unique = Le32(in + 44) != 0 ? 1 : 0;
    return s;
}

inline uint64_t LeafCapacity(const Sizes& s) {
    return (s.page - 24) / (uint64_t(s.key) + s.data);
}
inline uint64_t NonLeafCapacity(const Sizes& s) {
    return (s.page - 24) / (uint64_t(s.key) + 4);
}
inline uint64_t FreeMapBytes(const Sizes& s) {
    return s.page - s.aux - 48;
}

// Sizes worth rebuilding with: a page holds two records and two entries, the free map keeps
// a byte.
inline bool Sane(const Sizes& s) {
    if (s.page < 64 || s.page > 65536 || s.key == 0) return false;
    if (uint64_t(s.aux) + 48 >= s.page) return false;
    return LeafCapacity(s) >= 2 && NonLeafCapacity(s) >= 2;
}

inline const uint8_t* Page(const uint8_t* in, size_t size, const Sizes& s, uint64_t number) {
    if (s.page == 0 || (number + 1) * s.page > size) return nullptr;
    return in + number * s.page;
}

// Records a repair saves: those of every page that looks like an intact leaf.
inline uint64_t SavedRecords(const uint8_t* in, size_t size, const Sizes& s) {
    uint64_t total = 0;
    for (uint64_t i = 0; const uint8_t* p = Page(in, size, s, i); ++i)
        if (p[4] == 3 && Le32(p) == i && Le32(p + 20) <= LeafCapacity(s)) total += Le32(p + 20);
    return total;
}

// Pages a tree of that many records can need at most: every leaf and every non-leaf below
// the root keeps at least half its capacity after a split. UINT64_MAX when half a non-leaf
// is a single entry and no bound follows.
inline uint64_t PagesNeeded(uint64_t records, const Sizes& s) {
    uint64_t capL = LeafCapacity(s), capN = NonLeafCapacity(s);
    uint64_t level = records <= capL ? 1 : (records + capL / 2 - 1) / (capL / 2);
    uint64_t pages = 1 + level;  // the head page and the leaves
    do {
        uint64_t above = level <= capN ? 1 : (level + capN / 2 - 1) / (capN / 2);
        if (above >= level && level > 1) return UINT64_MAX;
        pages += above;
        level = above;
    } while (level > 1);
    return pages;
}

// Pages allocation can still hand out: clear free-map bits of pages beyond the file's end.
// Counted over bits 0 to Free Map Size - 1 only, the least that allocation looks at; pages
// are never freed, and running out of them ends the process by design.
inline uint64_t FreePagesBeyondFile(const uint8_t* in, size_t size, const Sizes& s) {
    const uint64_t filePages = size / s.page;
    const uint8_t* map = in + 48 + s.aux;
    uint64_t free = 0;
    for (uint64_t p = filePages; p < FreeMapBytes(s) && 48 + s.aux + p / 8 < size; ++p)
        free += !((map[p / 8] >> (p % 8)) & 1);
    return free;
}

// Pages one add may allocate in a tree that only passed the check: a new leaf, a split of
// every page its parent chain runs through (bounded by the pages there are), a new root.
inline uint64_t PagesPerAdd(const uint8_t* in, size_t size, const Sizes& s) {
    uint64_t typed = 0;
    for (uint64_t i = 0; const uint8_t* p = Page(in, size, s, i); ++i)
        typed += p[4] == 2 || p[4] == 3;
    return typed + 2;
}

}  // namespace vindle_fuzz
