#pragma once
// The article numbers already taken in from each newsgroup. CGroupRange owns one group's sorted
// list of closed ranges and its low-water mark; CGroupRangeMap owns every group's CGroupRange,
// keyed by newsgroup name, and makes the one refresh request a crowded group earns.
// Main thread only: the map is part of the main window's article state. The refresh request
// leaves through IGroupRefreshRequester, which the work engine implements; nothing else is
// handed over. Both records are written into setup files.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "setup/archive.h"

namespace corvane {

// One closed range of article numbers, low <= high.
struct CGroupRangeEntry : public CSerializable {
    static constexpr std::uint16_t kSchema = 1;

    CGroupRangeEntry() = default;
    CGroupRangeEntry(std::int32_t lowNumber, std::int32_t highNumber)
        : low(lowNumber), high(highNumber) {}
    CGroupRangeEntry(const CGroupRangeEntry&) = default;
    CGroupRangeEntry& operator=(const CGroupRangeEntry&) = default;

    std::string_view ClassName() const override { return "CGroupRangeEntry"; }
    std::uint16_t Schema() const override { return kSchema; }
    void Serialize(CArchive& ar) override;

    std::int32_t low = 0;
    std::int32_t high = 0;

    friend bool operator==(const CGroupRangeEntry& a, const CGroupRangeEntry& b) {
        return a.low == b.low && a.high == b.high;
    }
};

class CGroupRange : public CSerializable {
public:
    static constexpr std::uint16_t kSchema = 2;

    // A group's list may grow by this many ranges before the group's lowest article number is
    // asked for, so that everything below it can collapse into one range.
    static constexpr std::size_t kRefreshThreshold = 100;

    CGroupRange() = default;
    // The refresh flag belongs to this object alone, so a copy would either repeat or suppress
    // a request; moving keeps the one object.
    CGroupRange(const CGroupRange&) = delete;
    CGroupRange& operator=(const CGroupRange&) = delete;
    CGroupRange(CGroupRange&&) = default;
    CGroupRange& operator=(CGroupRange&&) = default;

    std::string_view ClassName() const override { return "CGroupRange"; }
    std::uint16_t Schema() const override { return kSchema; }
    // Loading replaces the ranges and the mark. A file's list is put in order (sorted,
    // overlaps merged, reversed ranges dropped) so that Add and Contains can rely on it.
    void Serialize(CArchive& ar) override;

    // Records n unless it lies below the low-water mark. Ranges that become adjacent through n
    // merge; ranges that were already adjacent elsewhere stay as they are.
    void Add(std::int32_t n);
    // Looks at the ranges only: a number below the mark is seen only if a range holds it.
    bool Contains(std::int32_t n) const;
    // Forgets the ranges wholly below w and makes the first remaining range (or a new [0, w])
    // cover everything from 0 up, so a long list shrinks once the server's low end is known.
    void SetLowWater(std::int32_t w);

    const std::vector<CGroupRangeEntry>& Ranges() const { return m_ranges; }
    std::int32_t LowWater() const { return m_lowWater; }
    bool RefreshRequested() const { return m_refreshRequested; }
    void MarkRefreshRequested() { m_refreshRequested = true; }

private:
    std::vector<CGroupRangeEntry> m_ranges;  // sorted by low, not overlapping
    bool m_refreshRequested = false;         // not saved: a reloaded group may ask again
    std::int32_t m_lowWater = 0;
    // The entry objects a load read. The archive may name any object it read until the
    // load ends, so they live as long as this range rather than being freed mid-load.
    std::vector<std::unique_ptr<CGroupRangeEntry>> m_loadedEntries;
};

// Queues a refresh of one group's lowest article number; the answer comes back to
// CGroupRangeMap::OnGroupFirst.
class IGroupRefreshRequester {
public:
    virtual ~IGroupRefreshRequester() = default;
    virtual void RequestGroupRefresh(const std::string& group) = 0;
};

class CGroupRangeMap {
public:
    // Kept in map order (17 buckets, newest first within one), the order setup files list
    // their maps in; by pointer, because a load's archive names each range object until the
    // load ends, so the objects must not move.
    using Map = CStringMap<std::unique_ptr<CGroupRange>>;
    using Crosspost = std::pair<std::string, std::int32_t>;

    // The requester is not owned and may be set later; while there is none no request is
    // made and the group's flag stays clear, so the group asks again once one is set.
    explicit CGroupRangeMap(IGroupRefreshRequester* requester = nullptr) : m_requester(requester) {}
    void SetRefreshRequester(IGroupRefreshRequester* requester) { m_requester = requester; }

    bool IsArticleSeen(const std::string& group, std::int32_t n) const;
    void RecordArticle(const std::string& group, std::int32_t n);
    // The group's lowest article number on the server arrived.
    void OnGroupFirst(const std::string& group, std::int32_t first);
    // A header worker saw articles crossposted to other groups; only groups of the setup
    // (names compared case-sensitively, as the server reports them) are marked.
    void OnCrossposts(std::span<const Crosspost> pairs,
                      std::span<const std::string> setupGroupNames);
    // Drops the ranges of every group that has left the setup; called before each save.
    void PurgeGroupsNotIn(std::span<const std::string> names);
    void Reset() { m_groups.Clear(); }

    // For loading: the group's ranges replace any held under the same name.
    void Insert(const std::string& group, CGroupRange range);
    const CGroupRange* Find(const std::string& group) const;
    // In file order; every value is non-null.
    const Map& Groups() const { return m_groups; }
    std::size_t Size() const { return m_groups.Size(); }

    // The range map of a setup file. Loading adds to what is held (a load starts from an
    // empty map) and keeps the groups read before a failure; a null value is dropped.
    void Serialize(CArchive& ar);

private:
    Map m_groups;
    IGroupRefreshRequester* m_requester;
};

}  // namespace corvane
