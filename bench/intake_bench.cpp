// intake_bench: 1,000,000 generated overview lines, each read into an article record by the
// overview parser (dates normalised on the way) and taken in by the article store under five
// criteria groups, with automatic queueing on. A third of the lines are parts of multi-part
// postings in three subject shapes. Prints headers per second for parsing alone and for
// parsing plus intake, and the memory the store holds per listed article, measured from the
// process's resident size and broken down by record and string storage. It asserts nothing.
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "nntp/overview.h"
#include "select/article_store.h"
#include "select/criteria_eval.h"

namespace {

using namespace corvane;

constexpr std::size_t kLines = 1'000'000;
constexpr const char* kGroup = "alt.binaries.pictures.misc";

const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kPosters[] = {"Jane Doe <jane@example.org>", "bob@example.net (Bob)",
                                "poster <poster@binaries.example.com>", "bad@example.com"};

// All lines back to back in one buffer, so that the store's growth is all the resident size
// adds while the intake runs.
struct Corpus {
    std::string text;
    std::vector<std::uint32_t> ends;
    std::string_view Line(std::size_t i) const {
        const std::uint32_t begin = i == 0 ? 0 : ends[i - 1];
        return std::string_view(text).substr(begin, ends[i] - begin);
    }
};

std::string Subject(std::mt19937& rng, std::size_t i, int shape, int part, int count) {
    char b[160];
    switch (shape) {
        case 0:
            std::snprintf(b, sizeof b, "name%zu.jpg (%d/%d)", i, part, count);
            break;
        case 1:
            std::snprintf(b, sizeof b, "\"file%zu.rar\" yEnc (%02d/%d)", i, part, count);
            break;
        case 2:
            std::snprintf(b, sizeof b, "[%d/3] - \"x%zu.part%d.rar\" yEnc (%d/%d)",
                          static_cast<int>(i % 3) + 1, i, static_cast<int>(i % 3) + 1, part, count);
            break;
        default: {
            const unsigned r = rng() % 100;
            std::snprintf(b, sizeof b, "%s holiday picture %zu of the %s.jpg",
                          r < 2 ? "SPAM" : (r < 5 ? "readme" : "Re: nice"), i,
                          r % 2 ? "beach" : "mountains");
        }
    }
    return b;
}

void AppendLine(Corpus& c, std::mt19937& rng, std::int32_t number, const std::string& subject) {
    // Posting times a few seconds apart from January 1998 on, written as servers write them.
    const std::time_t t = 883612800 + static_cast<std::time_t>(number) * 37;
    std::tm tm{};
    gmtime_r(&t, &tm);
    char date[64];
    std::snprintf(date, sizeof date, "%s, %d %s %d %02d:%02d:%02d %s", kDays[tm.tm_wday],
                  tm.tm_mday, kMonths[tm.tm_mon], tm.tm_year + 1900, tm.tm_hour, tm.tm_min,
                  tm.tm_sec, rng() % 2 ? "+0000" : "GMT");
    char line[512];
    const int n = std::snprintf(
        line, sizeof line, "%d\t%s\t%s\t%s\t<%d.%u@news.example.org>\t\t%u\t%u\t", number,
        subject.c_str(), kPosters[rng() % 4], date, number, static_cast<unsigned>(rng()),
        4000 + static_cast<unsigned>(rng() % 900000), 5 + static_cast<unsigned>(rng() % 6000));
    c.text.append(line, static_cast<std::size_t>(n));
    c.ends.push_back(static_cast<std::uint32_t>(c.text.size()));
}

Corpus Generate() {
    Corpus c;
    c.text.reserve(kLines * 170);
    c.ends.reserve(kLines);
    std::mt19937 rng(1998);
    std::int32_t number = 1000;
    std::size_t posting = 0;
    while (c.ends.size() < kLines) {
        // Two singles, then one posting of about as many parts, keep multi-part at a third.
        if (rng() % 3 != 0) {
            AppendLine(c, rng, number++, Subject(rng, c.ends.size(), 3, 0, 0));
            continue;
        }
        const int count = 2 + static_cast<int>(rng() % 19);
        const int shape = static_cast<int>(posting % 3);
        for (int p = 1; p <= count && c.ends.size() < kLines; ++p)
            AppendLine(c, rng, number++, Subject(rng, posting, shape, p, count));
        // Postings are long, so the singles are stretched to keep the third.
        for (int s = 0; s < count - 1 && c.ends.size() < kLines; ++s)
            AppendLine(c, rng, number++, Subject(rng, c.ends.size(), 3, 0, 0));
        ++posting;
    }
    return c;
}

void AddRule(CSetup& setup, std::int32_t action, std::int32_t logic,
             std::vector<CCriteria> conditions) {
    auto g = std::make_unique<CCriteriaGroup>("bench", action, logic);
    for (auto& c : conditions) g->m_criteria.push_back(std::make_unique<CCriteria>(c));
    setup.m_criteriaGroups.push_back(std::move(g));
}

void FiveRules(CSetup& setup) {
    AddRule(setup, CCriteriaGroup::kActionExclude, CCriteriaGroup::kLogicOr,
            {CCriteria(CCriteria::kFieldSubject, kOpContainsIgnoreCase, "spam"),
             CCriteria(CCriteria::kFieldAuthor, kOpEqual, "bad@example.com")});
    AddRule(setup, CCriteriaGroup::kActionInclude, CCriteriaGroup::kLogicAnd,
            {CCriteria(CCriteria::kFieldLines, kOpGreater, "10"),
             CCriteria(CCriteria::kFieldNewsgroup, kOpBeginsWith, "alt.binaries")});
    AddRule(setup, CCriteriaGroup::kActionHighPriority, CCriteriaGroup::kLogicAnd,
            {CCriteria(CCriteria::kFieldSubject, kOpEndsWithIgnoreCase, ".JPG")});
    AddRule(setup, CCriteriaGroup::kActionText, CCriteriaGroup::kLogicAnd,
            {CCriteria(CCriteria::kFieldSubject, kOpContains, "readme")});
    AddRule(setup, CCriteriaGroup::kActionExclude, CCriteriaGroup::kLogicAnd,
            {CCriteria(CCriteria::kFieldGroupCount, kOpGreater, "5")});
}

class CountingQueue : public IArticleQueue {
public:
    void QueueArticle(CArticle& article, const CSetupGroup&, std::int32_t) override {
        article.SetQueued(true);
        ++queued;
    }
    std::size_t queued = 0;
};

class CountingObserver : public IArticleListObserver {
public:
    void OnArticleInserted(std::size_t, const CArticle&) override { ++inserted; }
    void OnArticleChanged(const CArticle&) override { ++changed; }
    void OnArticleRemoved(std::size_t, const CArticle&) override {}
    std::size_t inserted = 0;
    std::size_t changed = 0;
};

long StatusKb(const char* key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::size_t n = std::strlen(key);
    while (std::getline(in, line))
        if (line.compare(0, n, key) == 0) return std::strtol(line.c_str() + n, nullptr, 10);
    return -1;
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// CPU time of this thread: on a shared machine it leaves out the time other processes had.
double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// Heap bytes behind a record's texts: its packed block, if any. The newsgroup name is one
// copy for the whole group and is left out.
std::size_t StringHeap(const CArticle& a) {
    const void* block = a.PackedTexts().Block();
    return block ? malloc_usable_size(const_cast<void*>(block)) + 8 : 0;
}

void Breakdown(const CArticleStore& store) {
    std::size_t singles = 0, singleHeap = 0, records = 0, recordHeap = 0, parts = 0, partHeap = 0;
    for (const auto& a : store.Articles()) {
        if (!a->IsMultiPart()) {
            ++singles;
            singleHeap += StringHeap(*a);
            continue;
        }
        const auto& m = static_cast<const CMultiPartArticle&>(*a);
        ++records;
        recordHeap += StringHeap(m) + m.PartCount() * (sizeof(void*) + sizeof(std::uint16_t));
        for (std::int32_t n = 1; n <= m.PartCount(); ++n) {
            if (const CArticle* p = m.Part(n)) {
                ++parts;
                partHeap += StringHeap(*p);
            }
        }
    }
    // How the packed block of a single article divides, on average: text bytes, the
    // length fields, and what the allocator adds to round the block up.
    std::size_t textBytes = 0, blockBytes = 0;
    for (const auto& a : store.Articles()) {
        if (a->IsMultiPart()) continue;
        const CArticleTexts t = a->Texts();
        textBytes += t.subject.size() + t.from.size() + t.messageId.size() + t.date.size() +
                     t.origin.size() + t.fileName.size();
        blockBytes += a->PackedTexts().BlockSize();
    }
    if (singles) {
        std::printf(
            "packed texts per single article: %.1f text bytes, %.1f length bytes, %.1f "
            "allocator bytes; newsgroup names pooled: %zu\n",
            double(textBytes) / singles, double(blockBytes - textBytes) / singles,
            double(singleHeap - blockBytes) / singles, CSharedText::PooledCount());
    }
    const std::size_t block = malloc_usable_size(store.Articles().front().get()) + 8;
    std::printf(
        "record object: sizeof(CArticle) %zu (heap block %zu), sizeof(CMultiPartArticle) %zu\n",
        sizeof(CArticle), block, sizeof(CMultiPartArticle));
    if (singles)
        std::printf(
            "single articles: %zu, string heap %.1f bytes each -> about %.1f bytes with "
            "the record and its list slot\n",
            singles, double(singleHeap) / singles, double(singleHeap) / singles + block + 8);
    if (records)
        std::printf(
            "joined records: %zu holding %zu parts; string and slot heap %.1f per "
            "record, part strings %.1f per part\n",
            records, parts, double(recordHeap) / records, double(partHeap) / parts);
}

std::size_t KeptHeaders(const CArticleStore& store) {
    std::size_t kept = 0;
    for (const auto& a : store.Articles()) {
        if (!a->IsMultiPart()) {
            ++kept;
            continue;
        }
        const auto& m = static_cast<const CMultiPartArticle&>(*a);
        for (std::int32_t n = 1; n <= m.PartCount(); ++n) kept += m.IsPresent(n) ? 1 : 0;
    }
    return kept;
}

// The same lines once more in batches, parsing a batch and then taking it in, timed apart, so
// that the parser's and the intake's shares show separately. Each batch is taken in right after
// it was parsed, while its records are still in the caches.
void SplitRun(const Corpus& corpus) {
    CSetup setup;
    auto group = std::make_unique<CSetupGroup>();
    group->SetName(kGroup);
    setup.m_groups.push_back(std::move(group));
    setup.m_autoQueueArticles = 1;
    FiveRules(setup);
    CountingQueue queue;
    CArticleStore store(setup);
    store.SetQueue(&queue);
    store.Reserve(kLines);
    const CSharedText groupName(kGroup);
    constexpr std::size_t kBatch = 4096;
    std::vector<std::unique_ptr<CArticle>> batch;
    batch.reserve(kBatch);
    double parseSeconds = 0;
    double intakeSeconds = 0;
    for (std::size_t first = 0; first < kLines; first += kBatch) {
        const std::size_t last = std::min(kLines, first + kBatch);
        double start = CpuSeconds();
        for (std::size_t i = first; i < last; ++i) {
            auto article = std::make_unique<CArticle>();
            if (!ParseOverviewLine(corpus.Line(i), *article)) continue;
            article->SetNewsgroup(groupName);
            batch.push_back(std::move(article));
        }
        parseSeconds += CpuSeconds() - start;
        start = CpuSeconds();
        for (auto& article : batch) store.IntakeArticle(std::move(article));
        intakeSeconds += CpuSeconds() - start;
        batch.clear();
    }
    std::printf(
        "split run: parsing %.3f s (%.0f headers/s), intake %.3f s (%.0f headers/s, "
        "%.0f ns each)\n",
        parseSeconds, kLines / parseSeconds, intakeSeconds, kLines / intakeSeconds,
        intakeSeconds * 1e9 / kLines);
}

}  // namespace

int main() {
    std::printf("generating %zu overview lines...\n", kLines);
    const Corpus corpus = Generate();
    std::printf("corpus: %.1f MB of lines\n", corpus.text.size() / 1e6);

    CSetup setup;
    auto group = std::make_unique<CSetupGroup>();
    group->SetName(kGroup);
    setup.m_groups.push_back(std::move(group));
    setup.m_autoQueueArticles = 1;
    FiveRules(setup);
    CountingQueue queue;
    CountingObserver observer;
    CArticleStore store(setup);
    store.SetQueue(&queue);
    store.SetObserver(&observer);
    // A header worker's group announces its article count, so the main window can make room.
    store.Reserve(kLines);

    const long rssBefore = StatusKb("VmRSS:");
    const long hwmBefore = StatusKb("VmHWM:");
    // Named once, as a header worker does for its listing.
    const CSharedText groupName(kGroup);
    std::size_t badLines = 0;
    auto start = std::chrono::steady_clock::now();
    const double cpuStart = CpuSeconds();
    for (std::size_t i = 0; i < kLines; ++i) {
        auto article = std::make_unique<CArticle>();
        if (!ParseOverviewLine(corpus.Line(i), *article)) {
            ++badLines;
            continue;
        }
        article->SetNewsgroup(groupName);
        store.IntakeArticle(std::move(article));
    }
    const double intakeSeconds = Seconds(start);
    const double intakeCpu = CpuSeconds() - cpuStart;
    const long rssAfter = StatusKb("VmRSS:");
    const long hwmAfter = StatusKb("VmHWM:");

    std::size_t listedSingles = 0;
    for (const auto& a : store.Articles()) listedSingles += a->IsMultiPart() ? 0 : 1;
    const std::size_t listed = store.Articles().size();
    std::printf(
        "parse + intake: %.3f s, %.0f headers/s; on CPU time %.3f s, %.0f headers/s "
        "(%zu lines unreadable)\n",
        intakeSeconds, kLines / intakeSeconds, intakeCpu, kLines / intakeCpu, badLines);
    std::printf("listed rows: %zu (%zu single, %zu joined records), %zu queued, %zu row updates\n",
                listed, listedSingles, store.MultiPartCount(), queue.queued, observer.changed);
    std::printf("resident growth: VmRSS %ld -> %ld kB, VmHWM %ld -> %ld kB\n", rssBefore, rssAfter,
                hwmBefore, hwmAfter);
    std::printf(
        "per listed row: %.1f bytes resident, %.1f bytes at peak; per header taken in: "
        "%.1f bytes\n",
        (rssAfter - rssBefore) * 1024.0 / listed,
        (hwmAfter - std::max(hwmBefore, rssBefore)) * 1024.0 / listed,
        (rssAfter - rssBefore) * 1024.0 / kLines);
    Breakdown(store);

    std::printf("kept headers (single rows + parts held): %zu, %.1f bytes resident each\n",
                KeptHeaders(store), (rssAfter - rssBefore) * 1024.0 / KeptHeaders(store));
    SplitRun(corpus);
    return 0;
}
