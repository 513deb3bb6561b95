#pragma once
// An immutable text shared by every record that names it: a million articles of one newsgroup
// hold one copy of the group's name. Equal texts made from anywhere resolve to one pooled copy
// while any handle to it lives; the last handle frees it and takes it out of the pool.
// Any thread may make, copy and drop handles (header workers make records, the main thread
// frees them); one handle object itself is used by one thread at a time, like a std::string.
#include <atomic>
#include <cstddef>
#include <string>
#include <string_view>

namespace corvane {

class CSharedText {
public:
    CSharedText() = default;
    // An empty text takes no pooled copy.
    explicit CSharedText(std::string_view text);
    CSharedText(const CSharedText& other);
    CSharedText(CSharedText&& other) noexcept : m_entry(other.m_entry) { other.m_entry = nullptr; }
    CSharedText& operator=(const CSharedText& other);
    CSharedText& operator=(CSharedText&& other) noexcept;
    ~CSharedText();

    // A reference that stays valid while this handle holds the text.
    const std::string& Str() const;
    bool Empty() const { return m_entry == nullptr; }
    // Handles of one pooled copy compare by address, without reading the text.
    bool SameCopy(const CSharedText& other) const { return m_entry == other.m_entry; }

    // How many distinct texts the pool holds now.
    static std::size_t PooledCount();

private:
    struct SEntry {
        std::atomic<std::size_t> refs;
        const std::string text;
    };
    friend class CSharedTextPool;

    void Release();

    SEntry* m_entry = nullptr;
};

}  // namespace corvane
