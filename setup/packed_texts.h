#pragma once
// The six texts of an article record in one heap block: one byte giving the size of the length
// fields, the lengths, each in 7-bit groups (one byte below 128, never a limit), then the
// bytes of every text back to back. A record whose texts are all empty holds no block. Owned by its
// record; same threading as the record. Views handed out stay valid until the next Set or SetAll on
// this object.
#include <array>
#include <cstddef>
#include <memory>
#include <string_view>

namespace corvane {

class CPackedTexts {
public:
    static constexpr std::size_t kCount = 5;
    using Views = std::array<std::string_view, kCount>;

    CPackedTexts() = default;
    CPackedTexts(const CPackedTexts&) = delete;
    CPackedTexts& operator=(const CPackedTexts&) = delete;

    std::string_view Get(std::size_t index) const;
    Views GetAll() const;
    // Both rebuild the block; the new texts may view the current block.
    void Set(std::size_t index, std::string_view text);
    void SetAll(const Views& texts);

    // For memory accounting: the block (null when every text is empty) and its length.
    const void* Block() const { return m_block.get(); }
    std::size_t BlockSize() const;

private:
    std::unique_ptr<unsigned char[]> m_block;
};

}  // namespace corvane
