#include "scan.h"

#include <cstring>

using namespace vindle;

namespace {
// Walks along leaf links are bounded by the number of pages an index can have, so that a
// damaged chain with a cycle in it cannot hold a call forever.
uint64_t HopLimit(const Geometry& g) {
    return g.MaxPages() + 1;
}
}  // namespace

VindleScan::VindleScan(VindleIndex* idx, const uint8_t* start, const uint8_t* end)
    : index(idx), keys(size_t(idx->g.keySize) * 2) {
    memcpy(keys.data(), start, idx->g.keySize);
    memcpy(keys.data() + idx->g.keySize, end, idx->g.keySize);
    ascending = idx->Compare(EndKey(), StartKey()) >= 0 ? 1 : 0;
    page = idx->DescendToLeaf(StartKey());
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
    uint32_t n = leaf.Count(), pos = leaf.LowerBound(StartKey());
    uint32_t prev = leaf.Previous();
    p.Release();
    for (uint64_t hops = 0; pos == 0 && prev != 0 && hops < HopLimit(g); ++hops) {
        CPage q = index->cache.Get(prev);
        CLeafView before(q.Data(), g);
        uint32_t m = before.Count();
        if (m == 0 || index->Compare(before.Key(m - 1), StartKey()) < 0) break;
        page = prev;
        pos = before.LowerBound(StartKey());
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
    uint32_t pos = leaf.UpperBound(StartKey());
    if (pos > 0) {
        position = pos - 1;
        return;
    }
    uint32_t from = page;
    p.Release();
    CPage at;
    if (!StepToLastOfPreceding(from, at)) atEnd = 1;
}

// Moves to the last record of the nearest leaf before fromPage that holds records; on success
// `at` holds that leaf pinned.
bool VindleScan::StepToLastOfPreceding(uint32_t fromPage, CPage& at) {
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
            at = std::move(q);
            return true;
        }
        prev = leaf.Previous();
    }
    return false;
}

// One record on in the given direction; on success `at` holds the scan's leaf pinned, so the
// record is read without fetching the page again.
bool VindleScan::Move(bool forward, CPage& at) {
    const Geometry& g = index->g;
    CPage p = index->cache.Get(page);
    CLeafView leaf(p.Data(), g);
    uint32_t n = leaf.Count();
    if (!forward) {
        if (position > 0 && n > 0) {
            position = (position < n ? position : n) - 1;
            at = std::move(p);
            return true;
        }
        p.Release();
        return StepToLastOfPreceding(page, at);
    }
    if (position + 1 < n) {
        ++position;
        at = std::move(p);
        return true;
    }
    uint32_t next = leaf.Next();
    p.Release();
    for (uint64_t hops = 0; next != 0 && hops < HopLimit(g); ++hops) {
        CPage q = index->cache.Get(next);
        if (CLeafView(q.Data(), g).Count() > 0) {
            page = next;
            position = 0;
            at = std::move(q);
            return true;
        }
        next = CLeafView(q.Data(), g).Next();
    }
    return false;
}

int VindleScan::Fetch(bool towardsEnd, uint8_t* keyOut, uint8_t* dataOut) {
    if (atEnd) return 0;
    bool forward = (ascending != 0) == towardsEnd;
    if (!started) {
        CPage p = index->cache.Get(page);
        if (position < CLeafView(p.Data(), index->g).Count())
            return Emit(p, towardsEnd, keyOut, dataOut);
        // Records added since the scan was placed have moved its record on.
    }
    CPage at;
    if (!Move(forward, at)) return 0;
    return Emit(at, towardsEnd, keyOut, dataOut);
}

int VindleScan::Emit(const CPage& p, bool towardsEnd, uint8_t* keyOut, uint8_t* dataOut) {
    const Geometry& g = index->g;
    CLeafView leaf(p.Data(), g);
    const uint8_t* key = leaf.Key(position);
    if (keyOut) memcpy(keyOut, key, g.keySize);
    if (dataOut) memcpy(dataOut, leaf.Data(position), g.dataSize);
    started = 1;
    // get-next is bounded by the end key, get-previous by the start key.
    bool forward = (ascending != 0) == towardsEnd;
    int c = index->Compare(key, towardsEnd ? EndKey() : StartKey());
    return forward ? (c <= 0 ? 1 : 0) : (c >= 0 ? 1 : 0);
}
