// The text dump of an index: the head page, then the tree depth first from the root.
#include <string>
#include <vector>

#include "index.h"

using namespace vindle;

namespace {

constexpr const char* kRule = "------------------\n";

// Keys and data are printed like "%.48s" / "%.8s" would print them, but never beyond the
// field itself: up to the first zero byte or the width, whichever comes first.
void PutField(FILE* out, const uint8_t* p, uint32_t size, uint32_t width) {
    uint32_t n = 0, limit = size < width ? size : width;
    while (n < limit && p[n] != 0) ++n;
    fwrite(p, 1, n, out);
}

class CDumper {
public:
    CDumper(VindleIndex& index, FILE* out) : m_index(index), m_g(index.g), m_out(out) {
        m_pages = index.cache.FilePages();
        m_seen.assign(m_pages, false);
    }

    void Run() {
        uint32_t root;
        {
            CPage h = m_index.cache.Get(0);
            const uint8_t* p = h.Data();
            fprintf(m_out, "%sHead Page %uc #%u\n", kRule, unsigned(PageType(p)), PageNumber(p));
            fprintf(m_out, "%sData Size %u\n", kRule, Get32(p + head::kDataSize));
            fprintf(m_out, "Key  Size %u\n", Get32(p + head::kKeySize));
            fprintf(m_out, "Page Size %u\n", Get32(p + head::kPageSize));
            fprintf(m_out, "Free Map Size %u\n", Get32(p + head::kFreeMapSize));
            fprintf(m_out, "Next Free Map %u\n", Get32(p + head::kNextFreeMap));
            fprintf(m_out, "Free Map Seq  %u\n", Get32(p + head::kFreeMapSeq));
            root = Get32(p + head::kRootPage);
            fprintf(m_out, "Root Page %u\n", root);
            const uint8_t* map = p + m_g.FreeMapOffset();
            uint32_t rows = m_g.FreeMapSize() * 8 / 64;
            for (uint32_t row = 0; row < rows; ++row) {
                fprintf(m_out, "%.4x  ", row * 64);
                char line[65];
                for (uint32_t b = 0; b < 64; ++b) {
                    uint32_t bit = row * 64 + b;
                    line[b] = (map[bit / 8] >> (bit % 8)) & 1 ? 'X' : '.';
                }
                line[64] = '\n';
                fwrite(line, 1, 65, m_out);
            }
        }
        Page(root, false, 0);
    }

private:
    // Pages outside the file, or met a second time, are not followed: a damaged file cannot
    // make the dump read outside it or run forever.
    void Page(uint32_t number, bool isLeaf, int depth) {
        if (number == 0 || number >= m_pages || m_seen[number] || depth > 64) return;
        m_seen[number] = true;
        if (isLeaf) {
            Leaf(number);
            return;
        }
        std::vector<uint32_t> children;
        bool lastLevel;
        {
            CPage p = m_index.cache.Get(number);
            CNonLeafView nl(p.Data(), m_g);
            fprintf(m_out, "%sNL Page %uc #%u\n", kRule, unsigned(PageType(p.Data())),
                    PageNumber(p.Data()));
            fprintf(m_out, "%sParent Page %u\n", kRule, nl.Parent());
            fprintf(m_out, "No Keys %u\n", nl.StoredCount());
            fprintf(m_out, "LastLevel %d\n", int(nl.LastLevel()));
            for (uint32_t i = 0; i < nl.Count(); ++i) {
                PutField(m_out, nl.Key(i), m_g.keySize, 48);
                fprintf(m_out, " -> %u\n", nl.Child(i));
                children.push_back(nl.Child(i));
            }
            lastLevel = nl.LastLevel() == 1;
        }
        for (uint32_t c : children) Page(c, lastLevel, depth + 1);
    }

    void Leaf(uint32_t number) {
        CPage p = m_index.cache.Get(number);
        CLeafView leaf(p.Data(), m_g);
        fprintf(m_out, "%sLeaf Page %uc #%u\n", kRule, unsigned(PageType(p.Data())),
                PageNumber(p.Data()));
        fprintf(m_out, "%sParent Page %u\n", kRule, leaf.Parent());
        fprintf(m_out, "No Keys %u\n", leaf.StoredCount());
        fprintf(m_out, "Previous Page %d\n", int(leaf.Previous()));
        fprintf(m_out, "Next     Page %d\n", int(leaf.Next()));
        for (uint32_t i = 0; i < leaf.Count(); ++i) {
            PutField(m_out, leaf.Key(i), m_g.keySize, 48);
            fputs(" -> ", m_out);
            PutField(m_out, leaf.Data(i), m_g.dataSize, 8);
            fputc('\n', m_out);
        }
    }

    VindleIndex& m_index;
    const Geometry& m_g;
    FILE* m_out;
    uint64_t m_pages = 0;
    std::vector<bool> m_seen;
};

}  // namespace

void VindleIndex::Dump(FILE* out) {
    CDumper(*this, out).Run();
}
