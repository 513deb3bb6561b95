#pragma once
// VindleScan, the object behind a scan handle: a range of keys and a place in the leaf chain.
// It holds no pinned page between calls, only a page number and a position, so records added
// meanwhile may shift what it sees. Callers hold the library mutex around every call.
#include <cstdint>
#include <vector>

#include "index.h"

struct VindleScan {
    uint32_t atEnd = 0;      // found nothing at its start and yields nothing
    uint32_t ascending = 0;  // end key >= start key
    uint32_t started = 0;    // a fetch moves before reading only once this is set
    VindleIndex* index = nullptr;
    uint32_t page = 0;
    uint32_t position = 0;
    std::vector<uint8_t> keys;  // owned copies: the start key, then the end key

    const uint8_t* StartKey() const { return keys.data(); }
    const uint8_t* EndKey() const { return keys.data() + index->g.keySize; }

    VindleScan(VindleIndex* index, const uint8_t* start, const uint8_t* end);
    // towardsEnd: get-next; otherwise get-previous.
    int Fetch(bool towardsEnd, uint8_t* keyOut, uint8_t* dataOut);

private:
    void PositionAscending();
    void PositionDescending();
    bool Move(bool forward, vindle::CPage& at);
    bool StepToLastOfPreceding(uint32_t fromPage, vindle::CPage& at);
    int Emit(const vindle::CPage& page, bool towardsEnd, uint8_t* keyOut, uint8_t* dataOut);
};
