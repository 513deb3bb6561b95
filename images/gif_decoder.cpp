#include "images/gif_decoder.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "images/byte_reader.h"

namespace corvane {

namespace {

constexpr size_t kChunk = 16384;
constexpr int kMaxCodes = 4096;
constexpr int kMaxCodeBits = 12;

}  // namespace

// Bytes of the file, fetched a chunk at a time so a large file is never held whole.
class CGifImage::CSource {
public:
    using Fill = ByteReader;
    explicit CSource(Fill fill) : m_fill(std::move(fill)), m_buffer(kChunk) {}

    // -1 at the end of the data.
    int Byte() {
        if (m_pos == m_end && !Refill()) return -1;
        return m_buffer[m_pos++];
    }
    // How many of `count` bytes could be read.
    size_t Read(uint8_t* out, size_t count) {
        size_t done = 0;
        while (done < count) {
            if (m_pos == m_end && !Refill()) break;
            const size_t take = std::min(count - done, m_end - m_pos);
            std::memcpy(out + done, m_buffer.data() + m_pos, take);
            m_pos += take;
            done += take;
        }
        return done;
    }
    // Skips data sub-blocks up to the zero size byte; false when the data ends first.
    bool SkipSubBlocks() {
        for (;;) {
            const int size = Byte();
            if (size <= 0) return size == 0;
            uint8_t scratch[255];
            if (Read(scratch, size_t(size)) != size_t(size)) return false;
        }
    }

private:
    bool Refill() {
        m_pos = 0;
        m_end = m_fill(m_buffer.data(), m_buffer.size());
        return m_end > 0;
    }

    Fill m_fill;
    std::vector<uint8_t> m_buffer;
    size_t m_pos = 0;
    size_t m_end = 0;
};

namespace {

// Hands the LZW decoder the bits of the image's data sub-blocks, least significant bit first.
// A whole sub-block is fetched at a time, so the per-code work is a few shifts.
class CBitReader {
public:
    using Read = ByteReader;
    explicit CBitReader(Read read) : m_read(std::move(read)) {}

    // -1 when the sub-blocks end before `bits` more bits arrive.
    int Code(int bits) {
        while (m_count < bits) {
            if (m_pos == m_size && !NextBlock()) return -1;
            m_bits |= uint32_t(m_block[m_pos++]) << m_count;
            m_count += 8;
        }
        const int code = int(m_bits & ((1u << bits) - 1));
        m_bits >>= bits;
        m_count -= bits;
        return code;
    }
    // True once the zero-size sub-block was read (the image data is then fully consumed).
    bool Terminated() const { return m_terminated; }
    bool Broken() const { return m_broken; }

private:
    // A sub-block the file cut short still gives the bytes it holds; the data is broken
    // only once those are used up.
    bool NextBlock() {
        if (m_terminated || m_broken) return false;
        if (m_short) {
            m_broken = true;
            return false;
        }
        uint8_t size = 0;
        if (m_read(&size, 1) != 1) {
            m_broken = true;
            return false;
        }
        if (size == 0) {
            m_terminated = true;
            return false;
        }
        m_pos = 0;
        m_size = m_read(m_block.data(), size);
        m_short = m_size < size;
        if (m_size == 0) m_broken = true;
        return m_size > 0;
    }

    Read m_read;
    std::array<uint8_t, 255> m_block{};
    size_t m_pos = 0;
    size_t m_size = 0;
    uint32_t m_bits = 0;
    int m_count = 0;
    bool m_short = false;
    bool m_terminated = false;
    bool m_broken = false;
};

// Writes decoded pixels straight into the picture's rows, in the order the picture stores them
// (interlaced or not). A row cut short by the end code keeps what arrived; pixels past the last
// row are dropped.
class CRowSink {
public:
    CRowSink(CImageImpl& image, bool interlaced)
        : m_image(image), m_interlaced(interlaced), m_width(size_t(image.Width())) {
        m_dest = RowPointer();
        m_done = m_dest == nullptr || m_width == 0;
    }

    void Put(uint8_t pixel) {
        if (m_done) return;
        m_dest[m_pos++] = pixel;
        if (m_pos == m_width) NextRow();
    }
    // A decoded string may run over the end of a row.
    void Put(const uint8_t* pixels, size_t count) {
        while (count > 0 && !m_done) {
            const size_t take = std::min(count, m_width - m_pos);
            std::memcpy(m_dest + m_pos, pixels, take);
            Commit(take);
            pixels += take;
            count -= take;
        }
    }
    // Where `count` more pixels go when they fit in the current row; null otherwise.
    uint8_t* Room(size_t count) {
        return !m_done && count <= m_width - m_pos ? m_dest + m_pos : nullptr;
    }
    void Commit(size_t count) {
        m_pos += count;
        if (m_pos == m_width) NextRow();
    }

private:
    uint8_t* RowPointer() { return m_image.Row(m_image.Height() - 1 - m_pictureRow); }
    void NextRow() {
        m_pos = 0;
        Advance();
        if (m_done) return;
        m_dest = RowPointer();
        if (m_dest == nullptr) m_done = true;
    }
    void Advance() {
        static constexpr std::array<int, 4> kStart = {0, 4, 2, 1};
        static constexpr std::array<int, 4> kStep = {8, 8, 4, 2};
        const int height = m_image.Height();
        if (!m_interlaced) {
            m_done = ++m_pictureRow >= height;
            return;
        }
        m_pictureRow += kStep[m_pass];
        while (m_pictureRow >= height) {
            if (++m_pass >= 4) {
                m_done = true;
                return;
            }
            m_pictureRow = kStart[m_pass];
        }
    }

    CImageImpl& m_image;
    bool m_interlaced;
    size_t m_width;
    uint8_t* m_dest = nullptr;
    size_t m_pos = 0;
    int m_pictureRow = 0;
    int m_pass = 0;
    bool m_done = false;
};

// The LZW string table: every code above the roots is a prefix code plus one last byte, so a
// string is spelled by walking prefixes backwards. Each code knows its string's length, so a
// string that fits in the current row is spelled backwards straight into place; one that runs
// over a row's end goes through a stack filled from its end.
struct SLzwTable {
    std::array<uint16_t, kMaxCodes> prefix{};
    std::array<uint16_t, kMaxCodes> length{};
    std::array<uint8_t, kMaxCodes> suffix{};
    std::array<uint8_t, kMaxCodes> first{};
    std::array<uint8_t, kMaxCodes> stack{};

    void Emit(int code, CRowSink& sink) {
        const size_t count = length[code];
        if (uint8_t* out = sink.Room(count)) {
            for (size_t i = count; i-- > 0;) {
                out[i] = suffix[code];
                code = prefix[code];
            }
            sink.Commit(count);
            return;
        }
        size_t at = stack.size();
        while (at > 0) {
            stack[--at] = suffix[code];
            if (code == prefix[code]) break;
            code = prefix[code];
        }
        sink.Put(stack.data() + at, stack.size() - at);
    }
};

// Decodes one image's LZW data; returns the count of undefined codes met, or -1 when the
// minimum code size is outside what GIF allows.
int DecodeLzw(int minCodeSize, CBitReader& bits, CRowSink& sink) {
    if (minCodeSize < 2 || minCodeSize > 9) return -1;
    auto table = std::make_unique<SLzwTable>();
    const int clear = 1 << minCodeSize;
    const int end = clear + 1;
    for (int i = 0; i < clear; ++i) {
        table->prefix[i] = uint16_t(i);
        table->length[i] = 1;
        table->suffix[i] = table->first[i] = uint8_t(i);
    }
    int codeBits = minCodeSize + 1;
    int next = clear + 2;
    int old = -1;
    int bad = 0;
    for (;;) {
        int code = bits.Code(codeBits);
        if (code < 0 || code == end) break;
        if (code == clear) {
            codeBits = minCodeSize + 1;
            next = clear + 2;
            old = -1;
            continue;
        }
        if (old < 0) {
            if (code >= clear) code = 0;
            sink.Put(uint8_t(code));
            old = code;
            continue;
        }
        // With a full table every 12-bit code is defined, so this only happens below 4096.
        int shown = code;
        if (code >= next) {
            // Undefined: decoded as the code about to be defined (old string plus its first).
            if (code > next) ++bad;
            shown = -1;
        }
        const uint8_t head = shown >= 0 ? table->first[shown] : table->first[old];
        if (next < kMaxCodes) {
            table->prefix[next] = uint16_t(old);
            table->length[next] = uint16_t(table->length[old] + 1);
            table->suffix[next] = head;
            table->first[next] = table->first[old];
            if (shown < 0) shown = next;
            ++next;
            if (next == (1 << codeBits) && codeBits < kMaxCodeBits) ++codeBits;
        }
        table->Emit(shown, sink);
        old = shown;
    }
    return bad;
}

// The palette of an image: its table, and with a transparent index 256 entries with white
// available, since the drawing code masks through the entries nearest to white and black.
std::vector<SRgb> BuildPalette(const uint8_t* table, int entries, int transparent) {
    std::vector<SRgb> palette(size_t(transparent >= 0 ? 256 : entries));
    bool white = false;
    for (int i = 0; i < entries; ++i) {
        palette[i] = {table[3 * i], table[3 * i + 1], table[3 * i + 2]};
        if (palette[i] == SRgb{255, 255, 255}) white = true;
    }
    if (transparent < 0) return palette;
    if (entries < 256) {
        for (int i = entries; i < 256; ++i) palette[i] = {255, 255, 255};
        white = true;
    }
    if (!white) palette[255] = {255, 255, 255};
    // Black goes in last: a transparent index beyond the file's table (or at 255) still reads
    // as black, so every transparent pixel has the same colour whatever the table held.
    palette[size_t(transparent)] = {0, 0, 0};
    return palette;
}

}  // namespace

int CGifImage::Load(const std::string& fileName) {
    const std::string name = ResolveName(fileName);
    std::FILE* file = std::fopen(name.c_str(), "rb");
    if (!file) return 0;
    SetFileName(name);
    CSource source(ReaderOfFile(file));
    const int result = Decode(source);
    std::fclose(file);
    return result;
}

int CGifImage::LoadBytes(std::span<const uint8_t> bytes) {
    CSource source(ReaderOfBytes(bytes));
    return Decode(source);
}

int CGifImage::Decode(CSource& source) {
    Clear();
    m_badCodes = 0;
    uint8_t screen[13];
    if (source.Read(screen, 13) != 13 || std::memcmp(screen, "GIF8", 4) != 0) return 0;
    std::vector<uint8_t> table;
    if (screen[10] & 0x80) {
        table.resize(size_t(3) << ((screen[10] & 7) + 1));
        if (source.Read(table.data(), table.size()) != table.size()) return 0;
    }
    int transparent = -1;
    for (;;) {
        const int introducer = source.Byte();
        if (introducer == '!') {
            const int label = source.Byte();
            if (label == 0xF9) {
                const int size = source.Byte();
                uint8_t control[4];
                if (int(source.Read(control, 4)) != size) break;
                if (control[0] & 1) transparent = control[3];
            }
            if (label < 0 || !source.SkipSubBlocks()) break;
        } else if (introducer == ',') {
            uint8_t descriptor[9];
            if (source.Read(descriptor, 9) != 9) break;
            if (descriptor[8] & 0x80) {
                table.resize(size_t(3) << ((descriptor[8] & 7) + 1));
                if (source.Read(table.data(), table.size()) != table.size()) break;
            }
            const int width = descriptor[4] | descriptor[5] << 8;
            const int height = descriptor[6] | descriptor[7] << 8;
            // A frame of absurd size ends the file; an earlier frame stays on show.
            if (!SizeAllowed(width, height)) return HasBitmap() ? 1 : 0;
            if (!Create(width, height, 8)) return 0;
            if (!table.empty())
                SetPalette(BuildPalette(table.data(), int(table.size() / 3), transparent));
            SetTransparentIndex(transparent);
            if (!ReadImage(source, descriptor)) break;
        } else {
            break;
        }
    }
    return 1;
}

// Decodes the data after an image descriptor; false when the file cannot be read past it.
bool CGifImage::ReadImage(CSource& source, const uint8_t* descriptor) {
    const int minCodeSize = source.Byte();
    if (minCodeSize < 0) return false;
    CBitReader bits([&source](uint8_t* out, size_t count) { return source.Read(out, count); });
    CRowSink sink(*this, (descriptor[8] & 0x40) != 0);
    const int bad = DecodeLzw(minCodeSize, bits, sink);
    if (bad < 0) return false;
    m_badCodes = bad;
    if (bits.Broken()) return false;
    // Data after the end code up to the terminator belongs to this image.
    return bits.Terminated() || source.SkipSubBlocks();
}

}  // namespace corvane
