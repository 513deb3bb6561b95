#include "indexes/index_keys.h"

#include <algorithm>

namespace corvane {
namespace {

void PutLe32(unsigned char* out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out[i] = static_cast<unsigned char>(value >> (8 * i));
}

uint32_t GetLe32(const unsigned char* in) {
    return uint32_t(in[0]) | uint32_t(in[1]) << 8 | uint32_t(in[2]) << 16 | uint32_t(in[3]) << 24;
}

}  // namespace

FileKey MakeFileKey(std::string_view name, uint32_t length) {
    // Only the base name identifies a saved file: the same attachment saved below two groups is
    // still one file.
    if (size_t slash = name.find_last_of('/'); slash != std::string_view::npos) {
        name.remove_prefix(slash + 1);
    }
    FileKey key{};
    std::copy_n(name.begin(), std::min(name.size(), kFileNameBytes), key.begin());
    PutLe32(key.data() + kFileNameBytes, length);
    return key;
}

GroupKey MakeGroupKey(std::string_view name, unsigned char fill) {
    GroupKey key;
    key.fill(fill);
    std::copy_n(name.begin(), std::min(name.size(), kGroupKeySize), key.begin());
    return key;
}

std::string GroupNameFromKey(const GroupKey& key) {
    auto end = std::find(key.begin(), key.end(), 0);
    return std::string(key.begin(), end);
}

GroupAux PackRetrievalStamp(uint32_t date, uint32_t time) {
    GroupAux aux{};
    PutLe32(aux.data(), date);
    PutLe32(aux.data() + 4, time);
    return aux;
}

void UnpackRetrievalStamp(const GroupAux& aux, uint32_t& date, uint32_t& time) {
    date = GetLe32(aux.data());
    time = GetLe32(aux.data() + 4);
}

}  // namespace corvane
