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
#include <set>
#include <string>
#include <vector>

#include "vindle.h"

// A fatal report ends the process in the library anyway; abort() makes it a finding with a
// stack trace instead of a silent exit.
extern "C" void VindleReportFatal(const char* text) {
    fprintf(stderr, "vindle fatal report: %s\n", text);
    abort();
}

namespace {

using Bytes = std::vector<uint8_t>;

constexpr unsigned kBuffers = 100;      // what the program opens its indexes with
constexpr size_t kFetchCap = 100000;    // fetches per walk; a damaged leaf chain may be a ring
constexpr uint32_t kDerivedAdds = 8;    // adds per index, keys cut from the input

struct Sizes {
    unsigned page = 4096;
    unsigned key = 56;
    unsigned data = 4;
    unsigned aux = 0;
    int unique = 1;
};

struct Record {
    Bytes key;
    Bytes data;
    bool operator==(const Record& o) const { return key == o.key && data == o.data; }
};

[[noreturn]] void Finding(const char* what) {
    fprintf(stderr, "vindle fuzz finding: %s\n", what);
    abort();
}

uint32_t Le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

Sizes SizesFromHead(const uint8_t* in, size_t size) {
    Sizes s;
    if (size < 48) return s;
    s.page = Le32(in + 8);
    s.key = Le32(in + 12);
    s.data = Le32(in + 16);
    s.aux = Le32(in + 36);
    s.unique = Le32(in + 44) != 0 ? 1 : 0;
    return s;
}

// Sizes worth rebuilding with: a page holds two records and two entries, the free map keeps
// a byte. Anything else is rebuilt with the sizes of the program's file index.
bool Sane(const Sizes& s) {
    if (s.page < 64 || s.page > 65536 || s.key == 0) return false;
    if (uint64_t(s.aux) + 48 >= s.page) return false;
    uint64_t room = s.page - 24;
    return room / (uint64_t(s.key) + s.data) >= 2 && room / (uint64_t(s.key) + 4) >= 2;
}

const std::string& ScratchPath() {
    static const std::string path = [] {
        std::string p = "/tmp/vindle_fuzz_" + std::to_string(getpid()) + ".idx";
        atexit([] { unlink(ScratchPath().c_str()); });
        return p;
    }();
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

Record EmptyRecord(const Sizes& s) { return {Bytes(s.key), Bytes(s.data)}; }

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

// ---- an index that only passed the check: anything goes except crashing ----

// The check does not compare keys, so nothing about the answers is judged here.
void ExerciseChecked(VindleIndex* index, const Sizes& s, const uint8_t* in, size_t size) {
    size_t cap = WalkCap(s);
    std::vector<Record> all = ScanAll(index, s, cap);
    ScanRange(index, s, Bytes(s.key, 0xFF), Bytes(s.key, 0x00), cap);  // descending
    if (!all.empty()) {
        const Record& probe = all[all.size() / 2];
        ScanRange(index, s, probe.key, probe.key, cap);
        VindleScan* scan = VindleCreateScanRange(index, all.front().key.data(), probe.key.data());
        Walk(scan, s, true, std::min<size_t>(cap, 3));
        Walk(scan, s, false, cap);
        VindleScanClose(scan);
    }
    for (uint32_t round = 0; round < kDerivedAdds; ++round) {
        Record r = Derived(in, size, s, round);
        VindleAddKey(index, r.key.data(), r.data.data());
    }
}

// ---- a rebuilt index: every answer is known ----

bool KeyLess(const Sizes& s, const Bytes& a, const Bytes& b) {
    return memcmp(a.data(), b.data(), s.key) < 0;
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
    const Bytes& key = all[at].key;
    auto lo = std::lower_bound(all.begin(), all.end(), key,
                               [&](const Record& r, const Bytes& k) { return KeyLess(s, r.key, k); });
    auto hi = std::upper_bound(all.begin(), all.end(), key,
                               [&](const Bytes& k, const Record& r) { return KeyLess(s, k, r.key); });
    std::vector<Record> want(lo, hi);
    if (ScanRange(index, s, key, key, all.size() + 1) != want)
        Finding("exact-key scan does not yield the records with that key");
}

// Walks forward to record `at`, then steps back with get-previous and forward again.
void VerifyStepBack(VindleIndex* index, const Sizes& s, const std::vector<Record>& all, size_t at) {
    VindleScan* scan = VindleCreateScan(index);
    Record r = EmptyRecord(s);
    for (size_t i = 0; i <= at; ++i)
        if (!VindleScanGetNext(scan, r.key.data(), r.data.data()) || !(r == all[i]))
            Finding("get-next disagrees with the full scan");
    for (size_t i = at; i-- > 0 && i + 3 > at;)
        if (!VindleScanGetPrev(scan, r.key.data(), r.data.data()) || !(r == all[i]))
            Finding("get-previous does not step back to the record before");
    size_t back = at >= 3 ? at - 3 : 0;
    if (at > 0 && (!VindleScanGetNext(scan, r.key.data(), r.data.data()) || !(r == all[back + 1])))
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

// Adds keys cut from the input plus one already present; a unique index must refuse exactly
// the keys it holds, and afterwards list the old records and the new ones.
void VerifyAdds(VindleIndex* index, const Sizes& s, std::vector<Record> all, const uint8_t* in,
                size_t size) {
    std::set<Bytes> keys;
    for (const Record& r : all) keys.insert(r.key);
    size_t expected = all.size();
    for (uint32_t round = 0; round <= kDerivedAdds; ++round) {
        Record r = round < kDerivedAdds || all.empty() ? Derived(in, size, s, round) : all[0];
        bool fresh = keys.insert(r.key).second;
        int added = VindleAddKey(index, r.key.data(), r.data.data());
        if (added != ((fresh || !s.unique) ? 1 : 0)) Finding("add answers wrongly for its key");
        expected += size_t(added);
    }
    std::vector<Record> after = VerifiedFullScan(index, s);
    if (after.size() != expected) Finding("records after adds do not add up");
    VerifyOrder(after, s);
    VerifyDescending(index, s, after);
}

void RepairAndVerify(VindleIndex* index, const uint8_t* in, size_t size) {
    Sizes s = SizesFromHead(in, size);
    if (!Sane(s)) s = Sizes();
    VindleRepairIndex(index, s.page, s.key, s.data, s.aux, s.unique);
    std::vector<Record> all = VerifiedFullScan(index, s);
    VerifyScans(index, s, all, uint32_t(size));
    VerifyAdds(index, s, std::move(all), in, size);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* in, size_t size) {
    if (!WriteScratch(in, size)) return 0;
    VindleIndex* index = VindleOpenIndex(ScratchPath().c_str(), kBuffers);
    if (!index) return 0;
    // The open succeeded, so the head's sizes are the ones the library works with.
    if (VindleCheckIndex(index) == 1) ExerciseChecked(index, SizesFromHead(in, size), in, size);
    RepairAndVerify(index, in, size);
    VindleCloseIndex(index);
    return 0;
}
