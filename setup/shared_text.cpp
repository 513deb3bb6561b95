#include "setup/shared_text.h"

#include <mutex>
#include <unordered_map>
#include <utility>

namespace corvane {

// The pool maps each text to its one live copy. A copy whose last handle is going away may
// still be listed for a moment (its count is 0 and it waits for the lock to unlist itself);
// a lookup never revives it but lists a fresh copy in its place, and the dying copy unlists
// itself only while it is still the one listed. Nothing listed is ever freed, so whatever the
// lookup finds under the lock is safe to read.
class CSharedTextPool {
public:
    using SEntry = CSharedText::SEntry;

    static CSharedTextPool& Get() {
        // Never destroyed: records freed during exit still hand their texts back.
        static auto* pool = new CSharedTextPool;
        return *pool;
    }

    SEntry* Acquire(std::string_view text) {
        std::lock_guard lock(m_mutex);
        if (auto it = m_entries.find(text); it != m_entries.end()) {
            SEntry* entry = it->second;
            std::size_t refs = entry->refs.load(std::memory_order_relaxed);
            while (refs != 0) {
                if (entry->refs.compare_exchange_weak(refs, refs + 1, std::memory_order_relaxed))
                    return entry;
            }
            m_entries.erase(it);
        }
        auto* entry = new SEntry{{1}, std::string(text)};
        m_entries.emplace(std::string_view(entry->text), entry);
        return entry;
    }

    void Unlist(SEntry* entry) {
        std::lock_guard lock(m_mutex);
        auto it = m_entries.find(std::string_view(entry->text));
        if (it != m_entries.end() && it->second == entry) m_entries.erase(it);
    }

    std::size_t Count() {
        std::lock_guard lock(m_mutex);
        return m_entries.size();
    }

private:
    std::mutex m_mutex;
    std::unordered_map<std::string_view, SEntry*> m_entries;  // keys view their entry's text
};

CSharedText::CSharedText(std::string_view text) {
    if (!text.empty()) m_entry = CSharedTextPool::Get().Acquire(text);
}

CSharedText::CSharedText(const CSharedText& other) : m_entry(other.m_entry) {
    // A handle being copied holds a count, so the count is above 0 and the copy stays alive.
    if (m_entry) m_entry->refs.fetch_add(1, std::memory_order_relaxed);
}

CSharedText& CSharedText::operator=(const CSharedText& other) {
    if (m_entry != other.m_entry) {
        CSharedText copy(other);
        std::swap(m_entry, copy.m_entry);
    }
    return *this;
}

CSharedText& CSharedText::operator=(CSharedText&& other) noexcept {
    if (this != &other) {
        Release();
        m_entry = std::exchange(other.m_entry, nullptr);
    }
    return *this;
}

CSharedText::~CSharedText() {
    Release();
}

const std::string& CSharedText::Str() const {
    static const std::string kEmpty;
    return m_entry ? m_entry->text : kEmpty;
}

std::size_t CSharedText::PooledCount() {
    return CSharedTextPool::Get().Count();
}

void CSharedText::Release() {
    SEntry* entry = std::exchange(m_entry, nullptr);
    if (entry == nullptr || entry->refs.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
    CSharedTextPool::Get().Unlist(entry);
    delete entry;
}

}  // namespace corvane
