#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "setup/article.h"
#include "setup/group_range.h"
#include "setup/log_entry.h"
#include "setup/msg_details.h"

namespace corvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Input for the reading tests: the bytes a file of an older program version holds.
class CBytesBuilder {
public:
    CBytesBuilder& Byte(std::uint8_t b) {
        m_bytes.push_back(b);
        return *this;
    }
    CBytesBuilder& Word(std::uint16_t w) { return Byte(w & 0xFF).Byte(w >> 8); }
    CBytesBuilder& Dword(std::uint32_t d) { return Word(d & 0xFFFF).Word(d >> 16); }
    CBytesBuilder& Text(std::string_view s) {
        for (char c : s) Byte(static_cast<std::uint8_t>(c));
        return *this;
    }
    CBytesBuilder& Str(std::string_view s) {
        return Byte(static_cast<std::uint8_t>(s.size())).Text(s);
    }
    CBytesBuilder& ClassRecord(std::uint16_t schema, std::string_view name) {
        return Word(0xFFFF).Word(schema).Word(static_cast<std::uint16_t>(name.size())).Text(name);
    }
    const Bytes& Get() const { return m_bytes; }

private:
    Bytes m_bytes;
};

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes Chars(std::string_view s) {
    return Bytes(s.begin(), s.end());
}

Bytes Store(const CSerializable& object) {
    CArchive ar;
    ar.WriteObject(&object);
    return ar.Bytes();
}

CClassRegistry Registry() {
    CClassRegistry registry;
    RegisterArticleRecordClasses(registry);
    return registry;
}

template <class T>
std::unique_ptr<T> Load(const Bytes& bytes) {
    CClassRegistry registry = Registry();
    CArchive ar(registry, bytes);
    std::unique_ptr<T> object = ar.ReadOwned<T>();
    EXPECT_EQ(ar.BytesLeft(), 0u);
    return object;
}

template <class T>
EArchiveError LoadError(const Bytes& bytes) {
    CClassRegistry registry = Registry();
    CArchive ar(registry, bytes);
    try {
        ar.ReadOwned<T>();
    } catch (const CArchiveException& e) {
        return e.Kind();
    }
    ADD_FAILURE() << "load succeeded";
    return EArchiveError::kEndOfFile;
}

std::unique_ptr<CArticle> MakePart(std::int32_t number, std::int32_t lines,
                                   std::string from = "f") {
    auto part = std::make_unique<CArticle>();
    part->SetArticleNumber(number);
    part->SetLines(lines);
    part->SetFrom(std::move(from));
    part->SetNewsgroup("g");
    part->SetOrigin("o");
    part->SetSubject("x");
    return part;
}

void ExpectSameArticle(const CArticle& a, const CArticle& b) {
    EXPECT_EQ(a.From(), b.From());
    EXPECT_EQ(a.Subject(), b.Subject());
    EXPECT_EQ(a.Lines(), b.Lines());
    EXPECT_EQ(a.MessageId(), b.MessageId());
    EXPECT_EQ(a.Newsgroup(), b.Newsgroup());
    EXPECT_EQ(a.Origin(), b.Origin());
    EXPECT_EQ(a.Attachment(), b.Attachment());
    EXPECT_EQ(a.ArticleNumber(), b.ArticleNumber());
    EXPECT_EQ(a.GroupCount(), b.GroupCount());
    EXPECT_EQ(a.Date(), b.Date());
}

// --- bodies as written ---

TEST(ArticleRecordsWrite, ArticleBodyInFileOrder) {
    CArticle a;
    a.SetFrom("a");
    a.SetSubject("s");
    a.SetLines(10);
    a.SetMessageId("<m>");
    a.SetNewsgroup("g");
    a.SetOrigin("o");
    a.SetAttachment(false);
    a.SetArticleNumber(7);
    a.SetGroupCount(2);
    a.SetDate("d");
    // Run-time state is never written.
    a.SetQueued(true);
    a.SetMismatch(true);
    a.SetPriority(CArticle::kPriorityLow);
    a.SetFileName("file");
    const Bytes expected =
        Concat({{0xFF, 0xFF, 0x05, 0x00, 0x08, 0x00},
                Chars("CArticle"),
                {0x01, 'a', 0x01, 's', 0x0A, 0,    0, 0, 0x03, '<',  'm', '>', 0x01, 'g',  0x01,
                 'o',  0,   0,    0,   0,    0x07, 0, 0, 0,    0x02, 0,   0,   0,    0x01, 'd'}});
    EXPECT_EQ(Store(a), expected);
}

TEST(ArticleRecordsWrite, MultiPartBodyWithMissingPart) {
    CMultiPartArticle m(2, "b");
    m.AddPart(MakePart(9, 3), 2);
    const Bytes expected = Concat({
        {0xFF, 0xFF, 0x02, 0x00, 0x11, 0x00},
        Chars("CMultiPartArticle"),
        {0x01, 'b',  0x02, 0,    0,   0,    0x01, 'f', 0x01, 'b',  0,    0,    0,
         0,  // lines written as 0
         0x00, 0x01, 'g',  0x01, 'o', 0x01, 0,    0,   0,    0xFF, 0xFF, 0xFF, 0xFF},
        {0x02, 0x00, 0x00, 0x00},  // two slots, the first empty
        {0xFF, 0xFF, 0x05, 0x00, 0x08, 0x00},
        Chars("CArticle"),
        {0x01, 'f', 0x01, 'x', 0x03, 0, 0, 0, 0x00, 0x01, 'g',  0x01, 'o',
         0x01, 0,   0,    0,   0x09, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0x00},
        {0x02, 0x00, 0x00, 0x00, 0x01, 0x00},  // present flags
    });
    EXPECT_EQ(Store(m), expected);
}

TEST(ArticleRecordsWrite, SmallBodies) {
    EXPECT_EQ(Store(CMsgDetails(0x01020304)), Concat({{0xFF, 0xFF, 0x01, 0x00, 0x0B, 0x00},
                                                      Chars("CMsgDetails"),
                                                      {0x04, 0x03, 0x02, 0x01}}));

    CLogEntry e;
    e.SetAuthor("a");
    e.SetFileName("f");
    e.SetNewsgroup("g");
    e.SetLines(5);
    e.SetOrigin("o");
    e.SetSubject("s");
    EXPECT_EQ(Store(e),
              Concat({{0xFF, 0xFF, 0x01, 0x00, 0x09, 0x00},
                      Chars("CLogEntry"),
                      {0x01, 'a', 0x01, 'f', 0x01, 'g', 0x05, 0, 0, 0, 0x01, 'o', 0x01, 's'}}));
}

TEST(ArticleRecordsWrite, GroupRangeWithMarkAndEntries) {
    CGroupRange r;
    r.SetLowWater(3);
    for (std::int32_t n : {5, 6, 7, 9}) r.Add(n);
    // The second entry names its class by index 3 (range class 1, range 2, entry class 3).
    const Bytes expected = Concat({{0xFF, 0xFF, 0x02, 0x00, 0x0B, 0x00},
                                   Chars("CGroupRange"),
                                   {0x03, 0, 0, 0, 0x02, 0x00},
                                   {0xFF, 0xFF, 0x01, 0x00, 0x10, 0x00},
                                   Chars("CGroupRangeEntry"),
                                   {0x05, 0, 0, 0, 0x07, 0, 0, 0},
                                   {0x03, 0x80, 0x09, 0, 0, 0, 0x09, 0, 0, 0}});
    EXPECT_EQ(Store(r), expected);
}

// --- round trips ---

TEST(ArticleRecordsRoundTrip, ArticleKeepsSavedFieldsAndResetsRunTimeOnes) {
    CArticle a;
    a.SetFrom("poster <p@x>");
    a.SetSubject("picture.jpg");
    a.SetLines(-4);
    a.SetMessageId("<id@x>");
    a.SetNewsgroup("alt.test");
    a.SetOrigin("news.example");
    a.SetAttachment(false);
    a.SetArticleNumber(std::numeric_limits<std::int32_t>::max());
    a.SetGroupCount(3);
    a.SetDate("2026-12-08 09:00:00");
    a.SetQueued(true);
    a.SetDownloading(true);
    a.SetRemoveWhenDone(true);
    a.SetPriority(CArticle::kPriorityHigh);

    auto b = Load<CArticle>(Store(a));
    ASSERT_TRUE(b);
    ASSERT_FALSE(b->IsMultiPart());
    ExpectSameArticle(a, *b);
    EXPECT_FALSE(b->Queued());
    EXPECT_FALSE(b->Downloading());
    EXPECT_FALSE(b->RemoveWhenDone());
    EXPECT_FALSE(b->Mismatch());
    EXPECT_EQ(b->Priority(), CArticle::kPriorityMedium);
    EXPECT_EQ(b->WorkItem(), nullptr);
}

TEST(ArticleRecordsRoundTrip, MultiPartWithMissingPartsAsArticleOfTheList) {
    CMultiPartArticle m(4, "pic (");
    m.AddPart(MakePart(12, 100, "first"), 2);
    m.AddPart(MakePart(14, 50, "last"), 4);
    m.SetAttachment(false);
    m.SetGroupCount(2);

    // Read back where the article list reads: as a CArticle that turns out to be joined.
    auto b = Load<CArticle>(Store(m));
    ASSERT_TRUE(b && b->IsMultiPart());
    const auto& r = static_cast<const CMultiPartArticle&>(*b);
    EXPECT_EQ(r.PartCount(), 4);
    EXPECT_EQ(r.BaseSubject(), "pic (");
    EXPECT_EQ(r.From(), "last");
    EXPECT_FALSE(r.Attachment());
    EXPECT_EQ(r.GroupCount(), 2);
    EXPECT_FALSE(r.IsPresent(1));
    EXPECT_TRUE(r.IsPresent(2));
    EXPECT_FALSE(r.IsPresent(3));
    EXPECT_TRUE(r.IsPresent(4));
    EXPECT_EQ(r.Part(1), nullptr);
    ASSERT_NE(r.Part(4), nullptr);
    ExpectSameArticle(*m.Part(4), *r.Part(4));
    EXPECT_EQ(r.Lines(), 150);
    EXPECT_EQ(r.ArticleNumber(), 12);
    EXPECT_EQ(r.DisplaySubject(), "(Parts - 2,4 of 4) pic (");
}

TEST(ArticleRecordsRoundTrip, LogAndMessageDetails) {
    CDownloadLog log;
    for (int i = 0; i < 3; ++i) {
        auto e = std::make_unique<CLogEntry>();
        e->SetFileName("/d/f" + std::to_string(i));
        e->SetNewsgroup("g");
        e->SetSubject("(Complete) s");
        e->SetOrigin("o");
        e->SetAuthor("a");
        e->SetLines(i);
        log.Add(std::move(e));
    }
    CArchive out;
    log.Serialize(out);

    CClassRegistry registry = Registry();
    CArchive in(registry, out.Bytes());
    CDownloadLog loaded;
    loaded.Serialize(in);
    std::vector<std::string> names;
    loaded.ForEach([&](const CLogEntry& e) {
        names.push_back(e.FileName());
        EXPECT_EQ(e.Lines(), static_cast<std::int32_t>(names.size() - 1));
        EXPECT_EQ(e.Subject(), "(Complete) s");
        EXPECT_EQ(e.Author(), "a");
    });
    EXPECT_EQ(names, (std::vector<std::string>{"/d/f0", "/d/f1", "/d/f2"}));

    auto d = Load<CMsgDetails>(Store(CMsgDetails(0xFEDCBA98)));
    ASSERT_TRUE(d);
    EXPECT_EQ(d->Time(), 0xFEDCBA98u);
}

TEST(ArticleRecordsRoundTrip, GroupRangeKeepsMarkAndRanges) {
    CGroupRange r;
    for (std::int32_t n : {-5, 1, 2, 10}) r.Add(n);
    r.SetLowWater(2);
    r.MarkRefreshRequested();
    auto b = Load<CGroupRange>(Store(r));
    ASSERT_TRUE(b);
    EXPECT_EQ(b->Ranges(), r.Ranges());
    EXPECT_EQ(b->LowWater(), 2);
    EXPECT_FALSE(b->RefreshRequested());
}

// --- older and hostile files ---

TEST(ArticleRecordsRoundTrip, TextsPastSixteenBitLengthsKeepEveryByte) {
    CArticle a;
    const std::string subject(70000, 's');
    const std::string from(300, 'f');
    a.SetTexts({subject, from, "id", "date", "origin", {}});
    a.SetNewsgroup("g");
    const Bytes stored = Store(a);
    // The from text comes first in the body, as 0xFF and a word length.
    const std::size_t body = 6 + 8;
    ASSERT_GT(stored.size(), body + 3);
    EXPECT_EQ(stored[body], 0xFF);
    EXPECT_EQ(stored[body + 1], 0x2C);
    EXPECT_EQ(stored[body + 2], 0x01);
    auto b = Load<CArticle>(Store(a));
    ASSERT_TRUE(b);
    ExpectSameArticle(a, *b);
    EXPECT_EQ(b->Subject(), subject);
    EXPECT_EQ(Store(*b), stored);
}

TEST(ArticleRecordsRoundTrip, LoadedArticlesOfOneGroupShareTheName) {
    CArticle a;
    a.SetNewsgroup("alt.binaries.shared.load");
    a.SetSubject("s");
    const Bytes stored = Store(a);
    auto b = Load<CArticle>(stored);
    auto c = Load<CArticle>(stored);
    ASSERT_TRUE(b && c);
    EXPECT_TRUE(b->SharedNewsgroup().SameCopy(c->SharedNewsgroup()));
    EXPECT_TRUE(a.SharedNewsgroup().SameCopy(b->SharedNewsgroup()));
}

TEST(ArticleRecordsOlderSchemas, ArticleFieldsMissingFromOlderBodiesTakeDefaults) {
    auto body = [](std::uint16_t schema) {
        CBytesBuilder b;
        b.ClassRecord(schema, "CArticle").Str("f").Str("s").Dword(7).Str("<m>").Str("g").Str("o");
        if (schema >= 2) b.Dword(0);   // attachment
        if (schema >= 3) b.Dword(42);  // article number
        if (schema >= 4) b.Dword(5);   // group count
        return b.Get();
    };
    auto one = Load<CArticle>(body(1));
    ASSERT_TRUE(one);
    EXPECT_EQ(one->Lines(), 7);
    EXPECT_EQ(one->Origin(), "o");
    EXPECT_TRUE(one->Attachment());
    EXPECT_EQ(one->ArticleNumber(), 0);
    EXPECT_EQ(one->GroupCount(), -1);
    EXPECT_EQ(one->Date(), "");

    auto three = Load<CArticle>(body(3));
    ASSERT_TRUE(three);
    EXPECT_FALSE(three->Attachment());
    EXPECT_EQ(three->ArticleNumber(), 42);
    EXPECT_EQ(three->GroupCount(), -1);

    auto four = Load<CArticle>(body(4));
    ASSERT_TRUE(four);
    EXPECT_EQ(four->GroupCount(), 5);
    EXPECT_EQ(four->Date(), "");
}

TEST(ArticleRecordsOlderSchemas, MultiPartOfSchemaOneHasUnknownGroupCount) {
    CBytesBuilder b;
    b.ClassRecord(1, "CMultiPartArticle")
        .Str("base")
        .Dword(2)
        .Str("f")
        .Str("base")
        .Dword(999)  // stored lines are ignored
        .Str("")
        .Str("g")
        .Str("o")
        .Dword(1)
        .Word(2)
        .ClassRecord(1, "CArticle")
        .Str("f")
        .Str("base 1/2")
        .Dword(20)
        .Str("<1>")
        .Str("g")
        .Str("o")
        .Word(0)
        .Word(2)
        .Word(1)
        .Word(0);
    auto a = Load<CArticle>(b.Get());
    ASSERT_TRUE(a && a->IsMultiPart());
    EXPECT_EQ(a->GroupCount(), -1);
    EXPECT_EQ(a->Lines(), 20);
    EXPECT_EQ(a->ArticleNumber(), 0);  // the schema 1 part has no number
    EXPECT_EQ(a->DisplaySubject(), "(Parts - 1 of 2) base");
}

TEST(ArticleRecordsOlderSchemas, GroupRangeOfSchemaOneHasNoMark) {
    CBytesBuilder b;
    b.ClassRecord(1, "CGroupRange").Word(1).ClassRecord(1, "CGroupRangeEntry").Dword(5).Dword(7);
    auto r = Load<CGroupRange>(b.Get());
    ASSERT_TRUE(r);
    EXPECT_EQ(r->LowWater(), 0);
    EXPECT_EQ(r->Ranges(), (std::vector<CGroupRangeEntry>{{5, 7}}));
}

TEST(ArticleRecordsHostile, GroupRangeListIsPutInOrder) {
    CBytesBuilder b;
    b.ClassRecord(2, "CGroupRange").Dword(0).Word(4).ClassRecord(1, "CGroupRangeEntry");
    b.Dword(9).Dword(9);
    b.Word(0x8003).Dword(5).Dword(7);
    b.Word(0x8003).Dword(6).Dword(8);
    b.Word(0x8003).Dword(3).Dword(2);  // reversed: dropped
    auto r = Load<CGroupRange>(b.Get());
    ASSERT_TRUE(r);
    EXPECT_EQ(r->Ranges(), (std::vector<CGroupRangeEntry>{{5, 8}, {9, 9}}));
    r->Add(4);
    EXPECT_EQ(r->Ranges(), (std::vector<CGroupRangeEntry>{{4, 8}, {9, 9}}));
}

TEST(ArticleRecordsHostile, MultiPartArraysMustMatchTheCount) {
    auto build = [](std::uint32_t count, std::uint16_t slots, std::uint16_t flags) {
        CBytesBuilder b;
        b.ClassRecord(2, "CMultiPartArticle").Str("b").Dword(count).Str("").Str("b").Dword(0);
        b.Str("").Str("").Str("").Dword(1).Dword(0xFFFFFFFF);
        b.Word(slots);
        for (std::uint16_t i = 0; i < slots; ++i) b.Word(0);
        b.Word(flags);
        for (std::uint16_t i = 0; i < flags; ++i) b.Word(1);
        return b.Get();
    };
    EXPECT_EQ(LoadError<CArticle>(build(3, 2, 2)), EArchiveError::kBadIndex);
    EXPECT_EQ(LoadError<CArticle>(build(2, 2, 3)), EArchiveError::kBadIndex);
    // A flag without its part is no part: the record stays incomplete and can take it.
    auto m = Load<CMultiPartArticle>(build(2, 2, 2));
    ASSERT_TRUE(m);
    EXPECT_FALSE(m->IsComplete());
    m->AddPart(MakePart(1, 1), 1);
    EXPECT_NE(m->Part(1), nullptr);
}

TEST(ArticleRecordsHostile, JoinedRecordAsPartIsRefused) {
    CBytesBuilder b;
    b.ClassRecord(2, "CMultiPartArticle").Str("b").Dword(1).Str("").Str("b").Dword(0);
    b.Str("").Str("").Str("").Dword(1).Dword(0xFFFFFFFF).Word(1);
    Bytes bytes = b.Get();
    // The inner record's tag: class index 1, already known.
    CBytesBuilder tail;
    tail.Word(0x8001).Str("i").Dword(0).Str("").Str("i").Dword(0).Str("").Str("").Str("");
    tail.Dword(1).Dword(0xFFFFFFFF).Word(0).Word(0).Word(1).Word(1);
    bytes.insert(bytes.end(), tail.Get().begin(), tail.Get().end());
    EXPECT_EQ(LoadError<CArticle>(bytes), EArchiveError::kBadClass);
}

// --- operations ---

TEST(MultiPartArticle, PartsOneAndThreeOfThree) {
    CMultiPartArticle m(3, "pic (");
    m.AddPart(MakePart(30, 40), 3);
    m.AddPart(MakePart(10, 15), 1);
    EXPECT_FALSE(m.IsComplete());
    EXPECT_EQ(m.Lines(), 55);
    EXPECT_EQ(m.ArticleNumber(), 10);
    EXPECT_EQ(m.DisplaySubject(), "(Parts - 1,3 of 3) pic (");
    m.AddPart(MakePart(20, 1), 2);
    EXPECT_TRUE(m.IsComplete());
    EXPECT_EQ(m.DisplaySubject(), "(Complete) pic (");
}

TEST(MultiPartArticle, DisplaySubjectJoinsRuns) {
    CMultiPartArticle m(10, "picture.jpg (");
    for (std::int32_t n : {1, 2, 3, 5, 7, 8}) m.AddPart(MakePart(n, 1), n);
    EXPECT_EQ(m.DisplaySubject(), "(Parts - 1-3,5,7-8 of 10) picture.jpg (");
    CMultiPartArticle tail(4, "t");
    tail.AddPart(MakePart(3, 1), 3);
    tail.AddPart(MakePart(4, 1), 4);
    EXPECT_EQ(tail.DisplaySubject(), "(Parts - 3-4 of 4) t");
    EXPECT_EQ(CMultiPartArticle(2, "e").DisplaySubject(), "(Parts -  of 2) e");
}

TEST(MultiPartArticle, AddPartRefusesOutOfRangeAndSecondCopies) {
    CMultiPartArticle m(3, "b");
    m.AddPart(MakePart(4, 1), 4);
    m.AddPart(MakePart(0, 1), 0);
    m.AddPart(MakePart(-1, 1), std::numeric_limits<std::int32_t>::min());
    for (std::int32_t n = 1; n <= 3; ++n) EXPECT_FALSE(m.IsPresent(n));
    EXPECT_EQ(m.From(), "");

    m.AddPart(MakePart(20, 1, "one"), 2);
    m.AddPart(MakePart(21, 1, "two"), 2);
    ASSERT_NE(m.Part(2), nullptr);
    EXPECT_EQ(m.Part(2)->ArticleNumber(), 20);
    EXPECT_EQ(m.From(), "one");

    // The most recently added part names the poster, whatever its number.
    auto p = MakePart(10, 1, "later");
    p->SetNewsgroup("g2");
    p->SetOrigin("o2");
    m.AddPart(std::move(p), 1);
    EXPECT_EQ(m.From(), "later");
    EXPECT_EQ(m.Newsgroup(), "g2");
    EXPECT_EQ(m.Origin(), "o2");
}

TEST(MultiPartArticle, AddingPartsKeepsTheBaseSubject) {
    CMultiPartArticle m(3, "holiday.jpg (");
    const std::string_view before = m.Subject();
    EXPECT_EQ(before, "holiday.jpg (");
    auto p = MakePart(1, 1, "a poster with a rather long name <poster@example.org>");
    p->SetOrigin("a much longer origin than the record had before");
    m.AddPart(std::move(p), 1);
    EXPECT_EQ(m.Subject(), "holiday.jpg (");
    EXPECT_EQ(m.BaseSubject(), "holiday.jpg (");
    EXPECT_EQ(m.From(), "a poster with a rather long name <poster@example.org>");
    EXPECT_EQ(m.Origin(), "a much longer origin than the record had before");
    EXPECT_TRUE(m.SharedNewsgroup().SameCopy(m.Part(1)->SharedNewsgroup()));
}

TEST(MultiPartArticle, CountOfZeroOrLessIsComplete) {
    CMultiPartArticle none(0, "z");
    EXPECT_TRUE(none.IsComplete());
    EXPECT_EQ(none.ArticleNumber(), 0);
    EXPECT_EQ(none.Lines(), 0);
    CMultiPartArticle negative(-3, "n");
    EXPECT_TRUE(negative.IsComplete());
    negative.AddPart(MakePart(1, 1), 1);
    EXPECT_EQ(negative.Part(1), nullptr);
}

TEST(MultiPartArticle, LinesSumStopsAtTheLargestCount) {
    CMultiPartArticle m(2, "b");
    m.AddPart(MakePart(1, std::numeric_limits<std::int32_t>::max()), 1);
    m.AddPart(MakePart(2, 10), 2);
    EXPECT_EQ(m.Lines(), std::numeric_limits<std::int32_t>::max());
}

TEST(ArticlePartCursor, WalksSlotsIncludingMissingOnes) {
    CMultiPartArticle m(3, "b");
    m.AddPart(MakePart(11, 1), 1);
    m.AddPart(MakePart(33, 1), 3);
    std::vector<std::int32_t> seen;  // 0 for a missing part
    m.StartParts();
    do {
        const CArticle* part = m.NextPart();
        seen.push_back(part ? part->ArticleNumber() : 0);
        ASSERT_LE(seen.size(), 3u);
    } while (m.PartCursor() != 0);
    EXPECT_EQ(seen, (std::vector<std::int32_t>{11, 0, 33}));

    CMultiPartArticle empty(0, "e");
    empty.StartParts();
    EXPECT_EQ(empty.NextPart(), nullptr);
    EXPECT_EQ(empty.PartCursor(), 0);

    CArticle single;
    single.StartParts();
    EXPECT_EQ(single.NextPart(), &single);
    EXPECT_EQ(single.PartCursor(), 0);
}

// --- texts ---

TEST(ArticleTexts, SettingOneTextKeepsTheOthers) {
    CArticle a;
    a.SetTexts({"subject", "from", "id@x", "date", "origin", "name.jpg"});
    a.SetOrigin("");
    a.SetFrom("a longer from than before <x@y>");
    EXPECT_EQ(a.Subject(), "subject");
    EXPECT_EQ(a.From(), "a longer from than before <x@y>");
    EXPECT_EQ(a.MessageId(), "id@x");
    EXPECT_EQ(a.Date(), "date");
    EXPECT_EQ(a.Origin(), "");
    EXPECT_EQ(a.FileName(), "name.jpg");
    // A text may be set from another text of the same record.
    a.SetSubject(a.FileName());
    EXPECT_EQ(a.Subject(), "name.jpg");
    const CArticleTexts t = a.Texts();
    EXPECT_EQ(t.subject, "name.jpg");
    EXPECT_EQ(t.fileName, "name.jpg");
    EXPECT_EQ(t.messageId, "id@x");
}

TEST(ArticleTexts, NewsgroupsOfOneNameShareOneCopy) {
    CArticle a;
    CArticle b;
    a.SetNewsgroup("alt.binaries.shared.records");
    b.SetNewsgroup(std::string("alt.binaries.shared.") + "records");
    EXPECT_TRUE(a.SharedNewsgroup().SameCopy(b.SharedNewsgroup()));
    EXPECT_EQ(&a.Newsgroup(), &b.Newsgroup());
    b.SetNewsgroup("alt.binaries.other");
    EXPECT_EQ(a.Newsgroup(), "alt.binaries.shared.records");
    EXPECT_EQ(b.Newsgroup(), "alt.binaries.other");
    b.SetNewsgroup("");
    EXPECT_EQ(b.Newsgroup(), "");
}

// A group lists millions of records; a record that grew past one allocator size class would
// cost every one of them.
TEST(ArticleTexts, RecordFitsSixtyFourBytes) {
    if (sizeof(void*) != 8) GTEST_SKIP() << "sized for 64-bit builds";
    EXPECT_LE(sizeof(CArticle), 64u);
}

TEST(ArticleStateImage, SingleArticle) {
    CArticle a;
    EXPECT_EQ(a.StateImage(), 6);
    a.SetQueued(true);
    EXPECT_EQ(a.StateImage(), 8);
    a.SetDownloading(true);
    EXPECT_EQ(a.StateImage(), 7);
    a.SetAttachment(false);
    EXPECT_EQ(a.StateImage(), 2);
    a.SetDownloading(false);
    EXPECT_EQ(a.StateImage(), 1);
    a.SetQueued(false);
    EXPECT_EQ(a.StateImage(), 0);
    a.SetMismatch(true);
    EXPECT_EQ(a.StateImage(), 14);
    a.SetAttachment(true);
    a.SetQueued(true);
    a.SetDownloading(true);
    EXPECT_EQ(a.StateImage(), 14);
}

TEST(ArticleStateImage, JoinedRecord) {
    CMultiPartArticle m(2, "b");
    m.AddPart(MakePart(1, 1), 1);
    EXPECT_EQ(m.StateImage(), 12);
    m.SetAttachment(false);
    EXPECT_EQ(m.StateImage(), 13);
    m.AddPart(MakePart(2, 1), 2);
    EXPECT_EQ(m.StateImage(), 3);
    m.SetQueued(true);
    EXPECT_EQ(m.StateImage(), 4);
    m.SetDownloading(true);
    EXPECT_EQ(m.StateImage(), 5);
    m.SetAttachment(true);
    EXPECT_EQ(m.StateImage(), 10);
    m.SetDownloading(false);
    EXPECT_EQ(m.StateImage(), 11);
    m.SetQueued(false);
    EXPECT_EQ(m.StateImage(), 9);
    m.SetMismatch(true);  // only single articles show a mismatch
    EXPECT_EQ(m.StateImage(), 9);
}

TEST(DownloadLog, EntryPastTheLimitEvictsTheOldest) {
    CDownloadLog log;
    for (std::size_t i = 0; i <= CDownloadLog::kMaxEntries; ++i) {
        auto e = std::make_unique<CLogEntry>();
        e->SetLines(static_cast<std::int32_t>(i));
        log.Add(std::move(e));
    }
    EXPECT_EQ(log.Size(), CDownloadLog::kMaxEntries);
    std::int32_t first = -1;
    std::int32_t last = -1;
    log.ForEach([&](const CLogEntry& e) {
        if (first < 0) first = e.Lines();
        last = e.Lines();
    });
    EXPECT_EQ(first, 1);
    EXPECT_EQ(last, static_cast<std::int32_t>(CDownloadLog::kMaxEntries));

    const CLogEntry* victim = nullptr;
    log.ForEach([&](const CLogEntry& e) {
        if (e.Lines() == 5) victim = &e;
    });
    EXPECT_TRUE(log.Remove(victim));
    EXPECT_FALSE(log.Remove(victim));
    EXPECT_EQ(log.Size(), CDownloadLog::kMaxEntries - 1);
}

TEST(MsgDetails, AgeCountsWholeDays) {
    const std::uint32_t day = CMsgDetails::kSecondsPerDay;
    CMsgDetails d(1000000);
    EXPECT_EQ(d.AgeInDays(1000000 + 7 * day + 23 * 3600), 7u);
    EXPECT_EQ(d.AgeInDays(1000000 + 8 * day), 8u);
    EXPECT_EQ(d.AgeInDays(1000000 - day), 0u);
}

TEST(ArticleRecordClasses, RegisteredWithTheirSchemas) {
    CClassRegistry registry = Registry();
    const std::pair<std::string_view, std::uint16_t> expected[] = {
        {"CArticle", 5},  {"CMultiPartArticle", 2}, {"CMsgDetails", 1},
        {"CLogEntry", 1}, {"CGroupRange", 2},       {"CGroupRangeEntry", 1}};
    for (const auto& [name, schema] : expected) {
        const CClassRegistry::CEntry* entry = registry.Find(name);
        ASSERT_NE(entry, nullptr) << name;
        EXPECT_EQ(entry->schema, schema) << name;
        EXPECT_EQ(entry->factory()->ClassName(), name);
    }
}

}  // namespace
}  // namespace corvane
