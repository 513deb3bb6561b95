#include "app/article_sort.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {
namespace {

struct SRow {
    std::string_view group = {};
    std::string_view subject = {};
    std::string_view date = {};
    std::string_view from = {};
    int lines = 0;
    std::string_view origin = {};
};

// Owns the records; Rows() hands out the pointers the window would sort.
class CTable {
public:
    CArticle& Add(const SRow& row) {
        auto article = std::make_unique<CArticle>();
        article->SetNewsgroup(row.group);
        article->SetSubject(row.subject);
        article->SetDate(row.date);
        article->SetFrom(row.from);
        article->SetLines(row.lines);
        article->SetOrigin(row.origin);
        m_articles.push_back(std::move(article));
        return *m_articles.back();
    }
    std::vector<CArticle*> Rows() const {
        std::vector<CArticle*> rows;
        for (const auto& a : m_articles) rows.push_back(a.get());
        return rows;
    }

private:
    std::vector<std::unique_ptr<CArticle>> m_articles;
};

std::vector<std::string> Subjects(const std::vector<CArticle*>& rows) {
    std::vector<std::string> out;
    for (const CArticle* row : rows) out.emplace_back(row->Subject());
    return out;
}

using Texts = std::vector<std::string>;

TEST(FoldCase, LowersAsciiAndLatinLettersAndKeepsTheRest) {
    EXPECT_EQ(FoldCase("Hello_World[1]"), "hello_world[1]");
    EXPECT_EQ(FoldCase("\xC3\x89T\xC3\x89"), "\xC3\xA9t\xC3\xA9");                // ÉTÉ
    EXPECT_EQ(FoldCase("\xC5\x81\xC3\x93\xC4\x8E"), "\xC5\x82\xC3\xB3\xC4\x8F");  // ŁÓĎ
    EXPECT_EQ(FoldCase("\xC5\xB8"), "\xC3\xBF");                                  // Ÿ
    EXPECT_EQ(FoldCase("\xC3\x97"), "\xC3\x97");  // the multiplication sign has no case
    // Single bytes of an 8-bit code page, and a lead byte cut off at the end, stay as they are.
    EXPECT_EQ(FoldCase("\xC9t\xC9"), "\xC9t\xC9");
    EXPECT_EQ(FoldCase("A\xC3"), "a\xC3");
}

TEST(SubjectSortText, RepliesSortByTheTextAfterTheirFourthCharacter) {
    EXPECT_EQ(SubjectSortText("Re: x"), "x");
    EXPECT_EQ(SubjectSortText("RE: x"), "x");
    EXPECT_EQ(SubjectSortText("rE:_x"), "x");
    EXPECT_EQ(SubjectSortText("re:x"), "");
    EXPECT_EQ(SubjectSortText("Re:"), "");
    EXPECT_EQ(SubjectSortText("Re:\xC3\xA9tude"), "tude");  // the fourth character is é
    EXPECT_EQ(SubjectSortText("Re x"), "Re x");
    EXPECT_EQ(SubjectSortText("Reply"), "Reply");
    EXPECT_EQ(SubjectSortText("x Re: y"), "x Re: y");
}

TEST(ArticleSort, SubjectIgnoresCaseAndReplyPrefix) {
    CTable table;
    table.Add({.subject = "Re: x"});
    table.Add({.subject = "banana"});
    table.Add({.subject = "Apple"});
    table.Add({.subject = "re: aardvark"});
    table.Add({.subject = "Zebra"});
    auto rows = table.Rows();
    SortArticleRows(rows, kColumnSubject);
    EXPECT_EQ(Subjects(rows), (Texts{"re: aardvark", "Apple", "banana", "Re: x", "Zebra"}));
}

TEST(ArticleSort, LinesCompareAsNumbersNotText) {
    CTable table;
    table.Add({.subject = "a", .lines = 100});
    table.Add({.subject = "b", .lines = 9});
    table.Add({.subject = "c", .lines = -1});
    table.Add({.subject = "d", .lines = 20});
    auto rows = table.Rows();
    SortArticleRows(rows, kColumnLines);
    EXPECT_EQ(Subjects(rows), (Texts{"c", "b", "d", "a"}));
}

TEST(ArticleSort, EachTextColumnSortsByItsOwnFieldIgnoringCase) {
    CTable table;
    table.Add({"b.group", "s1", "2001-01-02 00:00:00", "carol", 1, "Zeta.net"});
    table.Add({"A.group", "s2", "2001-01-01 23:59:59", "Bob", 2, "alpha.net"});
    table.Add({"c.group", "s3", "2000-12-31 12:00:00", "alice", 3, "beta.NET"});
    struct SCase {
        int column;
        Texts order;
    };
    for (const SCase& c :
         {SCase{kColumnGroup, {"s2", "s1", "s3"}}, SCase{kColumnDate, {"s3", "s2", "s1"}},
          SCase{kColumnFrom, {"s3", "s2", "s1"}}, SCase{kColumnOrigin, {"s2", "s3", "s1"}}}) {
        auto rows = table.Rows();
        SortArticleRows(rows, c.column);
        EXPECT_EQ(Subjects(rows), c.order) << "column " << c.column;
    }
}

TEST(ArticleSort, EqualRowsKeepTheirOrder) {
    CTable table;
    table.Add({.subject = "first", .from = "same"});
    table.Add({.subject = "second", .from = "SAME"});
    table.Add({.subject = "third", .from = "Same"});
    auto rows = table.Rows();
    SortArticleRows(rows, kColumnFrom);
    EXPECT_EQ(Subjects(rows), (Texts{"first", "second", "third"}));
}

TEST(ArticleSort, AColumnOutsideTheSixLeavesTheOrder) {
    CTable table;
    table.Add({.subject = "z"});
    table.Add({.subject = "a"});
    for (int column : {-1, 6, 1000}) {
        auto rows = table.Rows();
        SortArticleRows(rows, column);
        EXPECT_EQ(Subjects(rows), (Texts{"z", "a"})) << "column " << column;
        EXPECT_EQ(CompareArticles(column, *rows[0], *rows[1]), 0);
    }
}

TEST(ArticleSort, UnderscoreSortsBeforeLetters) {
    // Folding to lower case puts the characters between 'Z' and 'a' before every letter.
    CTable table;
    table.Add({.subject = "b"});
    table.Add({.subject = "_a"});
    table.Add({.subject = "A"});
    auto rows = table.Rows();
    SortArticleRows(rows, kColumnSubject);
    EXPECT_EQ(Subjects(rows), (Texts{"_a", "A", "b"}));
}

TEST(CompareArticles, AgreesWithTheSortForSingleInsertions) {
    CTable table;
    CArticle& reply = table.Add({.subject = "RE: Mango", .from = "\xC3\x89ve", .lines = 7});
    CArticle& plain = table.Add({.subject = "melon", .from = "\xC3\xA9ve", .lines = 70});
    // "mango" before "melon", although "RE: Mango" as a whole would come after it.
    EXPECT_LT(CompareArticles(kColumnSubject, reply, plain), 0);
    EXPECT_GT(CompareArticles(kColumnSubject, plain, reply), 0);
    EXPECT_EQ(CompareArticles(kColumnFrom, reply, plain), 0);
    EXPECT_LT(CompareArticles(kColumnLines, reply, plain), 0);
    EXPECT_EQ(CompareArticles(kColumnLines, reply, reply), 0);
}

TEST(ArticleSort, MultiPartRowsSortByTheSubjectAsShown) {
    CTable table;
    table.Add({.subject = "(q"});
    auto partial = std::make_unique<CMultiPartArticle>(3, "zzz.jpg");
    auto part = std::make_unique<CArticle>();
    part->SetSubject("zzz.jpg (1/3)");
    partial->AddPart(std::move(part), 1);
    ASSERT_EQ(partial->DisplaySubject().rfind("(Parts - ", 0), 0u);
    auto rows = table.Rows();
    rows.push_back(partial.get());
    // By its base subject the posting would sort last; as shown, "(parts" comes before "(q".
    SortArticleRows(rows, kColumnSubject);
    EXPECT_EQ(rows[0], partial.get());
}

}  // namespace
}  // namespace corvane
