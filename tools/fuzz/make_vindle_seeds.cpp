// make_vindle_seeds DIR: writes the seed corpus of the index-file fuzz target, small valid
// index files built through the library itself (plus one with a damaged root and one cut
// short), so that fuzzing starts from the shapes real files have: empty, one split, a root
// split, a deep tree, equal keys across leaves, aux data, descending inserts.
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "vindle.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr size_t kMaxSeed = 16384;  // the fuzz runs use -max_len=16384

struct Shape {
    const char* name;
    unsigned page, key, data, aux;
    int unique;
    unsigned records;
    enum Order { kScattered, kDescending, kFewKeys } order;
};

// Keys in a fixed pseudo-random order, so every build writes the same seeds.
Bytes KeyFor(const Shape& shape, unsigned i) {
    uint32_t n = i;
    if (shape.order == Shape::kScattered) n = (i * 2654435761u) >> 8;
    if (shape.order == Shape::kDescending) n = shape.records - i;
    if (shape.order == Shape::kFewKeys) n = i % 7;
    Bytes key(shape.key, 0);
    for (unsigned b = 0; b < shape.key && b < 4; ++b) key[b] = uint8_t(n >> (24 - 8 * b));
    if (shape.key > 4) key[4] = 'k';
    return key;
}

Bytes DataFor(const Shape& shape, unsigned i) {
    Bytes data(shape.data, 0);
    for (unsigned b = 0; b < shape.data; ++b) data[b] = uint8_t('a' + (i + b) % 26);
    return data;
}

Bytes ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

bool WriteAll(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out);
}

bool Build(const std::string& path, const Shape& shape) {
    VindleCreateIndex(path.c_str(), shape.page, shape.key, shape.data, shape.aux, shape.unique);
    VindleIndex* index = VindleOpenIndex(path.c_str(), 64);
    if (!index) return false;
    if (shape.aux > 0) {
        Bytes aux(shape.aux);
        for (unsigned b = 0; b < shape.aux; ++b) aux[b] = uint8_t(0xA0 + b);
        VindleSetAuxData(index, aux.data());
    }
    for (unsigned i = 0; i < shape.records; ++i) {
        Bytes key = KeyFor(shape, i), data = DataFor(shape, i);
        data.push_back(0);  // never an empty buffer: a null data pointer is refused
        VindleAddKey(index, key.data(), data.data());
    }
    VindleCloseIndex(index);
    return true;
}

uint32_t Le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: make_vindle_seeds DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    mkdir(dir.c_str(), 0755);
    const Shape shapes[] = {
        {"empty_512", 512, 56, 4, 0, 1, 0, Shape::kScattered},
        {"leaf_split_512", 512, 8, 4, 0, 1, 100, Shape::kScattered},
        {"root_split_256", 256, 8, 4, 0, 1, 400, Shape::kScattered},
        {"deep_64", 64, 4, 4, 0, 1, 150, Shape::kScattered},
        {"small_128", 128, 4, 4, 0, 1, 40, Shape::kScattered},
        {"equal_keys_512", 512, 8, 4, 0, 0, 150, Shape::kFewKeys},
        {"aux_512", 512, 16, 8, 32, 1, 60, Shape::kScattered},
        {"descending_1024", 1024, 56, 4, 0, 1, 60, Shape::kDescending},
        {"no_data_256", 256, 12, 0, 8, 0, 120, Shape::kDescending},
    };
    int failures = 0;
    for (const Shape& shape : shapes) {
        std::string path = dir + "/" + shape.name + ".idx";
        if (!Build(path, shape)) {
            fprintf(stderr, "make_vindle_seeds: cannot build %s\n", path.c_str());
            ++failures;
            continue;
        }
        Bytes bytes = ReadAll(path);
        if (bytes.size() > kMaxSeed)
            fprintf(stderr, "make_vindle_seeds: %s is %zu bytes, over %zu\n", path.c_str(),
                    bytes.size(), kMaxSeed);
        if (std::string(shape.name) == "root_split_256") {
            // The same tree with its root overwritten by a leaf: starts the fuzzer on repair.
            Bytes damaged = bytes;
            damaged[size_t(Le32(&bytes[28])) * shape.page + 4] = 3;
            WriteAll(dir + "/damaged_root_256.idx", damaged);
            // And cut short in the middle of a leaf.
            WriteAll(dir + "/truncated_256.idx",
                     Bytes(bytes.begin(), bytes.begin() + bytes.size() / 2 + 100));
        }
    }
    return failures == 0 ? 0 : 1;
}
