#include "setup/group_range.h"

#include <algorithm>
#include <limits>

namespace corvane {

// Neighbour tests (n - 1, n + 1, low - 1) are done in 64 bits: article numbers come from the
// server and may sit at either end of the 32-bit range.
void CGroupRange::Add(std::int32_t n) {
    if (n < m_lowWater) return;
    const std::int64_t v = n;
    for (std::size_t i = 0; i < m_ranges.size(); ++i) {
        CGroupRangeEntry& r = m_ranges[i];
        if (r.low <= v && v <= r.high) return;
        if (r.low <= v && std::int64_t{r.high} == v - 1) {
            r.high = n;
            const std::size_t next = i + 1;
            if (next < m_ranges.size() && v >= std::int64_t{m_ranges[next].low} - 1) {
                r.high = m_ranges[next].high;
                m_ranges.erase(m_ranges.begin() + static_cast<std::ptrdiff_t>(next));
            }
            return;
        }
        if (std::int64_t{r.low} == v + 1) {
            r.low = n;
            return;
        }
        if (r.low > v && (i == 0 || m_ranges[i - 1].high < v)) {
            m_ranges.insert(m_ranges.begin() + static_cast<std::ptrdiff_t>(i), {n, n});
            return;
        }
    }
    m_ranges.push_back({n, n});
}

bool CGroupRange::Contains(std::int32_t n) const {
    return std::ranges::any_of(
        m_ranges, [n](const CGroupRangeEntry& r) { return r.low <= n && n <= r.high; });
}

void CGroupRange::SetLowWater(std::int32_t w) {
    m_lowWater = w;
    const auto firstKept =
        std::ranges::find_if(m_ranges, [w](const CGroupRangeEntry& r) { return r.high >= w; });
    m_ranges.erase(m_ranges.begin(), firstKept);
    // Below 0 the collapsed range [0, w] would be empty (and out of order), so a negative
    // mark from a confused server only trims; the ranges that remain are kept whole.
    if (m_ranges.empty() || w < 0) return;
    CGroupRangeEntry& first = m_ranges.front();
    if (first.low <= w) {
        first.low = 0;
    } else {
        m_ranges.insert(m_ranges.begin(), {0, w});
    }
}

void CGroupRangeEntry::Serialize(CArchive& ar) {
    ar.Transfer(low);
    ar.Transfer(high);
}

void CGroupRange::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WriteInt(m_lowWater);
        ar.WriteCount(static_cast<std::uint32_t>(m_ranges.size()));
        for (const CGroupRangeEntry& entry : m_ranges) ar.WriteObject(&entry);
        return;
    }
    m_lowWater = ar.Schema() >= 2 ? ar.ReadInt() : 0;
    m_ranges.clear();
    m_loadedEntries.clear();
    const std::uint32_t n = ar.ReadCount();
    // Each element takes at least a two-byte tag: a larger count cannot be in the bytes.
    if (n > ar.BytesLeft() / 2) throw CArchiveException(EArchiveError::kEndOfFile);
    for (std::uint32_t i = 0; i < n; ++i) {
        std::unique_ptr<CGroupRangeEntry> entry = ar.ReadOwned<CGroupRangeEntry>();
        if (!entry) continue;
        if (entry->low <= entry->high) m_ranges.push_back(*entry);
        m_loadedEntries.push_back(std::move(entry));
    }
    std::ranges::sort(m_ranges, {}, &CGroupRangeEntry::low);
    std::vector<CGroupRangeEntry> merged;
    for (const CGroupRangeEntry& r : m_ranges) {
        if (!merged.empty() && r.low <= merged.back().high) {
            merged.back().high = std::max(merged.back().high, r.high);
        } else {
            merged.push_back(r);
        }
    }
    m_ranges = std::move(merged);
}

bool CGroupRangeMap::IsArticleSeen(const std::string& group, std::int32_t n) const {
    const CGroupRange* range = Find(group);
    return range != nullptr && range->Contains(n);
}

void CGroupRangeMap::RecordArticle(const std::string& group, std::int32_t n) {
    std::unique_ptr<CGroupRange>* slot = m_groups.Find(group);
    if (slot == nullptr) {
        // A new group starts small, so there is nothing to refresh yet.
        auto range = std::make_unique<CGroupRange>();
        range->Add(n);
        m_groups.Set(group, std::move(range));
        return;
    }
    CGroupRange& range = **slot;
    range.Add(n);
    // Checked on every record, not only when a range was added: a group loaded with a long
    // list asks once at its next number, because the flag is not saved.
    if (range.Ranges().size() > CGroupRange::kRefreshThreshold && !range.RefreshRequested() &&
        m_requester != nullptr) {
        range.MarkRefreshRequested();
        m_requester->RequestGroupRefresh(group);
    }
}

void CGroupRangeMap::OnGroupFirst(const std::string& group, std::int32_t first) {
    if (m_groups.Find(group) == nullptr && first > std::numeric_limits<std::int32_t>::min()) {
        RecordArticle(group, first - 1);
    }
    // The entry is created here in the one case the record above could not: a first number
    // of INT32_MIN, whose predecessor does not exist (SetLowWater would remove it anyway).
    if (m_groups.Find(group) == nullptr) m_groups.Set(group, std::make_unique<CGroupRange>());
    (*m_groups.Find(group))->SetLowWater(first);
}

void CGroupRangeMap::OnCrossposts(std::span<const Crosspost> pairs,
                                  std::span<const std::string> setupGroupNames) {
    for (const auto& [name, number] : pairs) {
        for (const std::string& setupName : setupGroupNames) {
            if (setupName == name) RecordArticle(name, number);
        }
    }
}

void CGroupRangeMap::PurgeGroupsNotIn(std::span<const std::string> names) {
    m_groups.RemoveIf([names](const std::string& group, const std::unique_ptr<CGroupRange>&) {
        return std::ranges::find(names, group) == names.end();
    });
}

void CGroupRangeMap::Insert(const std::string& group, CGroupRange range) {
    m_groups.Set(group, std::make_unique<CGroupRange>(std::move(range)));
}

const CGroupRange* CGroupRangeMap::Find(const std::string& group) const {
    const std::unique_ptr<CGroupRange>* slot = m_groups.Find(group);
    return slot == nullptr ? nullptr : slot->get();
}

void CGroupRangeMap::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.SerializeMap(m_groups);
        return;
    }
    // Dropped on the way out of a failed load too, so no caller ever meets a null range.
    // Nulls own nothing, so dropping them frees no object the archive could still name.
    struct CDropNulls {
        Map& groups;
        ~CDropNulls() {
            groups.RemoveIf([](const std::string&, const std::unique_ptr<CGroupRange>& range) {
                return range == nullptr;
            });
        }
    } dropNulls{m_groups};
    ar.SerializeMap(m_groups);
}

}  // namespace corvane
