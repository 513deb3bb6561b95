#include "setup/packed_texts.h"

#include <cstring>

namespace corvane {

namespace {

constexpr unsigned kGroupBits = 7;
constexpr unsigned char kMore = 0x80;

std::size_t LengthFieldSize(std::size_t n) {
    std::size_t bytes = 1;
    while (n >>= kGroupBits) ++bytes;
    return bytes;
}

unsigned char* PutLength(unsigned char* out, std::size_t n) {
    while (n >= kMore) {
        *out++ = static_cast<unsigned char>(n | kMore);
        n >>= kGroupBits;
    }
    *out++ = static_cast<unsigned char>(n);
    return out;
}

// The block was written by PutLength, so every field ends within it.
const unsigned char* GetLength(const unsigned char* in, std::size_t& n) {
    n = 0;
    unsigned shift = 0;
    while (*in & kMore) {
        n |= static_cast<std::size_t>(*in++ & ~kMore) << shift;
        shift += kGroupBits;
    }
    n |= static_cast<std::size_t>(*in++) << shift;
    return in;
}

// The block opens with the size of its length fields, so that a text is found by reading only
// the lengths up to its own: the subject, read most, needs one.
const unsigned char* FirstText(const unsigned char* block) {
    return block + 1 + block[0];
}

}  // namespace

std::string_view CPackedTexts::Get(std::size_t index) const {
    if (!m_block || index >= kCount) return {};
    const unsigned char* field = m_block.get() + 1;
    const unsigned char* text = FirstText(m_block.get());
    std::size_t n = 0;
    for (std::size_t i = 0; i <= index; ++i) {
        text += n;
        field = GetLength(field, n);
    }
    return {reinterpret_cast<const char*>(text), n};
}

CPackedTexts::Views CPackedTexts::GetAll() const {
    Views views;
    if (!m_block) return views;
    const unsigned char* field = m_block.get() + 1;
    const unsigned char* text = FirstText(m_block.get());
    for (auto& view : views) {
        std::size_t n = 0;
        field = GetLength(field, n);
        view = {reinterpret_cast<const char*>(text), n};
        text += n;
    }
    return views;
}

void CPackedTexts::Set(std::size_t index, std::string_view text) {
    if (index >= kCount) return;
    Views views = GetAll();
    views[index] = text;
    SetAll(views);
}

void CPackedTexts::SetAll(const Views& texts) {
    std::size_t fields = 0;
    std::size_t size = 1;
    bool empty = true;
    for (const auto& t : texts) {
        fields += LengthFieldSize(t.size());
        size += t.size();
        empty = empty && t.empty();
    }
    if (empty) {
        m_block.reset();
        return;
    }
    // At most ten bytes a length, so the size of the fields fits its byte.
    static_assert(kCount * 10 <= 255);
    size += fields;
    // Filled before the old block goes: the texts may be views into it.
    auto block = std::make_unique_for_overwrite<unsigned char[]>(size);
    unsigned char* out = block.get();
    *out++ = static_cast<unsigned char>(fields);
    for (const auto& t : texts) out = PutLength(out, t.size());
    for (const auto& t : texts) {
        if (!t.empty()) std::memcpy(out, t.data(), t.size());
        out += t.size();
    }
    m_block = std::move(block);
}

std::size_t CPackedTexts::BlockSize() const {
    if (!m_block) return 0;
    const Views views = GetAll();
    const char* end = views.back().data() + views.back().size();
    return static_cast<std::size_t>(end - reinterpret_cast<const char*>(m_block.get()));
}

}  // namespace corvane
