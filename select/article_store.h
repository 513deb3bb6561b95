#pragma once
// The main window's article state: the article list (which owns every listed record), the
// message-ID map loaded with the setup, the multi-part map (base subject -> a joined record
// of the list, not owned) and the per-group ranges of article numbers already taken in;
// plus the intake that runs every new overview header through them.
// Main thread only. The setup is not owned (the application replaces it whole and says so
// with SetSetup); intake raises its groups' highest article numbers. Wanted articles leave
// through IArticleQueue and row changes through IArticleListObserver; neither is owned.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "select/article_list_events.h"
#include "setup/archive.h"
#include "setup/article.h"
#include "setup/group_range.h"
#include "setup/msg_details.h"
#include "setup/setup.h"
#include "setup/setup_file.h"

namespace corvane {

enum class EIntakeOutcome {
    kSeen,             // the number was already taken in from the group
    kKnownMessageId,   // the message-ID map holds it
    kRejected,         // the criteria do not want it
    kDescriptionPart,  // part 0 of a posting
    kListed,           // a new row: a single article or the first part of a posting
    kJoined,           // offered to a posting already listed (a repeated part is freed)
    kNoSuchGroup,      // auto-queue found no setup group for it and took it off the list
};

struct CIntakeResult {
    EIntakeOutcome outcome;
    // The listed record the header went into; null when it was dropped or taken off.
    CArticle* item = nullptr;
};

class CArticleStore {
public:
    // A counter above this makes a single article: the joined record holds a slot per
    // announced part, and the count comes from a subject anyone can write.
    static constexpr std::int32_t kMaxPartCount = 65535;

    explicit CArticleStore(CSetup& setup);
    CArticleStore(const CArticleStore&) = delete;
    CArticleStore& operator=(const CArticleStore&) = delete;

    void SetSetup(CSetup& setup) { m_setup = &setup; }
    void SetQueue(IArticleQueue* queue) { m_queue = queue; }
    void SetObserver(IArticleListObserver* observer) { m_observer = observer; }
    // Kept across TakeFrom, which replaces the range map itself.
    void SetRefreshRequester(IGroupRefreshRequester* requester);
    // Room for this many more list records without rehashing, before a large group arrives.
    void Reserve(std::size_t articles);

    // Takes one new header through the duplicate checks, the criteria, joining, listing,
    // the groups' highest numbers and automatic queueing. The article is freed unless it
    // ends up in the list (on its own or as a part).
    CIntakeResult IntakeArticle(std::unique_ptr<CArticle> article);
    // A header worker saw crossposted copies; only groups of the setup are marked.
    void OnCrossposts(std::span<const CGroupRangeMap::Crosspost> pairs);

    // Takes the record off the list (and a joined record out of the multi-part map) and hands
    // it to the caller; null when it is not listed.
    std::unique_ptr<CArticle> RemoveArticle(const CArticle& article);
    // The same for many records in one pass over the list (records not listed are passed
    // over); the observer hears of them with one OnArticlesRemoved.
    std::vector<std::unique_ptr<CArticle>> RemoveArticles(
        const std::unordered_set<const CArticle*>& articles);
    // Reset: every record and map entry goes, and every group's highest number becomes 0.
    void Reset();

    // Moves the article state of a loaded file in (what was held is freed first), and back out
    // for a save. Joined records are keyed by their own base subject, the text intake matches.
    void TakeFrom(CSetupFileContents& contents);
    void GiveTo(CSetupFileContents& contents);

    const std::vector<std::unique_ptr<CArticle>>& Articles() const { return m_articles; }
    CMultiPartArticle* FindMultiPart(std::string_view baseSubject) const;
    bool IsKnownMessageId(std::string_view messageId) const;
    std::size_t MultiPartCount() const { return m_multiParts.size(); }
    std::size_t MessageIdCount() const { return m_messageIdKeys.size(); }
    CGroupRangeMap& Ranges() { return m_ranges; }
    const CGroupRangeMap& Ranges() const { return m_ranges; }

private:
    // Step 5 of intake: the record the header is listed under, and whether it is a new row.
    CArticle* JoinOrList(std::unique_ptr<CArticle> article, bool& isNew, bool& dropped);
    CArticle* JoinPart(std::unique_ptr<CArticle> article, std::int32_t n, std::int32_t count,
                       std::string_view base, bool& isNew);
    CArticle* Append(std::unique_ptr<CArticle> record);
    void RaiseHighestNumbers(const CArticle& item);
    // False when no setup group has the item's newsgroup and the item was taken off.
    bool AutoQueue(CArticle& item);
    std::size_t RowOf(const CArticle& article) const;
    void IndexMessageIds();

    CSetup* m_setup;
    IArticleQueue* m_queue = nullptr;
    IArticleListObserver* m_observer = nullptr;
    IGroupRefreshRequester* m_refreshRequester = nullptr;

    std::vector<std::unique_ptr<CArticle>> m_articles;  // in arrival order
    // Joined records found by their own base subject. The record is its own key, so the map
    // holds no copy of the text and follows the record's text wherever the record keeps it;
    // a record's base subject never changes while it is listed here.
    struct SBaseSubjectHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const {
            return std::hash<std::string_view>{}(s);
        }
        std::size_t operator()(const CMultiPartArticle* r) const { return (*this)(r->Subject()); }
    };
    struct SBaseSubjectEqual {
        using is_transparent = void;
        static std::string_view Key(std::string_view s) { return s; }
        static std::string_view Key(const CMultiPartArticle* r) { return r->Subject(); }
        bool operator()(const auto& a, const auto& b) const { return Key(a) == Key(b); }
    };
    std::unordered_set<CMultiPartArticle*, SBaseSubjectHash, SBaseSubjectEqual> m_multiParts;
    // Owned in file order, and never changed between loads, which keeps the views in the
    // index below valid.
    CStringMap<std::unique_ptr<CMsgDetails>> m_messageIds;
    std::unordered_set<std::string_view> m_messageIdKeys;
    CGroupRangeMap m_ranges;
};

}  // namespace corvane
