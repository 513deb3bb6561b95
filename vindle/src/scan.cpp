#include "scan.h"

#include <cstring>

using namespace vindle;

namespace {
// Walks along leaf links are bounded by the number of pages an index can have, so that a
// damaged chain with a cycle in it cannot hold a call forever.
uint64_t HopLimit(const Geometry& g) { return g.MaxPages() + 1; }
}  // namespace

VindleScan::VindleScan(VindleIndex* idx, const uint8_t* start, const uint8_t* end)
    : index(idx),
      startKey(start, start + idx->g.keySize),
      endKey(end, end + idx->g.keySize) {
    ascending = idx->Compare(endKey.data(), startKey.data()) >= 0 ? 1 : 0;
    page = idx->DescendToLeaf(startKey.data());
    if (ascending)
        PositionAscending();
    else
        PositionDescending();
}

// First record >= start. Equal keys of a non-unique index can run back into earlier leaves,
// while the descent lands on the last leaf that may hold the key: step back over them, so an
// exact lookup sees every record with its key.
void VindleScan::PositionAscending() {
    const Geometry& g = index->g;
    CPage p = index->cache.Get(page);
    CLeafView leaf(p.Data(), g);
    if (leaf.Count() == 0) {
        atEnd = 1;
        return;
    }
    uint32_t pos = 0, n = leaf.Count();
    while (pos < n && index->Compare(leaf.Key(pos), startKey.data()) < 0) ++pos;
    uint32_t prev = leaf.Previous();
    p.Release();
    for (uint64_t hops = 0; pos == 0 && prev != 0 && hops < HopLimit(g); ++hops) {
        CPage q = index->cache.Get(prev);
        CLeafView before(q.Data(), g);
        uint32_t m = before.Count();
        if (m == 0 || index->Compare(before.Key(m - 1), startKey.data()) < 0) break;
        page = prev;
        pos = m - 1;
        while (pos > 0 && index->Compare(before.Key(pos - 1), startKey.data()) >= 0) --pos;
        n = m;
        prev = before.Previous();
    }
    position = pos;
    if (position >= n) started = 1;
}

// Last record <= start. When the leaf holds none, the scan begins at the last record of the
// nearest preceding leaf that has records, and has nothing to yield when there is none.
void VindleScan::PositionDescending() {
    const Geometry& g = index->g;
    CPage p = index->cache.Get(page);
    CLeafView leaf(p.Data(), g);
    uint32_t n = leaf.Count();
    if (n == 0) {
        atEnd = 1;
        return;
    }
    uint32_t pos = n;
    while (pos > 0 && index->Compare(leaf.Key(pos - 1), startKey.data()) > 0) --pos;
    if (pos > 0) {
        position = pos - 1;
        return;
    }
    uint32_t from = page;
    p.Release();
    if (!StepToLastOfPreceding(from)) atEnd = 1;
}

// Moves to the last record of the nearest leaf before fromPage that holds records.
bool VindleScan::StepToLastOfPreceding(uint32_t fromPage) {
    const Geometry& g = index->g;
    CPage p = index->cache.Get(fromPage);
    uint32_t prev = CLeafView(p.Data(), g).Previous();
    p.Release();
    for (uint64_t hops = 0; prev != 0 && hops < HopLimit(g); ++hops) {
        CPage q = index->cache.Get(prev);
        CLeafView leaf(q.Data(), g);
        if (leaf.Count() > 0) {
            page = prev;
            position = leaf.Count() - 1;
            return true;
        }
        prev = leaf.Previous();
    }
    return false;
}

bool VindleScan::Move(bool forward) {
    const Geometry& g = index->g;
    if (!forward) {
        if (position > 0) {
            CPage p = index->cache.Get(page);
            uint32_t n = CLeafView(p.Data(), g).Count();
            if (n > 0) {
                position = (position < n ? position : n) - 1;
                return true;
            }
        }
        return StepToLastOfPreceding(page);
    }
    CPage p = index->cache.Get(page);
    CLeafView leaf(p.Data(), g);
    if (position + 1 < leaf.Count()) {
        ++position;
        return true;
    }
    uint32_t next = leaf.Next();
    p.Release();
    for (uint64_t hops = 0; next != 0 && hops < HopLimit(g); ++hops) {
        CPage q = index->cache.Get(next);
        CLeafView after(q.Data(), g);
        if (after.Count() > 0) {
            page = next;
            position = 0;
            return true;
        }
        next = after.Next();
    }
    return false;
}

int VindleScan::Fetch(bool towardsEnd, uint8_t* keyOut, uint8_t* dataOut) {
    if (atEnd) return 0;
    const Geometry& g = index->g;
    bool forward = (ascending != 0) == towardsEnd;
    if (started) {
        if (!Move(forward)) return 0;
    } else {
        // Records added since the scan was placed may have moved its record to the next leaf.
        CPage p = index->cache.Get(page);
        bool gone = position >= CLeafView(p.Data(), g).Count();
        p.Release();
        if (gone && !Move(forward)) return 0;
    }
    CPage p = index->cache.Get(page);
    CLeafView leaf(p.Data(), g);
    const uint8_t* key = leaf.Key(position);
    if (keyOut) memcpy(keyOut, key, g.keySize);
    if (dataOut) memcpy(dataOut, leaf.Data(position), g.dataSize);
    started = 1;
    // get-next is bounded by the end key, get-previous by the start key.
    const uint8_t* bound = towardsEnd ? endKey.data() : startKey.data();
    int c = index->Compare(key, bound);
    return forward ? (c <= 0 ? 1 : 0) : (c >= 0 ? 1 : 0);
}
