#include "nntp/overview.h"

#include <gtest/gtest.h>

#include <climits>
#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include "nntp/group_number.h"
#include "setup/article.h"
#include "tests/support/local_time.h"

namespace corvane {
namespace {

using testsupport::LocalDisplayDate;

using Pairs = std::vector<std::pair<std::string, std::int32_t>>;

Pairs Crossposts(std::string_view xref, std::string_view group, std::int32_t number) {
    Pairs found;
    ForEachCrosspost(xref, group, number, [&](std::string_view g, std::int32_t n) {
        found.emplace_back(std::string(g), n);
    });
    return found;
}

TEST(OverviewLineTest, FillsEveryFieldARecordTakes) {
    CArticle article;
    std::string_view xref;
    const std::string line =
        "1234\tA subject (1/2)\tPoster <p@x>\tMon, 23 Mar 1998 12:34:56 "
        "-0500\t<abc@host>\t<ref@x>\t"
        "4567\t89\tXref: news.host alt.a:1234 alt.b:77\textra";
    ASSERT_TRUE(ParseOverviewLine(line, article, xref));
    EXPECT_EQ(article.ArticleNumber(), 1234);
    EXPECT_EQ(article.Subject(), "A subject (1/2)");
    EXPECT_EQ(article.From(), "Poster <p@x>");
    EXPECT_EQ(article.Date(), LocalDisplayDate(890674496));
    EXPECT_EQ(article.MessageId(), "abc@host");
    EXPECT_EQ(article.Lines(), 89);
    EXPECT_EQ(xref, "Xref: news.host alt.a:1234 alt.b:77");
}

TEST(OverviewLineTest, ShortAndMalformedLinesGiveASaneRecordOrNone) {
    CArticle article;
    std::string_view xref = "stale";
    // Only the number: every other field is empty, lines 0.
    ASSERT_TRUE(ParseOverviewLine("42", article, xref));
    EXPECT_EQ(article.ArticleNumber(), 42);
    EXPECT_EQ(article.Subject(), "");
    EXPECT_EQ(article.Date(), "");
    EXPECT_EQ(article.MessageId(), "");
    EXPECT_EQ(article.Lines(), 0);
    EXPECT_EQ(xref, "");

    // A message-ID without brackets still loses its first and last character; one character
    // leaves nothing. Lines that are no number read 0; absurd ones are held at the record's
    // limit; an unreadable date stays empty.
    ASSERT_TRUE(ParseOverviewLine("7\ts\tf\tnot a date\tabc\t\t\tmany", article));
    EXPECT_EQ(article.MessageId(), "b");
    EXPECT_EQ(article.Lines(), 0);
    EXPECT_EQ(article.Date(), "");
    ASSERT_TRUE(ParseOverviewLine("7\ts\tf\t\tx\t\t\t99999999999999999999999", article));
    EXPECT_EQ(article.MessageId(), "");
    EXPECT_EQ(article.Lines(), INT32_MAX);

    // No article number, or one the records cannot hold: no record.
    for (const char* bad : {"", "\tsubject", "abc\ts", "0\ts", "-5\ts", "2147483648\ts",
                            "99999999999999999999999999\ts"}) {
        CArticle untouched;
        EXPECT_FALSE(ParseOverviewLine(bad, untouched)) << bad;
        EXPECT_EQ(untouched.ArticleNumber(), 0) << bad;
        EXPECT_EQ(untouched.Subject(), "") << bad;
    }
    CArticle largest;
    EXPECT_TRUE(ParseOverviewLine("2147483647", largest));
    EXPECT_EQ(largest.ArticleNumber(), INT32_MAX);
}

TEST(OverviewLineTest, ReadLongBehavesLikeTheListingsNumbers) {
    long value = 0;
    size_t pos = 0;
    ASSERT_TRUE(ReadLong("  -17x", pos, value));
    EXPECT_EQ(value, -17);
    EXPECT_EQ(pos, 5u);
    EXPECT_TRUE(ReadLong("+8", value));
    EXPECT_EQ(value, 8);
    EXPECT_FALSE(ReadLong("-", value));
    EXPECT_FALSE(ReadLong(" x1", value));
    EXPECT_TRUE(ReadLong("99999999999999999999", value));
    EXPECT_EQ(value, LONG_MAX);
    EXPECT_TRUE(ReadLong("-99999999999999999999", value));
    EXPECT_EQ(value, LONG_MIN);
    EXPECT_TRUE(ReadLong("-9223372036854775808", value));
    EXPECT_EQ(value, LONG_MIN);
    EXPECT_TRUE(ReadLong("9223372036854775807", value));
    EXPECT_EQ(value, LONG_MAX);
}

TEST(OverviewLineTest, FieldsRunFromTabToTab) {
    EXPECT_EQ(OverviewField("1\ta\t\tc", 0), "1");
    EXPECT_EQ(OverviewField("1\ta\t\tc", 1), "a");
    EXPECT_EQ(OverviewField("1\ta\t\tc", 2), "");
    EXPECT_EQ(OverviewField("1\ta\t\tc", 3), "c");
    EXPECT_EQ(OverviewField("1\ta\t\tc", 4), "");
}

TEST(OriginTest, TheSiteBeforeTheUserPart) {
    EXPECT_EQ(OriginFromPathLine("1234 a!b!c"), "b");
    EXPECT_EQ(OriginFromPathLine("12345 host!user"), "host");
    EXPECT_EQ(OriginFromPathLine("7 host!user"), "host");
    EXPECT_EQ(OriginFromPathLine("7 hostonly"), "");
    EXPECT_EQ(
        OriginFromPathLine("7 news.example.org!feeder.example.net!poster.example.com!not-for-mail"),
        "poster.example.com");
    // Malformed lines give a part of the line or nothing, never a crash.
    EXPECT_EQ(OriginFromPathLine("!"), "");
    EXPECT_EQ(OriginFromPathLine("7 !user"), "");
    EXPECT_EQ(OriginFromPathLine("7!x"), "");
    EXPECT_EQ(OriginFromPathLine("!!"), "");
}

TEST(CrosspostTest, EntriesNamingAnotherCopy) {
    EXPECT_EQ(Crossposts("Xref: server alt.a:10 alt.b:20", "alt.a", 10), (Pairs{{"alt.b", 20}}));
    // The same group under another number is another copy too; commas separate as well.
    EXPECT_EQ(Crossposts("Xref: server alt.a:10,alt.a:11", "alt.a", 10), (Pairs{{"alt.a", 11}}));
    // Entries without a group, a colon or a number are skipped; a number runs to its first
    // non-digit, as the listings write it.
    EXPECT_EQ(
        Crossposts("Xref: s :5 alt.c alt.d:x alt.e:9z  alt.f:99999999999 alt.g:3", "alt.a", 1),
        (Pairs{{"alt.e", 9}, {"alt.g", 3}}));
    // A server name without entries, an empty or short field: nothing.
    EXPECT_EQ(Crossposts("Xref: server", "alt.a", 1), Pairs{});
    EXPECT_EQ(Crossposts("Xref: ", "alt.a", 1), Pairs{});
    EXPECT_EQ(Crossposts("", "alt.a", 1), Pairs{});
}

TEST(CrosspostTest, ThousandsOfEntriesAreWalkedWithoutHoldingThem) {
    std::string xref = "Xref: server";
    for (int i = 0; i < 5000; ++i) xref += " alt.g" + std::to_string(i) + ":" + std::to_string(i);
    CCrosspostBatch batch;
    int chains = 0, pairs = 0;
    ForEachCrosspost(xref, "alt.a", 1, [&](std::string_view g, std::int32_t n) {
        if (auto full = batch.Add(g, n)) {
            ++chains;
            EXPECT_EQ(full->Followers(), CCrosspostBatch::kPairs - 1);
        }
        ++pairs;
    });
    EXPECT_EQ(pairs, 5000);
    EXPECT_EQ(chains, 5000 / 12);
    auto rest = batch.TakePending();
    ASSERT_NE(rest, nullptr);
    EXPECT_EQ(rest->Followers(), 5000 % 12 - 1);
}

TEST(GroupNumberTest, AppendCountsFollowersAndALongChainIsFreedWithoutRecursion) {
    CGroupNumber first("alt.a", 1);
    first.Append(std::make_unique<CGroupNumber>("alt.b", 2));
    auto pair = std::make_unique<CGroupNumber>("alt.c", 3);
    pair->Append(std::make_unique<CGroupNumber>("alt.d", 4));
    first.Append(std::move(pair));
    EXPECT_EQ(first.Followers(), 3);
    ASSERT_NE(first.Next(), nullptr);
    EXPECT_EQ(first.Next()->Followers(), 2);
    EXPECT_EQ(first.Next()->Next()->Group(), "alt.c");
    EXPECT_EQ(first.Next()->Next()->Followers(), 1);
    EXPECT_EQ(first.Next()->Next()->Next()->Number(), 4);
    EXPECT_EQ(first.Next()->Next()->Next()->Next(), nullptr);

    // A recursive destructor would overflow the stack on a chain this long: the test then
    // dies instead of passing. Appending at the tail keeps the build linear.
    auto head = std::make_unique<CGroupNumber>("g", 0);
    CGroupNumber* tail = head.get();
    for (int i = 1; i < 1000000; ++i) {
        auto node = std::make_unique<CGroupNumber>("g", i);
        CGroupNumber* next = node.get();
        tail->Append(std::move(node));
        tail = next;
    }
    EXPECT_EQ(head->Followers(), 1);
    head.reset();
}

TEST(GroupNumberTest, BatchesHoldTwelvePairs) {
    CCrosspostBatch batch;
    for (int i = 0; i < 11; ++i) EXPECT_EQ(batch.Add("alt.b", i), nullptr);
    auto full = batch.Add("alt.b", 11);
    ASSERT_NE(full, nullptr);
    EXPECT_EQ(full->Followers(), 11);
    EXPECT_EQ(full->Number(), 0);
    EXPECT_EQ(batch.TakePending(), nullptr);
    EXPECT_EQ(batch.Add("alt.c", 5), nullptr);
    auto rest = batch.TakePending();
    ASSERT_NE(rest, nullptr);
    EXPECT_EQ(rest->Followers(), 0);
    EXPECT_EQ(rest->Group(), "alt.c");
}

TEST(GroupReplyTest, ThreeNumbersAfter211) {
    SGroupBounds bounds;
    ASSERT_TRUE(ParseGroupReply("211 20 3 22 alt.test", bounds));
    EXPECT_EQ(bounds.count, 20);
    EXPECT_EQ(bounds.first, 3);
    EXPECT_EQ(bounds.last, 22);
    EXPECT_TRUE(ParseGroupReply("211 0 0 0", bounds));
    EXPECT_EQ(bounds.count, 0);
    EXPECT_FALSE(ParseGroupReply("211 5 1", bounds));
    EXPECT_FALSE(ParseGroupReply("211", bounds));
    EXPECT_FALSE(ParseGroupReply("411 no such group", bounds));
    EXPECT_FALSE(ParseGroupReply("211 5 1 99999999999", bounds));
}

}  // namespace
}  // namespace corvane
