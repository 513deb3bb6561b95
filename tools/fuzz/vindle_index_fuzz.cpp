// libFuzzer target for index files: the input is taken as the bytes of an index file, the way
// the program meets a file left behind by an earlier run. Findings are crashes, sanitizer
// reports, hangs, any fatal report of the library, and a repaired index that fails the check,
// lists its records out of order, loses a lookup, or answers an add wrongly.
//
// One scratch file per process (the pid in its name), so that parallel or forked fuzzing
// processes never share an index or its page cache.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "index_bytes.h"
#include "vindle.h"

// A fatal report ends the process in the library anyway; abort() makes it a finding with a
// stack trace instead of a silent exit.
extern "C" void VindleReportFatal(const char* text) {
    fprintf(stderr, "vindle fatal report: %s\n", text);
    abort();
}

namespace {

using namespace vindle_fuzz;
using Bytes = std::vector<uint8_t>;

constexpr unsigned kBuffers = 100;    // what the program opens its indexes with
constexpr size_t kFetchCap = 100000;  // fetches per walk; a damaged leaf chain may be a ring
constexpr uint32_t kDerivedAdds = 8;  // adds per index, keys cut from the input

struct Record {
    Bytes key;
    Bytes data;
    bool operator==(const Record& o) const { return key == o.key && data == o.data; }
};

// The library takes a null pointer for "no buffer", also where a field is zero bytes long.
unsigned char* Buffer(Bytes& b) {
    static unsigned char none;
    return b.empty() ? &none : b.data();
}

[[noreturn]] void Finding(const char* what) {
    fprintf(stderr, "vindle fuzz finding: %s\n", what);
    abort();
}

const std::string& ScratchPath() {
    static const std::string path = "/tmp/vindle_fuzz_" + std::to_string(getpid()) + ".idx";
    return path;
}

bool WriteScratch(const uint8_t* in, size_t size) {
    int fd = open(ScratchPath().c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    bool ok = size == 0 || write(fd, in, size) == ssize_t(size);
    return close(fd) == 0 && ok;
}

// More records than the file's leaves can hold means the walk goes round a ring of leaves.
size_t WalkCap(const Sizes& s) {
    struct stat st;
    if (stat(ScratchPath().c_str(), &st) != 0) return kFetchCap;
    uint64_t pages = uint64_t(st.st_size) / s.page;
    uint64_t records = pages * ((s.page - 24) / (uint64_t(s.key) + s.data));
    return size_t(std::min<uint64_t>(kFetchCap, records + 1));
}

Record EmptyRecord(const Sizes& s) {
    return {Bytes(s.key), Bytes(s.data)};
}

// Records yielded by get-next (or get-previous) until the scan says it is over or the cap.
std::vector<Record> Walk(VindleScan* scan, const Sizes& s, bool next, size_t cap) {
    std::vector<Record> out;
    Record r = EmptyRecord(s);
    while (out.size() < cap && (next ? VindleScanGetNext(scan, r.key.data(), r.data.data())
                                     : VindleScanGetPrev(scan, r.key.data(), r.data.data())))
        out.push_back(r);
    return out;
}

std::vector<Record> ScanRange(VindleIndex* index, const Sizes& s, Bytes from, Bytes to,
                              size_t cap) {
    VindleScan* scan = VindleCreateScanRange(index, from.data(), to.data());
    std::vector<Record> out = Walk(scan, s, true, cap);
    VindleScanClose(scan);
    return out;
}

std::vector<Record> ScanAll(VindleIndex* index, const Sizes& s, size_t cap) {
    VindleScan* scan = VindleCreateScan(index);
    std::vector<Record> out = Walk(scan, s, true, cap);
    VindleScanClose(scan);
    return out;
}

// Key and data bytes cut from the input at a place that depends on the round.
Record Derived(const uint8_t* in, size_t size, const Sizes& s, uint32_t round) {
    Record r = EmptyRecord(s);
    if (size == 0) return r;
    size_t at = (size_t(round) * 7919 + size / 3) % size;
    for (auto* field : {&r.key, &r.data})
        for (uint8_t& b : *field) b = in[at++ % size];
    if (round == 0) std::fill(r.key.begin(), r.key.end(), 0x00);  // sorts before every key
    if (round == 1) std::fill(r.key.begin(), r.key.end(), 0xFF);  // sorts after every key
    return r;
}

// ---- an index that only passed the check ----

// How many keys a tree that only passed the check is given: never more than the free map has
// pages for beyond the file's end, since a full index ends the process by design.
uint64_t AddsAllowed(const uint8_t* in, size_t size, const Sizes& s) {
    return std::min<uint64_t>(kDerivedAdds,
                              FreePagesBeyondFile(in, size, s) / PagesPerAdd(in, size, s));
}

// A walk that reaches its cap went round a ring of leaves
// (regressions/leaf_ring_passes_check.idx).
void MustEnd(size_t records, size_t cap) {
    if (records >= cap) Finding("a scan of an index that passed the check never ends");
}

// Anything goes except crashing, hanging or a fatal report: the check does not compare keys,
// so nothing about the answers is judged here. Returns the number of adds made.
uint32_t ExerciseChecked(VindleIndex* index, const Sizes& s, const uint8_t* in, size_t size) {
    size_t cap = WalkCap(s);
    std::vector<Record> all = ScanAll(index, s, cap);
    MustEnd(all.size(), cap);
    MustEnd(ScanRange(index, s, Bytes(s.key, 0xFF), Bytes(s.key, 0x00), cap).size(), cap);
    if (!all.empty()) {
        const Record& probe = all[all.size() / 2];
        MustEnd(ScanRange(index, s, probe.key, probe.key, cap).size(), cap);
        Bytes from = all.front().key, to = probe.key;
        VindleScan* scan = VindleCreateScanRange(index, from.data(), to.data());
        Walk(scan, s, true, std::min<size_t>(cap, 3));
        MustEnd(Walk(scan, s, false, cap).size(), cap);
        VindleScanClose(scan);
    }
    uint32_t adds = uint32_t(AddsAllowed(in, size, s));
    for (uint32_t round = 0; round < adds; ++round) {
        Record r = Derived(in, size, s, round);
        VindleAddKey(index, Buffer(r.key), Buffer(r.data));
    }
    return adds;
}

// ---- a rebuilt index: every answer is known ----

bool KeyLess(const Sizes& s, const Bytes& a, const Bytes& b) {
    return memcmp(a.data(), b.data(), s.key) < 0;
}

std::pair<size_t, size_t> KeyRange(const std::vector<Record>& all, const Sizes& s,
                                   const Bytes& key) {
    auto lo = std::lower_bound(all.begin(), all.end(), key, [&](const Record& r, const Bytes& k) {
        return KeyLess(s, r.key, k);
    });
    auto hi = std::upper_bound(all.begin(), all.end(), key, [&](const Bytes& k, const Record& r) {
        return KeyLess(s, k, r.key);
    });
    return {size_t(lo - all.begin()), size_t(hi - all.begin())};
}

void VerifyOrder(const std::vector<Record>& all, const Sizes& s) {
    for (size_t i = 1; i < all.size(); ++i) {
        int c = memcmp(all[i - 1].key.data(), all[i].key.data(), s.key);
        if (c > 0) Finding("full scan of a rebuilt index is out of key order");
        if (c == 0 && s.unique) Finding("unique rebuilt index holds a key twice");
    }
}

void VerifyDescending(VindleIndex* index, const Sizes& s, const std::vector<Record>& all) {
    std::vector<Record> down =
        ScanRange(index, s, Bytes(s.key, 0xFF), Bytes(s.key, 0x00), all.size() + 1);
    std::reverse(down.begin(), down.end());
    if (down != all) Finding("descending scan is not the ascending scan reversed");
}

// An exact lookup yields every record with that key, in the order of the full scan.
void VerifyLookup(VindleIndex* index, const Sizes& s, const std::vector<Record>& all, size_t at) {
    auto [lo, hi] = KeyRange(all, s, all[at].key);
    std::vector<Record> want(all.begin() + lo, all.begin() + hi);
    if (ScanRange(index, s, all[at].key, all[at].key, all.size() + 1) != want)
        Finding("exact-key scan does not yield the records with that key");
}

// Walks forward to record `at`, then steps back with get-previous and forward again.
void VerifyStepBack(VindleIndex* index, const Sizes& s, const std::vector<Record>& all, size_t at) {
    VindleScan* scan = VindleCreateScan(index);
    Record r = EmptyRecord(s);
    for (size_t i = 0; i <= at; ++i)
        if (!VindleScanGetNext(scan, r.key.data(), r.data.data()) || !(r == all[i]))
            Finding("get-next disagrees with the full scan");
    size_t back = at >= 3 ? at - 3 : 0;  // where the steps back end
    for (size_t i = at; i > back; --i)
        if (!VindleScanGetPrev(scan, r.key.data(), r.data.data()) || !(r == all[i - 1]))
            Finding("get-previous does not step back to the record before");
    if (back + 1 < all.size() &&
        (!VindleScanGetNext(scan, r.key.data(), r.data.data()) || !(r == all[back + 1])))
        Finding("get-next after get-previous does not step forward again");
    VindleScanClose(scan);
}

// After get-next has run off the end, get-previous starts from the last record.
void VerifyBackFromEnd(VindleIndex* index, const Sizes& s, const std::vector<Record>& all) {
    VindleScan* scan = VindleCreateScan(index);
    Walk(scan, s, true, all.size() + 1);
    std::vector<Record> back = Walk(scan, s, false, all.size() + 1);
    VindleScanClose(scan);
    std::vector<Record> want(all.rbegin() + (all.empty() ? 0 : 1), all.rend());
    if (back != want) Finding("get-previous from the end does not list the records backwards");
}

void VerifyScans(VindleIndex* index, const Sizes& s, const std::vector<Record>& all,
                 uint32_t seed) {
    VerifyOrder(all, s);
    VerifyDescending(index, s, all);
    VerifyBackFromEnd(index, s, all);
    if (all.empty()) return;
    for (size_t at : {size_t(0), all.size() - 1, size_t(seed) % all.size()}) {
        VerifyLookup(index, s, all, at);
        VerifyStepBack(index, s, all, at);
    }
}

std::vector<Record> VerifiedFullScan(VindleIndex* index, const Sizes& s) {
    if (VindleCheckIndex(index) != 1) Finding("rebuilt index fails the check");
    size_t cap = WalkCap(s);
    std::vector<Record> all = ScanAll(index, s, cap);
    if (all.size() >= cap) Finding("full scan of a rebuilt index does not end");
    return all;
}

// Adds keys cut from the input, then the smallest key again with other data: a unique index
// must refuse exactly the keys it holds and keep the first record of a key, a non-unique one
// must store a key added again after its equals; afterwards it lists old and new records.
void VerifyAdds(VindleIndex* index, const Sizes& s, const std::vector<Record>& all,
                const uint8_t* in, size_t size) {
    std::set<Bytes> keys;
    for (const Record& r : all) keys.insert(r.key);
    size_t expected = all.size();
    Record again = Derived(in, size, s, kDerivedAdds);
    if (!all.empty()) again.key = all[0].key;
    std::optional<Record> first;  // the first record with the key of `again`
    if (!all.empty()) first = all[0];
    for (uint32_t round = 0; round <= kDerivedAdds; ++round) {
        Record r = round < kDerivedAdds ? Derived(in, size, s, round) : again;
        if (!first && r.key == again.key) first = r;
        bool fresh = keys.insert(r.key).second;
        int added = VindleAddKey(index, Buffer(r.key), Buffer(r.data));
        if (added != ((fresh || !s.unique) ? 1 : 0)) Finding("add answers wrongly for its key");
        expected += size_t(added);
    }
    std::vector<Record> after = VerifiedFullScan(index, s);
    if (after.size() != expected) Finding("records after adds do not add up");
    VerifyOrder(after, s);
    VerifyDescending(index, s, after);
    auto [lo, hi] = KeyRange(after, s, again.key);
    if (s.unique ? (hi - lo != 1 || !(after[lo] == *first))
                 : (hi == lo || !(after[hi - 1] == again)))
        Finding("a key added again is not kept as the first record or stored after its equals");
}

// What a rebuild must hold when nothing was written before it: the records of every intact
// leaf, cut or filled up with zeros to the new sizes, in key order with equal keys in file
// order, and in a unique index only the first of each key.
std::vector<Record> ExpectedRebuild(const uint8_t* in, size_t size, const Sizes& old,
                                    const Sizes& s) {
    std::vector<Record> out;
    for (uint64_t i = 0; const uint8_t* p = Page(in, size, old, i); ++i) {
        if (p[4] != 3 || Le32(p) != i || Le32(p + 20) > LeafCapacity(old)) continue;
        for (uint32_t n = 0; n < Le32(p + 20); ++n) {
            const uint8_t* at = p + 24 + size_t(n) * (old.key + old.data);
            Record r = EmptyRecord(s);
            memcpy(r.key.data(), at, std::min(old.key, s.key));
            if (s.data > 0) memcpy(r.data.data(), at + old.key, std::min(old.data, s.data));
            out.push_back(std::move(r));
        }
    }
    auto less = [&](const Record& a, const Record& b) { return KeyLess(s, a.key, b.key); };
    std::stable_sort(out.begin(), out.end(), less);
    if (s.unique) {
        auto same = [&](const Record& a, const Record& b) { return a.key == b.key; };
        out.erase(std::unique(out.begin(), out.end(), same), out.end());
    }
    return out;
}

// ---- choosing the sizes to rebuild with ----

// The head's own sizes when they are sane and the records fit: page allocation hands out at
// most Free Map Size pages, and running out of them is a fatal report by design, not a fault.
Sizes RebuildSizes(const uint8_t* in, size_t size) {
    Sizes head = SizesFromHead(in, size);
    if (!Sane(head)) return Sizes();
    uint64_t records = SavedRecords(in, size, head) + 2 * kDerivedAdds + 1;
    if (PagesNeeded(records, head) > FreeMapBytes(head)) return Sizes();
    return head;
}

// `untouched`: nothing has been written to the index since it was opened.
void RepairAndVerify(VindleIndex* index, const uint8_t* in, size_t size, bool untouched) {
    Sizes s = RebuildSizes(in, size);
    VindleRepairIndex(index, s.page, s.key, s.data, s.aux, s.unique);
    std::vector<Record> all = VerifiedFullScan(index, s);
    if (untouched && all != ExpectedRebuild(in, size, SizesFromHead(in, size), s))
        Finding("rebuilt index does not hold exactly the records of the intact leaves");
    VerifyScans(index, s, all, uint32_t(size));
    VerifyAdds(index, s, all, in, size);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* in, size_t size) {
    if (!WriteScratch(in, size)) return 0;
    VindleIndex* index = VindleOpenIndex(ScratchPath().c_str(), kBuffers);
    if (!index) {
        unlink(ScratchPath().c_str());
        return 0;
    }
    // The open succeeded, so the head's sizes are the ones the library works with.
    uint32_t adds = 0;
    if (VindleCheckIndex(index) == 1)
        adds = ExerciseChecked(index, SizesFromHead(in, size), in, size);
    RepairAndVerify(index, in, size, adds == 0);
    VindleCloseIndex(index);
    unlink(ScratchPath().c_str());  // libFuzzer ends without running exit handlers
    return 0;
}
