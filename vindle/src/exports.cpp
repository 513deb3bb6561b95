// The exported C functions: each takes the library mutex for its whole run and turns any
// failure inside into a fatal report, except open, which answers a failure with NULL.
#include <set>
#include <string>

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

template <class Body>
auto Guarded(const char* exportName, Body&& body) -> decltype(body()) {
    try {
        return body();
    } catch (const CBufferException& e) {
        ReportFatal("BufferException", exportName, e.code);
    } catch (const CVindleException& e) {
        ReportFatal("VindleException", exportName, e.code);
    } catch (...) {  // out of memory: no code of its own
        ReportFatal("VindleException", exportName, 0);
    }
}

void Activate(VindleIndex* index, bool writing) {
    CNamedMutex::Instance().SetActive(index->cache.RegionName(), writing);
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
    return Guarded("VindleCreateIndex", [&] {
        CLibraryLock lock;
        CNamedMutex::Instance().SetActive(RegionNameForPath(CanonicalPath(path)), true);
        VindleIndex::Create(path, MakeGeometry(pageSize, keySize, dataSize, auxSize, unique));
        return 1;
    });
}

VindleIndex* VindleOpenIndex(const char* path, unsigned bufferCount) {
    if (!path) return nullptr;
    try {
        CLibraryLock lock;
        auto* index = new VindleIndex;
        try {
            index->Open(path, bufferCount);
        } catch (...) {
            delete index;
            return nullptr;
        }
        OpenIndexes().insert(index);
        return index;
    } catch (...) {
        return nullptr;
    }
}

int VindleCloseIndex(VindleIndex* index) {
    if (!index) return 0;
    return Guarded("VindleCloseIndex", [&] {
        CLibraryLock lock;
        Activate(index, true);
        index->Close();
        OpenIndexes().erase(index);
        delete index;
        return 1;
    });
}

int VindleAddKey(VindleIndex* index, unsigned char* key, unsigned char* data) {
    if (!index || !key || !data) return 0;
    return Guarded("VindleAddKey", [&] {
        CLibraryLock lock;
        Activate(index, true);
        return index->AddKey(key, data);
    });
}

int VindleCheckIndex(VindleIndex* index) {
    if (!index) return 0;
    return Guarded("VindleCheckIndex", [&] {
        CLibraryLock lock;
        Activate(index, false);
        return index->Check() ? 1 : 0;
    });
}

VindleScan* VindleCreateScanRange(VindleIndex* index, unsigned char* startKey,
                                  unsigned char* endKey) {
    if (!index || !startKey || !endKey) return nullptr;
    return Guarded("VindleCreateScan", [&] {
        CLibraryLock lock;
        Activate(index, false);
        return new VindleScan(index, startKey, endKey);
    });
}

VindleScan* VindleCreateScan(VindleIndex* index) {
    if (!index) return nullptr;
    return Guarded("VindleCreateScan", [&] {
        std::string low(index->g.keySize, '\x00'), high(index->g.keySize, '\xff');
        CLibraryLock lock;
        Activate(index, false);
        return new VindleScan(index, reinterpret_cast<const uint8_t*>(low.data()),
                              reinterpret_cast<const uint8_t*>(high.data()));
    });
}

int VindleScanGetNext(VindleScan* scan, unsigned char* keyOut, unsigned char* dataOut) {
    if (!scan) return 0;
    return Guarded("VindleScanGetNext", [&] {
        CLibraryLock lock;
        Activate(scan->index, false);
        return scan->Fetch(true, keyOut, dataOut);
    });
}

int VindleScanGetPrev(VindleScan* scan, unsigned char* keyOut, unsigned char* dataOut) {
    if (!scan) return 0;
    return Guarded("VindleScanGetPrev", [&] {
        CLibraryLock lock;
        Activate(scan->index, false);
        return scan->Fetch(false, keyOut, dataOut);
    });
}

void VindleScanClose(VindleScan* scan) {
    Guarded("VindleScanClose", [&] {
        CLibraryLock lock;
        delete scan;
    });
}

void VindleGetAuxData(VindleIndex* index, unsigned char* buffer) {
    if (!index || !buffer) return;
    Guarded("VindleGetAuxData", [&] {
        CLibraryLock lock;
        Activate(index, true);
        index->GetAux(buffer);
    });
}

void VindleSetAuxData(VindleIndex* index, const unsigned char* buffer) {
    if (!index || !buffer) return;
    Guarded("VindleSetAuxData", [&] {
        CLibraryLock lock;
        Activate(index, true);
        index->SetAux(buffer);
    });
}

void VindleDumpIndex(VindleIndex* index) {
    if (!index) return;
    Guarded("VindleDumpIndex", [&] {
        CLibraryLock lock;
        Activate(index, false);
        index->Dump(stdout);
        fflush(stdout);
    });
}

void VindleRepairIndex(VindleIndex* index, unsigned pageSize, unsigned keySize,
                       unsigned dataSize, unsigned auxSize, int unique) {
    if (!index) return;
    Guarded("VindleRepairIndex", [&] {
        CLibraryLock lock;
        Activate(index, true);
        index->Repair(MakeGeometry(pageSize, keySize, dataSize, auxSize, unique));
    });
}

}  // extern "C"
