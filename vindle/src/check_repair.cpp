// The structural check of an index and its rebuild from the records of its leaf pages.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "exceptions.h"
#include "index.h"

using namespace vindle;

namespace {

// Walks the tree from the root. Besides the rules on page kinds, numbers and counts, a page
// that lies beyond the end of the file or is reached a second time (a cycle, or two parents)
// fails the check instead of being read.
class CChecker {
public:
    CChecker(VindleIndex& index) : m_index(index), m_g(index.g) {
        m_pages = index.cache.FilePages();
        m_seen.assign(m_pages, false);
    }

    bool Run() {
        if (m_index.cache.LeftMidChange()) return false;
        if (m_pages < 3) return false;
        uint32_t root;
        {
            CPage h = m_index.cache.Get(0);
            const uint8_t* p = h.Data();
            if (PageType(p) != kHeadPageType || PageNumber(p) != 0) return false;
            Geometry g = Geometry::FromHead(p);
            if (g.keySize >= g.pageSize || g.dataSize >= g.pageSize) return false;
            if (uint64_t(g.pageSize) - g.auxSize !=
                uint64_t(Get32(p + head::kFreeMapSize)) + kHeadFixedSize)
                return false;
            if (Get32(p + head::kFreeMapSeq) != 0) return false;
            root = Get32(p + head::kRootPage);
        }
        if (!Visit(root)) return false;
        {
            CPage r = m_index.cache.Get(root);
            if (Get32(r.Data() + nonleaf::kParent) != 0) return false;
        }
        return CheckNonLeaf(root, 0) && m_lastLeafNext == 0;
    }

private:
    bool InFile(uint32_t page) const { return page != 0 && page < m_pages; }
    bool Visit(uint32_t page) {
        if (!InFile(page) || m_seen[page]) return false;
        m_seen[page] = true;
        return true;
    }
    // A non-zero page reference must name a page whose stored number equals it.
    bool NamesItself(uint32_t page) {
        if (!InFile(page)) return false;
        CPage p = m_index.cache.Get(page);
        return PageNumber(p.Data()) == page;
    }

    bool CheckNonLeaf(uint32_t number, int depth) {
        if (depth > 64) return false;
        std::vector<uint32_t> children;
        uint32_t lastLevel;
        {
            CPage p = m_index.cache.Get(number);
            CNonLeafView nl(p.Data(), m_g);
            if (PageType(p.Data()) != kNonLeafPageType) return false;
            uint32_t parent = nl.Parent();
            // Beyond the stated rules: a non-leaf page without entries leads nowhere, and a
            // descent through it would take the head page for a leaf and write into it.
            if (nl.StoredCount() > m_g.NonLeafCapacity() || nl.StoredCount() == 0) return false;
            lastLevel = nl.LastLevel();
            for (uint32_t i = 0; i < nl.Count(); ++i) children.push_back(nl.Child(i));
            p.Release();
            if (parent != 0 && !NamesItself(parent)) return false;
        }
        for (uint32_t child : children) {
            if (!Visit(child)) return false;
            uint8_t type;
            {
                CPage c = m_index.cache.Get(child);
                if (PageNumber(c.Data()) != child) return false;
                type = PageType(c.Data());
            }
            if (lastLevel == 1) {
                if (type != kLeafPageType || !CheckLeaf(child)) return false;
            } else {
                if (type != kNonLeafPageType || !CheckNonLeaf(child, depth + 1)) return false;
            }
        }
        return true;
    }

    bool LeafNeighbourOk(uint32_t page) {
        if (page == 0) return true;
        if (!InFile(page)) return false;
        CPage p = m_index.cache.Get(page);
        return PageType(p.Data()) == kLeafPageType && PageNumber(p.Data()) == page;
    }

    bool CheckLeaf(uint32_t number) {
        uint32_t parent, next, previous;
        {
            CPage p = m_index.cache.Get(number);
            CLeafView leaf(p.Data(), m_g);
            if (PageType(p.Data()) != kLeafPageType) return false;
            if (leaf.StoredCount() > m_g.LeafCapacity()) return false;
            parent = leaf.Parent();
            next = leaf.Next();
            previous = leaf.Previous();
        }
        if (parent == 0 || !NamesItself(parent)) return false;
        if (!LeafNeighbourOk(previous) || !LeafNeighbourOk(next)) return false;
        // Beyond the stated rules: the leaves, taken in tree order, must be exactly the chain
        // that scans follow. A ring or a leaf missing from its parent would otherwise pass.
        if (previous != m_lastLeaf || (m_lastLeaf != 0 && m_lastLeafNext != number)) return false;
        m_lastLeaf = number;
        m_lastLeafNext = next;
        return true;
    }

    VindleIndex& m_index;
    const Geometry& m_g;
    uint64_t m_pages = 0;
    std::vector<bool> m_seen;
    uint32_t m_lastLeaf = 0;      // the leaf met last in tree order, 0 before the first
    uint32_t m_lastLeafNext = 0;  // and the Next Page it named
};

// The scratch file of a repair: in the temporary directory, named "CVN" and a unique suffix,
// and unlinked at once so that nothing is left behind whatever happens to the process.
int OpenScratchFile() {
    const char* dir = getenv("TMPDIR");
    std::string path = std::string(dir && *dir ? dir : "/tmp") + "/CVNXXXXXX";
    if (path.size() > 256) return -1;
    std::vector<char> name(path.begin(), path.end());
    name.push_back('\0');
    int fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd >= 0) unlink(name.data());
    return fd;
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

bool VindleIndex::Check() {
    return CChecker(*this).Run();
}

// Saves every record of every intact leaf (linked into the tree or not), recreates the file
// empty with the given sizes and adds the records again. Records are converted when the new
// key or data size differs from the old: cut, or filled up with zero bytes.
void VindleIndex::Repair(const Geometry& target) {
    if (!target.Usable()) throw CVindleException{kCreateFailed};
    int scratch = OpenScratchFile();
    if (scratch < 0) return;
    const uint32_t K = target.keySize, D = target.dataSize;
    std::vector<uint8_t> out;
    std::vector<uint8_t> record(size_t(K) + D);
    bool written = true;
    uint64_t pages = cache.FilePages();
    for (uint64_t i = 0; i < pages && i <= UINT32_MAX; ++i) {
        CPage p = cache.Get(uint32_t(i));
        CLeafView leaf(p.Data(), g);
        if (PageType(p.Data()) != kLeafPageType || PageNumber(p.Data()) != i ||
            leaf.StoredCount() > g.LeafCapacity())
            continue;
        for (uint32_t r = 0; r < leaf.Count(); ++r) {
            std::fill(record.begin(), record.end(), 0);
            memcpy(record.data(), leaf.Key(r), std::min(K, g.keySize));
            memcpy(record.data() + K, leaf.Data(r), std::min(D, g.dataSize));
            out.insert(out.end(), record.begin(), record.end());
        }
        if (out.size() >= (1u << 20)) {
            written &= WriteAll(scratch, out.data(), out.size());
            out.clear();
        }
    }
    written &= WriteAll(scratch, out.data(), out.size());
    if (!written) {  // the saved records are incomplete: keep the index as it is
        close(scratch);
        return;
    }
    std::string path = cache.Path();
    uint32_t buffers = cache.BufferCount();
    cache.EndOperation();  // the cache is left and rebuilt; this repair goes on in the new one
    Close();
    Create(path, target);
    Open(path, buffers);
    cache.BeginOperation(true);
    if (lseek(scratch, 0, SEEK_SET) != 0) {
        close(scratch);
        return;
    }
    std::vector<uint8_t> chunk(size_t(K + D) * 4096);
    size_t have = 0;
    for (;;) {
        ssize_t r = read(scratch, chunk.data() + have, chunk.size() - have);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        have += size_t(r);
        size_t whole = have / (K + D) * (K + D);
        for (size_t at = 0; at < whole; at += K + D) AddKey(&chunk[at], &chunk[at + K]);
        memmove(chunk.data(), chunk.data() + whole, have - whole);
        have -= whole;
    }
    close(scratch);
}
