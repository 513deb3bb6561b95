#pragma once
// Helpers shared by the library's tests: a scratch directory per test, key makers and a raw
// view of the bytes of an index file (the tests read the file, never the library's insides).
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "vindle.h"

namespace vindle_test {

using Bytes = std::vector<uint8_t>;

inline uint32_t Le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline void PutLe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

class CScratchDir {
public:
    CScratchDir() {
        char tmpl[] = "/tmp/vindle-test-XXXXXX";
        const char* made = mkdtemp(tmpl);
        EXPECT_NE(made, nullptr);
        m_path = made ? made : "/tmp";
    }
    ~CScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    std::string File(const std::string& name) const { return m_path + "/" + name; }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

inline Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

inline void WriteFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// A key of `size` bytes that sorts in the order of n (big-endian number, then filler).
inline Bytes OrderedKey(uint32_t n, uint32_t size, uint8_t filler = 'k') {
    Bytes k(size, filler);
    for (uint32_t i = 0; i < 4 && i < size; ++i) k[i] = uint8_t(n >> (8 * (3 - i)));
    return k;
}

inline Bytes RandomKey(std::mt19937_64& rng, uint32_t size) {
    Bytes k(size);
    for (auto& b : k) b = uint8_t(rng());
    return k;
}

inline Bytes DataFor(const Bytes& key, uint32_t size) {
    Bytes d(size);
    for (uint32_t i = 0; i < size; ++i) d[i] = uint8_t(key[i % key.size()] ^ (0x5a + i));
    return d;
}

struct Record {
    Bytes key, data;
};

// Every record of a scan over the whole index, in the order the scan yields them.
inline std::vector<Record> ScanAll(VindleIndex* index, uint32_t keySize, uint32_t dataSize) {
    std::vector<Record> out;
    VindleScan* scan = VindleCreateScan(index);
    Bytes k(keySize), d(dataSize);
    while (VindleScanGetNext(scan, k.data(), d.data())) out.push_back({k, d});
    VindleScanClose(scan);
    return out;
}

}  // namespace vindle_test
