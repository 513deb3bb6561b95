#pragma once
// Where the program's own loaders (GIF, bitmaps) take their bytes from: an open file or a
// block already in memory, behind one call that fills a buffer and says how much it filled
// (0 at the end). Each reader belongs to one load on one thread.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <span>

namespace corvane {

using ByteReader = std::function<size_t(uint8_t*, size_t)>;

inline ByteReader ReaderOfFile(std::FILE* file) {
    return [file](uint8_t* out, size_t count) { return std::fread(out, 1, count, file); };
}

// `bytes` must outlive the reader.
inline ByteReader ReaderOfBytes(std::span<const uint8_t> bytes) {
    return [bytes, at = size_t(0)](uint8_t* out, size_t count) mutable {
        const size_t take = std::min(count, bytes.size() - at);
        if (take) std::memcpy(out, bytes.data() + at, take);
        at += take;
        return take;
    };
}

}  // namespace corvane
