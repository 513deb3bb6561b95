#pragma once
// A small GIF writer for the tests: real LZW (with code growth, a full table and clears), data
// sub-blocks, colour tables, the graphic control extension and interlaced row order, so the
// decoder can be checked against pixels the test chose. Test code only.
#include <algorithm>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "images/image_impl.h"

namespace corvane::test {

// Packs codes of growing width least significant bit first, as GIF streams store them.
class CCodePacker {
public:
    void Put(int code, int bits) {
        m_acc |= uint32_t(code) << m_count;
        m_count += bits;
        while (m_count >= 8) {
            m_bytes.push_back(uint8_t(m_acc));
            m_acc >>= 8;
            m_count -= 8;
        }
    }
    std::vector<uint8_t> Finish() {
        if (m_count > 0) m_bytes.push_back(uint8_t(m_acc));
        m_acc = 0;
        m_count = 0;
        return m_bytes;
    }

private:
    std::vector<uint8_t> m_bytes;
    uint32_t m_acc = 0;
    int m_count = 0;
};

// LZW-compresses `pixels`; with `clearWhenFull` false a full table is kept and used as is.
inline std::vector<uint8_t> EncodeLzw(const std::vector<uint8_t>& pixels, int minCodeSize,
                                      bool clearWhenFull = true) {
    const int clear = 1 << minCodeSize;
    CCodePacker out;
    std::unordered_map<uint32_t, int> table;
    int bits = minCodeSize + 1;
    int next = clear + 2;
    out.Put(clear, bits);
    int prefix = -1;
    for (uint8_t p : pixels) {
        if (prefix < 0) {
            prefix = p;
            continue;
        }
        const uint32_t key = uint32_t(prefix) << 8 | p;
        auto it = table.find(key);
        if (it != table.end()) {
            prefix = it->second;
            continue;
        }
        out.Put(prefix, bits);
        if (next < 4096) {
            table[key] = next++;
            // The reader defines its entries one code later, and widens when its next free
            // code reaches the limit.
            if (next - 1 == (1 << bits) && bits < 12) ++bits;
        }
        if (clearWhenFull && next >= 4095) {
            out.Put(clear, bits);
            table.clear();
            bits = minCodeSize + 1;
            next = clear + 2;
        }
        prefix = p;
    }
    if (prefix >= 0) out.Put(prefix, bits);
    out.Put(clear + 1, bits);
    return out.Finish();
}

inline void AppendSubBlocks(std::vector<uint8_t>& file, const std::vector<uint8_t>& data) {
    for (size_t at = 0; at < data.size(); at += 255) {
        const size_t n = std::min<size_t>(255, data.size() - at);
        file.push_back(uint8_t(n));
        file.insert(file.end(), data.begin() + long(at), data.begin() + long(at + n));
    }
    file.push_back(0);
}

inline void AppendTable(std::vector<uint8_t>& file, const std::vector<SRgb>& table) {
    for (const SRgb& c : table) file.insert(file.end(), {c.red, c.green, c.blue});
}

// The packed-byte size code of a table (which must hold a power of two from 2 to 256).
inline uint8_t TableBits(size_t entries) {
    uint8_t bits = 0;
    while ((size_t(2) << bits) < entries) ++bits;
    return bits;
}

struct SGifFrame {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;  // top row first
    std::vector<SRgb> localTable;
    int transparent = -1;
    bool interlaced = false;
    int minCodeSize = 8;
    bool clearWhenFull = true;
};

inline std::vector<uint8_t> InterlaceOrder(const SGifFrame& f) {
    std::vector<uint8_t> rows;
    const int start[] = {0, 4, 2, 1};
    const int step[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int y = start[pass]; y < f.height; y += step[pass])
            rows.insert(rows.end(), f.pixels.begin() + long(y) * f.width,
                        f.pixels.begin() + long(y + 1) * f.width);
    return rows;
}

inline void AppendFrame(std::vector<uint8_t>& file, const SGifFrame& f) {
    if (f.transparent >= 0)
        file.insert(file.end(), {'!', 0xF9, 4, 1, 0, 0, uint8_t(f.transparent), 0});
    file.insert(file.end(), {',', 0, 0, 0, 0, uint8_t(f.width), uint8_t(f.width >> 8),
                             uint8_t(f.height), uint8_t(f.height >> 8)});
    uint8_t packed = f.interlaced ? 0x40 : 0;
    if (!f.localTable.empty()) packed |= 0x80 | TableBits(f.localTable.size());
    file.push_back(packed);
    AppendTable(file, f.localTable);
    file.push_back(uint8_t(f.minCodeSize));
    AppendSubBlocks(file, EncodeLzw(f.interlaced ? InterlaceOrder(f) : f.pixels, f.minCodeSize,
                                    f.clearWhenFull));
}

inline std::vector<uint8_t> ScreenHeader(int width, int height, const std::vector<SRgb>& table) {
    std::vector<uint8_t> file = {'G',
                                 'I',
                                 'F',
                                 '8',
                                 '9',
                                 'a',
                                 uint8_t(width),
                                 uint8_t(width >> 8),
                                 uint8_t(height),
                                 uint8_t(height >> 8)};
    file.push_back(table.empty() ? 0 : uint8_t(0x80 | TableBits(table.size())));
    file.insert(file.end(), {0, 0});
    AppendTable(file, table);
    return file;
}

inline std::vector<uint8_t> WriteGif(const std::vector<SRgb>& globalTable,
                                     const std::vector<SGifFrame>& frames) {
    std::vector<uint8_t> file = ScreenHeader(frames.empty() ? 1 : frames[0].width,
                                             frames.empty() ? 1 : frames[0].height, globalTable);
    for (const SGifFrame& f : frames) AppendFrame(file, f);
    file.push_back(';');
    return file;
}

}  // namespace corvane::test
