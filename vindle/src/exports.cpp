// The exported C functions: each takes the library mutex for its whole run and turns any
// failure inside into a fatal report, except open, which answers a failure with NULL.
#include <set>
#include <string>
#include <type_traits>
#include <vector>

#include "exceptions.h"
#include "fatal.h"
#include "index.h"
#include "named_mutex.h"
#include "scan.h"
#include "vindle.h"

using namespace vindle;

namespace {

// Indexes this process has open, so that their pages reach the disk even when the program
// exits without closing them. Never destroyed: it is read by the exit hook below.
std::set<VindleIndex*>& OpenIndexes() {
    static auto* open = new std::set<VindleIndex*>;
    return *open;
}

// Runs one export under the library mutex. A failure is reported while the mutex is still
// held: the process ends without giving it back, so the next locker learns that this one died
// and, when it was changing the index (writing), that the index needs repair.
template <class Body>
auto Locked(const char* exportName, CPageCache* cache, bool writing, Body&& body)
    -> decltype(body()) {
    try {
        CNamedMutex& mutex = CNamedMutex::Instance();
        mutex.Lock();
        if (cache) cache->BeginOperation(writing);
        if constexpr (std::is_void_v<decltype(body())>) {
            body();
            if (cache) cache->EndOperation();
            mutex.Unlock();
        } else {
            auto result = body();
            if (cache) cache->EndOperation();
            mutex.Unlock();
            return result;
        }
    } catch (const CBufferException& e) {
        ReportFatal("BufferException", exportName, e.code);
    } catch (const CVindleException& e) {
        ReportFatal("VindleException", exportName, e.code);
    } catch (...) {  // out of memory: no code of its own
        ReportFatal("VindleException", exportName, 0);
    }
}

Geometry MakeGeometry(unsigned pageSize, unsigned keySize, unsigned dataSize, unsigned auxSize,
                      int unique) {
    Geometry g;
    g.pageSize = pageSize;
    g.keySize = keySize;
    g.dataSize = dataSize;
    g.auxSize = auxSize;
    g.unique = unique != 0;
    return g;
}

// Loading the library creates the system-wide mutex, or attaches to the one that exists.
__attribute__((constructor)) void AttachMutexAtLoad() {
    try {
        CNamedMutex::Instance();
    } catch (...) {  // reported by the first export that needs it
    }
}

__attribute__((destructor)) void FlushOpenIndexesAtExit() {
    if (OpenIndexes().empty()) return;
    try {
        CNamedMutex& mutex = CNamedMutex::Instance();
        if (!mutex.TryLockFor(2000)) return;
        for (VindleIndex* index : OpenIndexes()) {
            try {
                index->cache.FlushAll();
            } catch (...) {
            }
        }
        mutex.Unlock();
    } catch (...) {
    }
}

}  // namespace

extern "C" {

int VindleCreateIndex(const char* path, unsigned pageSize, unsigned keySize, unsigned dataSize,
                      unsigned auxSize, int unique) {
    std::string p = path ? path : "";
    return Locked("VindleCreateIndex", nullptr, true, [&] {
        VindleIndex::Create(p, MakeGeometry(pageSize, keySize, dataSize, auxSize, unique));
        return 1;
    });
}

// Open answers every failure with NULL and no message.
VindleIndex* VindleOpenIndex(const char* path, unsigned bufferCount) {
    if (!path) return nullptr;
    try {
        CNamedMutex& mutex = CNamedMutex::Instance();
        mutex.Lock();
        auto* index = new VindleIndex;
        try {
            index->Open(path, bufferCount);
            OpenIndexes().insert(index);
        } catch (...) {
            delete index;
            index = nullptr;
        }
        mutex.Unlock();
        return index;
    } catch (...) {
        return nullptr;
    }
}

int VindleCloseIndex(VindleIndex* index) {
    if (!index) return 0;
    return Locked("VindleCloseIndex", nullptr, true, [&] {
        index->Close();
        OpenIndexes().erase(index);
        delete index;
        return 1;
    });
}

int VindleAddKey(VindleIndex* index, unsigned char* key, unsigned char* data) {
    if (!index || !key || (!data && index->g.dataSize != 0)) return 0;
    static unsigned char none;  // an index without a data field needs no data buffer
    if (!data) data = &none;
    return Locked("VindleAddKey", &index->cache, true, [&] { return index->AddKey(key, data); });
}

int VindleCheckIndex(VindleIndex* index) {
    if (!index) return 0;
    return Locked("VindleCheckIndex", &index->cache, false, [&] { return index->Check() ? 1 : 0; });
}

VindleScan* VindleCreateScanRange(VindleIndex* index, unsigned char* startKey,
                                  unsigned char* endKey) {
    if (!index || !startKey || !endKey) return nullptr;
    return Locked("VindleCreateScan", &index->cache, false,
                  [&] { return new VindleScan(index, startKey, endKey); });
}

VindleScan* VindleCreateScan(VindleIndex* index) {
    if (!index) return nullptr;
    std::vector<uint8_t> low(index->g.keySize, 0x00), high(index->g.keySize, 0xff);
    return Locked("VindleCreateScan", &index->cache, false,
                  [&] { return new VindleScan(index, low.data(), high.data()); });
}

int VindleScanGetNext(VindleScan* scan, unsigned char* keyOut, unsigned char* dataOut) {
    if (!scan) return 0;
    return Locked("VindleScanGetNext", &scan->index->cache, false,
                  [&] { return scan->Fetch(true, keyOut, dataOut); });
}

int VindleScanGetPrev(VindleScan* scan, unsigned char* keyOut, unsigned char* dataOut) {
    if (!scan) return 0;
    return Locked("VindleScanGetPrev", &scan->index->cache, false,
                  [&] { return scan->Fetch(false, keyOut, dataOut); });
}

void VindleScanClose(VindleScan* scan) {
    if (!scan) return;
    Locked("VindleScanClose", nullptr, false, [&] { delete scan; });  // touches no page
}

void VindleGetAuxData(VindleIndex* index, unsigned char* buffer) {
    if (!index || !buffer) return;
    Locked("VindleGetAuxData", &index->cache, true, [&] { index->GetAux(buffer); });
}

void VindleSetAuxData(VindleIndex* index, const unsigned char* buffer) {
    if (!index || !buffer) return;
    Locked("VindleSetAuxData", &index->cache, true, [&] { index->SetAux(buffer); });
}

// Dump has no failure handling of its own: a failure is reported like the others'.
void VindleDumpIndex(VindleIndex* index) {
    if (!index) return;
    Locked("VindleDumpIndex", &index->cache, false, [&] {
        index->Dump(stdout);
        fflush(stdout);
    });
}

void VindleRepairIndex(VindleIndex* index, unsigned pageSize, unsigned keySize, unsigned dataSize,
                       unsigned auxSize, int unique) {
    if (!index) return;
    Locked("VindleRepairIndex", &index->cache, true,
           [&] { index->Repair(MakeGeometry(pageSize, keySize, dataSize, auxSize, unique)); });
}

}  // extern "C"
