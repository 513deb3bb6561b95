#include "store/attachment_name.h"

#include <gtest/gtest.h>

#include <string>

namespace corvane {
namespace {

TEST(SafeFileNameTest, NamesFromArticlesCannotLeaveTheDirectory) {
    const std::string fallback = FallbackFileName(12);
    EXPECT_EQ(fallback, "attachment-12.bin");
    EXPECT_EQ(SafeFileName("a.jpg", fallback), "a.jpg");
    EXPECT_EQ(SafeFileName("../../.profile", fallback), ".profile");
    EXPECT_EQ(SafeFileName("/etc/passwd", fallback), "passwd");
    EXPECT_EQ(SafeFileName("C:\\Windows\\win.ini", fallback), "win.ini");
    EXPECT_EQ(SafeFileName("a/b\\c.jpg", fallback), "c.jpg");
    EXPECT_EQ(SafeFileName("pics/", fallback), fallback);
    EXPECT_EQ(SafeFileName("..", fallback), fallback);
    EXPECT_EQ(SafeFileName(".", fallback), fallback);
    EXPECT_EQ(SafeFileName("", fallback), fallback);
    EXPECT_EQ(SafeFileName("x/..", fallback), fallback);
    EXPECT_EQ(SafeFileName(std::string("a\0b\r\n\x1f\x7f.jpg", 11), fallback), "ab.jpg");
    EXPECT_EQ(SafeFileName(".\r.", fallback), fallback) << "what is left after the control "
                                                           "characters is checked";
    EXPECT_EQ(SafeFileName(" spaced name .jpg", fallback), " spaced name .jpg");
    EXPECT_EQ(SafeFileName("\xc3\xa9t\xc3\xa9.jpg", fallback), "\xc3\xa9t\xc3\xa9.jpg");
    EXPECT_EQ(SafeFileName(std::string(300, 'n'), fallback), std::string(255, 'n'));
}

TEST(BeginLineTest, NeedsAModeAndAName) {
    std::string_view name;
    ASSERT_TRUE(ParseBeginLine("begin 644 a.jpg", name));
    EXPECT_EQ(name, "a.jpg");
    ASSERT_TRUE(ParseBeginLine("begin 644 my file.jpg ", name));
    EXPECT_EQ(name, "my file.jpg ") << "the rest of the line, trailing blanks included";
    ASSERT_TRUE(ParseBeginLine("begin   -1\ta.jpg", name));
    EXPECT_EQ(name, "a.jpg");
    ASSERT_TRUE(ParseBeginLine("begin 644a.jpg", name)) << "no blank needed after the mode";
    EXPECT_EQ(name, "a.jpg");
    ASSERT_TRUE(ParseBeginLine("begin 644 " + std::string(400, 'x'), name));
    EXPECT_EQ(name.size(), kMaxFileName);

    EXPECT_FALSE(ParseBeginLine("begin 644", name));
    EXPECT_FALSE(ParseBeginLine("begin 644   ", name));
    EXPECT_FALSE(ParseBeginLine("begin rw a.jpg", name));
    EXPECT_FALSE(ParseBeginLine("begin - a.jpg", name));
    EXPECT_FALSE(ParseBeginLine("Begin 644 a.jpg", name));
    EXPECT_FALSE(ParseBeginLine("begin", name));
}

TEST(MimeNameTest, QuotedUnquotedAndMissingNames) {
    std::string_view name;
    ASSERT_EQ(FindMimeName("Content-Type: image/gif; name=\"b.gif\"", name), EMimeName::kFound);
    EXPECT_EQ(name, "b.gif");
    ASSERT_EQ(FindMimeName("Content-Disposition: inline; FileName=c.jpg", name), EMimeName::kFound);
    EXPECT_EQ(name, "c.jpg");
    ASSERT_EQ(FindMimeName("Content-Type: image/jpeg; name=d.jpg; x-size=10", name),
              EMimeName::kFound);
    EXPECT_EQ(name, "d.jpg") << "an unquoted name ends at the next parameter";
    ASSERT_EQ(FindMimeName("Content-Type: image/jpeg; name=e.jpg (scan)", name), EMimeName::kFound);
    EXPECT_EQ(name, "e.jpg");
    ASSERT_EQ(FindMimeName("Content-Type: image/jpeg; name=\"f g;h.jpg\"; x=1", name),
              EMimeName::kFound);
    EXPECT_EQ(name, "f g;h.jpg") << "a quoted name keeps blanks and semicolons";
    ASSERT_EQ(FindMimeName("Content-Type: image/jpeg; name=\"open.jpg", name), EMimeName::kFound);
    EXPECT_EQ(name, "open.jpg") << "no closing quote: to the end of the header";
    EXPECT_EQ(FindMimeName("Content-Type: image/jpeg; name=", name), EMimeName::kAtEnd);
    EXPECT_EQ(FindMimeName("Content-Type: multipart/mixed; boundary=x", name), EMimeName::kNone);
}

TEST(MimeNameTest, OnlyContentTypeAndDispositionNameFiles) {
    EXPECT_TRUE(IsAttachmentHeader("content-type: image/gif"));
    EXPECT_TRUE(IsAttachmentHeader("CONTENT-DISPOSITION: attachment"));
    EXPECT_FALSE(IsAttachmentHeader("Content-Description: name=x.jpg"));
    EXPECT_FALSE(IsAttachmentHeader(" Content-Type: image/gif"));
    EXPECT_EQ(FindNoCase("xxNaMe=", "NAME="), 2u);
    EXPECT_EQ(FindNoCase("NAME", "NAME="), std::string_view::npos);
}

}  // namespace
}  // namespace corvane
