#pragma once
// VindleIndex, the object behind an index handle: the sizes read from the head page and the
// page cache. Its operations are the B+-tree algorithms over pages of the cache; callers hold
// the library mutex around every call. Scans live in scan.h, check and repair in
// check_repair.cpp, the text dump in dump.cpp.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "format.h"
#include "page_cache.h"

struct VindleIndex {
    vindle::Geometry g;
    vindle::CPageCache cache;

    // Replaces any file at path with a new index of three pages (head, root, empty leaf).
    static void Create(const std::string& path, const vindle::Geometry& geometry);
    void Open(const std::string& path, uint32_t bufferCount);
    void Close() { cache.Close(); }

    int AddKey(const uint8_t* key, const uint8_t* data);
    void GetAux(uint8_t* out);
    void SetAux(const uint8_t* in);

    bool Check();
    void Repair(const vindle::Geometry& geometry);
    void Dump(FILE* out);

    int Compare(const uint8_t* a, const uint8_t* b) const { return memcmp(a, b, g.keySize); }
    uint32_t DescendToLeaf(const uint8_t* key);
    uint32_t RootPage();

private:
    uint32_t AllocatePage();
    uint32_t NewLeaf(uint32_t parent, uint32_t next, uint32_t previous);
    uint32_t NewNonLeaf(uint32_t parent, uint32_t lastLevel);
    void SplitLeaf(vindle::CPage& leaf, uint32_t& leafNumber, const uint8_t* key);
    void InsertNonLeaf(uint32_t pageNumber, const uint8_t* key, uint32_t child, uint32_t left);
    void ReplaceSeparatorOf(uint32_t leafNumber, uint32_t parent, const uint8_t* key);
};
