#include "index.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "exceptions.h"

using namespace vindle;

namespace {

// Descents deeper than this can only come from a damaged file with a cycle in it.
constexpr int kMaxDepth = 64;

void BuildLeaf(uint8_t* p, uint32_t number, uint32_t parent, uint32_t next, uint32_t previous) {
    Put32(p + page::kNumber, number);
    p[page::kType] = kLeafPageType;
    Put32(p + leaf::kParent, parent);
    Put32(p + leaf::kNext, next);
    Put32(p + leaf::kPrevious, previous);
    Put32(p + leaf::kNoKeys, 0);
}

void BuildNonLeaf(uint8_t* p, uint32_t number, uint32_t parent, uint32_t lastLevel) {
    Put32(p + page::kNumber, number);
    p[page::kType] = kNonLeafPageType;
    Put32(p + nonleaf::kParent, parent);
    Put32(p + nonleaf::kLastLevel, lastLevel);
    Put32(p + nonleaf::kNoKeys, 0);
}

bool WriteAll(int fd, const uint8_t* p, size_t n) {
    while (n > 0) {
        ssize_t w = write(fd, p, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        p += w;
        n -= size_t(w);
    }
    return true;
}

}  // namespace

void VindleIndex::Create(const std::string& path, const Geometry& geometry) {
    if (!geometry.Usable()) throw CVindleException{kCreateFailed};
    // The file is rewritten in place rather than unlinked, so that every process that has it
    // open keeps writing to the one file; only a file that cannot be truncated is replaced.
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        unlink(path.c_str());
        fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    }
    if (fd < 0) throw CVindleException{kCreateFailed};
    const uint32_t P = geometry.pageSize;
    std::vector<uint8_t> pages(size_t(P) * 3, 0);
    uint8_t* h = pages.data();
    h[page::kType] = kHeadPageType;
    Put32(h + head::kPageSize, P);
    Put32(h + head::kKeySize, geometry.keySize);
    Put32(h + head::kDataSize, geometry.dataSize);
    Put32(h + head::kFreeMapSize, geometry.FreeMapSize());
    Put32(h + head::kRootPage, 1);
    Put32(h + head::kAuxSize, geometry.auxSize);
    Put32(h + head::kVersion, kFormatVersion);
    Put32(h + head::kUnique, geometry.unique ? 1 : 0);
    h[geometry.FreeMapOffset()] = 0x07;  // pages 0, 1 and 2 in use
    uint8_t* root = h + P;
    BuildNonLeaf(root, 1, 0, 1);
    Put32(root + nonleaf::kNoKeys, 1);
    Put32(root + nonleaf::kEntries + geometry.keySize, 2);  // key of zero bytes -> page 2
    BuildLeaf(h + 2 * size_t(P), 2, 1, 0, 0);
    bool ok = WriteAll(fd, pages.data(), pages.size());
    ok &= close(fd) == 0;
    if (!ok) throw CVindleException{kCreateFailed};
    CPageCache::ForgetFile(path);
}

void VindleIndex::Open(const std::string& path, uint32_t bufferCount) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw CVindleException{kOpenFailed};
    uint8_t h[kHeadFixedSize];
    size_t got = 0;
    while (got < sizeof h) {
        ssize_t r = read(fd, h + got, sizeof h - got);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        got += size_t(r);
    }
    close(fd);
    if (got < sizeof h || Get32(h + head::kVersion) != kFormatVersion)
        throw CVindleException{kBadHead};
    Geometry geometry = Geometry::FromHead(h);
    if (!geometry.Usable()) throw CVindleException{kBadHead};
    g = geometry;
    cache.Open(path, g.pageSize, bufferCount);
}

uint32_t VindleIndex::RootPage() {
    CPage h = cache.Get(0);
    return Get32(h.Data() + head::kRootPage);
}

uint32_t VindleIndex::DescendToLeaf(const uint8_t* key) {
    uint32_t pageNumber = RootPage();
    for (int depth = 0; depth < kMaxDepth; ++depth) {
        CPage p = cache.Get(pageNumber);
        CNonLeafView nl(p.Data(), g);
        // The last entry whose separator is not greater than the key, else entry 0.
        uint32_t lo = 0, hi = nl.Count();
        while (lo < hi) {
            uint32_t mid = (lo + hi) / 2;
            if (Compare(nl.Key(mid), key) <= 0)
                lo = mid + 1;
            else
                hi = mid;
        }
        if (nl.Count() == 0) throw CBufferException{kReadFailed};  // a damaged, unchecked file
        uint32_t child = nl.Child(lo > 0 ? lo - 1 : 0);
        bool lastLevel = nl.LastLevel() == 1;
        p.Release();
        if (lastLevel) return child;
        pageNumber = child;
    }
    throw CBufferException{kReadFailed};
}

// Page allocation takes the lowest clear bit of the whole free map, every bit it holds. In a
// sound file every page inside the file has its bit set; a damaged map that says otherwise
// must not hand out the head page or any page the file already holds, so those are skipped.
uint32_t VindleIndex::AllocatePage() {
    const uint64_t inFile = cache.FilePages();
    CPage h = cache.Get(0);
    uint8_t* map = h.Data() + g.FreeMapOffset();
    const uint32_t bytes = g.FreeMapSize();
    for (uint32_t i = uint32_t(std::min<uint64_t>(inFile / 8, bytes)); i < bytes; ++i) {
        if (map[i] == 0xFF) continue;
        for (uint32_t bit = 0; bit < 8; ++bit) {
            uint32_t page = i * 8 + bit;
            if (map[i] & (1u << bit) || page == 0 || page < inFile) continue;
            map[i] |= uint8_t(1u << bit);
            h.MarkDirty();
            h.Release();
            return page;
        }
    }
    throw CVindleException{kNoFreePage};
}

uint32_t VindleIndex::NewLeaf(uint32_t parent, uint32_t next, uint32_t previous) {
    uint32_t n = AllocatePage();
    std::vector<uint8_t> bytes(g.pageSize, 0);
    BuildLeaf(bytes.data(), n, parent, next, previous);
    cache.WriteNewPage(n, bytes.data());
    return n;
}

uint32_t VindleIndex::NewNonLeaf(uint32_t parent, uint32_t lastLevel) {
    uint32_t n = AllocatePage();
    std::vector<uint8_t> bytes(g.pageSize, 0);
    BuildNonLeaf(bytes.data(), n, parent, lastLevel);
    cache.WriteNewPage(n, bytes.data());
    return n;
}

int VindleIndex::AddKey(const uint8_t* key, const uint8_t* data) {
    cache.BeginBatch();
    uint32_t leafNumber = DescendToLeaf(key);
    CPage leafPage = cache.Get(leafNumber);
    {
        CLeafView leaf(leafPage.Data(), g);
        if (g.unique) {
            uint32_t at = leaf.LowerBound(key);
            if (at < leaf.Count() && Compare(leaf.Key(at), key) == 0) {
                leafPage.Release();
                cache.EndBatch();
                return 0;
            }
        }
        if (leaf.StoredCount() >= g.LeafCapacity()) SplitLeaf(leafPage, leafNumber, key);
    }
    CLeafView leaf(leafPage.Data(), g);
    uint32_t n = leaf.Count();
    uint32_t pos = leaf.UpperBound(key);  // after every equal key
    if (pos == 0 && leaf.Previous() != 0) ReplaceSeparatorOf(leafNumber, leaf.Parent(), key);
    cache.SaveUndo(leafPage, uint32_t(leaf.Record(pos) - leafPage.Data()),
                   (n + 1 - pos) * g.RecordSize());
    memmove(leaf.Record(pos + 1), leaf.Record(pos), size_t(n - pos) * g.RecordSize());
    memcpy(leaf.Key(pos), key, g.keySize);
    memcpy(leaf.Data(pos), data, g.dataSize);
    leaf.SetCount(n + 1);
    cache.ClearUndo();
    leafPage.MarkDirty();
    leafPage.Release();
    cache.EndBatch();
    return 1;
}

// Moves the upper half of a full leaf to a new right neighbour and hangs that into the
// parent; afterwards leafPage/leafNumber are the half that the key belongs to.
void VindleIndex::SplitLeaf(CPage& leafPage, uint32_t& leafNumber, const uint8_t* key) {
    CLeafView old(leafPage.Data(), g);
    uint32_t parent = old.Parent(), next = old.Next();
    uint32_t rightNumber = NewLeaf(parent, next, leafNumber);
    CPage rightPage = cache.Get(rightNumber);
    CLeafView right(rightPage.Data(), g);
    leafPage.MarkDirty();
    rightPage.MarkDirty();
    if (next != 0) {
        CPage n = cache.Get(next);
        CLeafView(n.Data(), g).SetPrevious(rightNumber);
        n.MarkDirty();
        n.Release();
    }
    old.SetNext(rightNumber);
    uint32_t m = old.Count(), keep = m / 2;
    memcpy(right.Record(0), old.Record(keep), size_t(m - keep) * g.RecordSize());
    right.SetCount(m - keep);
    old.SetCount(keep);
    InsertNonLeaf(parent, right.Key(0), rightNumber, leafNumber);
    if (Compare(right.Key(0), key) <= 0) {
        leafPage = std::move(rightPage);
        leafNumber = rightNumber;
    } else {
        rightPage.Release();
    }
}

// A key that becomes the first of a leaf other than the first leaf becomes its separator in
// the parent as well (only there).
void VindleIndex::ReplaceSeparatorOf(uint32_t leafNumber, uint32_t parent, const uint8_t* key) {
    CPage p = cache.Get(parent);
    CNonLeafView nl(p.Data(), g);
    for (uint32_t i = 0; i < nl.Count(); ++i) {
        if (nl.Child(i) == leafNumber) {
            memcpy(nl.Key(i), key, g.keySize);
            p.MarkDirty();
            break;
        }
    }
    p.Release();
}

void VindleIndex::InsertNonLeaf(uint32_t pageNumber, const uint8_t* key, uint32_t child,
                                uint32_t left) {
    // The key may point into a page that a split below rearranges: keep a copy.
    std::vector<uint8_t> k(key, key + g.keySize);
    CPage target = cache.Get(pageNumber);
    uint32_t targetNumber = pageNumber;
    bool inNewPage = false;
    const uint32_t cap = g.NonLeafCapacity();
    if (CNonLeafView(target.Data(), g).StoredCount() >= cap) {
        CNonLeafView p(target.Data(), g);
        uint32_t parent = p.Parent();
        uint32_t sNumber = NewNonLeaf(parent, p.LastLevel());
        CPage sPage = cache.Get(sNumber);
        CNonLeafView s(sPage.Data(), g);
        target.MarkDirty();
        sPage.MarkDirty();
        uint32_t m = p.Count(), keep = m / 2;
        memcpy(s.Entry(0), p.Entry(keep), size_t(m - keep) * g.EntrySize());
        s.SetCount(m - keep);
        p.SetCount(keep);
        for (uint32_t i = 0; i < m - keep; ++i) {
            CPage c = cache.Get(s.Child(i));
            Put32(c.Data() + nonleaf::kParent, sNumber);  // same offset in leaves
            c.MarkDirty();
            c.Release();
        }
        if (parent != 0) {
            InsertNonLeaf(parent, s.Key(0), sNumber, pageNumber);
        } else {
            uint32_t rootNumber = NewNonLeaf(0, 0);
            CPage h = cache.Get(0);
            Put32(h.Data() + head::kRootPage, rootNumber);
            h.MarkDirty();
            h.Release();
            p.SetParent(rootNumber);
            s.SetParent(rootNumber);
            InsertNonLeaf(rootNumber, p.Key(0), pageNumber, 0);
            InsertNonLeaf(rootNumber, s.Key(0), sNumber, 0);
        }
        if (Compare(s.Key(0), k.data()) <= 0) {
            target = std::move(sPage);
            targetNumber = sNumber;
            inNewPage = true;
        } else {
            sPage.Release();
        }
    }
    CNonLeafView t(target.Data(), g);
    uint32_t n = t.Count(), pos = 0;
    for (; pos < n; ++pos) {
        if (Compare(t.Key(pos), k.data()) > 0) break;
        if (left != 0 && t.Child(pos) == left) {
            ++pos;
            break;
        }
    }
    memmove(t.Entry(pos + 1), t.Entry(pos), size_t(n - pos) * g.EntrySize());
    memcpy(t.Key(pos), k.data(), g.keySize);
    t.SetChild(pos, child);
    if (inNewPage) {
        CPage c = cache.Get(child);
        Put32(c.Data() + nonleaf::kParent, targetNumber);
        c.MarkDirty();
        c.Release();
    }
    t.SetCount(n + 1);
    target.MarkDirty();
    target.Release();
}

void VindleIndex::GetAux(uint8_t* out) {
    CPage h = cache.Get(0);
    memcpy(out, h.Data() + head::kAuxData, g.auxSize);
    h.MarkDirty();
    h.Release();
}

void VindleIndex::SetAux(const uint8_t* in) {
    CPage h = cache.Get(0);
    memcpy(h.Data() + head::kAuxData, in, g.auxSize);
    h.MarkDirty();
    h.Release();
}
