#include "select/multi_part.h"

#include <gtest/gtest.h>

#include <string>

namespace corvane {
namespace {

TEST(ParsePartsTest, SubjectForms) {
    const struct {
        const char* subject;
        bool multiPart;
        std::int32_t part;
        std::int32_t count;
        const char* base;
    } cases[] = {
        {"picture.jpg (2/5)", true, 2, 5, "picture.jpg ("},
        {"\"file.rar\" yEnc (01/45)", true, 1, 45, "\"file.rar\" yEnc ("},
        {"[1/3] - \"x.part1.rar\"", true, 1, 3, "["},
        {"part 1/2 of 3/4", true, 3, 4, "part 1/2 of "},
        {"a 1/2/3", true, 2, 3, "a 1/"},
        {"scan 2/5 and more text", true, 2, 5, "scan "},
        {"last 5/5", true, 5, 5, "last "},
        {"desc 0/5", true, 0, 5, "desc "},  // a description post: intake drops it
        {"x (12/3456)", true, 12, 3456, "x ("},
        {"Re: a/b", false, 0, 0, ""},
        {"file [1/1]", false, 0, 0, ""},
        {"x 7/3", false, 0, 0, ""},
        {"1/2 pictures", false, 0, 0, ""},  // the counter starts the subject
        {"12/34", false, 0, 0, ""},
        {"/5", false, 0, 0, ""},
        {"name 3/", false, 0, 0, ""},
        {"name x/5", false, 0, 0, ""},
        {"name 3/x", false, 0, 0, ""},
        {"no counter", false, 0, 0, ""},
        {"", false, 0, 0, ""},
        {"big 1/99999999999", false, 0, 0, ""},  // a count past 32 bits is no posting
        {"big 99999999999/5", false, 0, 0, ""},
        {"pics 3/5 then 1/x", false, 0, 0, ""},  // only the last slash is looked at
    };
    for (const auto& c : cases) {
        const CPartCounter r = ParseParts(c.subject);
        EXPECT_EQ(r.multiPart, c.multiPart) << c.subject;
        if (!c.multiPart) continue;
        EXPECT_EQ(r.part, c.part) << c.subject;
        EXPECT_EQ(r.count, c.count) << c.subject;
        EXPECT_EQ(r.baseSubject, c.base) << c.subject;
    }
}

TEST(ParsePartsTest, ReadsTheArticleSubject) {
    CArticle article;
    article.SetSubject("holiday.jpg (3/4)");
    const CPartCounter r = ParseParts(article);
    ASSERT_TRUE(r.multiPart);
    EXPECT_EQ(r.part, 3);
    EXPECT_EQ(r.baseSubject, "holiday.jpg (");
    // The base is a view of the article's own text, not a copy.
    EXPECT_EQ(r.baseSubject.data(), article.Subject().data());
}

}  // namespace
}  // namespace corvane
