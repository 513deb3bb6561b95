#include "store/attachment_decoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/line_decoding.h"
#include "store/sample_articles.h"
#include "store/store_test_support.h"

namespace corvane {
namespace {

using test::CDecoderRef;

class AttachmentDecoderTest : public test::CStoreDirTest {
protected:
    // Decodes one article fed line by line and finishes it.
    void Decode(const std::vector<std::string>& lines, bool decode = true) {
        CDecoderRef decoder(NewDecoder(decode));
        ASSERT_EQ(FeedAll(*decoder, lines), EFeed::kGoOn);
        ASSERT_EQ(decoder->Finish(), EFeed::kGoOn);
    }
};

TEST_F(AttachmentDecoderTest, UuencodedFilesComeOutExact) {
    // Around multiples of 45 bytes (one full line), and 14 past one.
    for (const std::size_t length :
         {0u, 1u, 2u, 3u, 44u, 45u, 46u, 59u, 89u, 90u, 91u, 134u, 135u, 136u, 4096u, 10000u}) {
        SCOPED_TRACE(length);
        const auto bytes = SampleBytes(length, static_cast<std::uint32_t>(length));
        const std::string name = "file" + std::to_string(length) + ".bin";
        Decode(UuencodedLines(bytes, name));
        EXPECT_EQ(ReadBytes(File(name)), bytes);
        ASSERT_FALSE(m_registry.m_remembered.empty());
        EXPECT_EQ(m_registry.m_remembered.back(), m_registry.MakeKey(name, length));
    }
}

TEST_F(AttachmentDecoderTest, ALineOfTheWrongLengthIsSkippedAndTheRestWritten) {
    const auto bytes = SampleBytes(45 * 4, 7);
    auto lines = UuencodedLines(bytes, "a.jpg");
    lines[2].pop_back();  // the second data line loses its last character
    Decode(lines);
    std::vector<std::uint8_t> expected(bytes.begin(), bytes.begin() + 45);
    expected.insert(expected.end(), bytes.begin() + 90, bytes.end());
    EXPECT_EQ(ReadBytes(File("a.jpg")), expected);
}

TEST_F(AttachmentDecoderTest, MimeNamesQuotedUnquotedAndFolded) {
    const auto bytes = SampleBytes(58, 3);  // one full line and one byte: "==" padding
    const auto data = Base64Lines(bytes);
    struct SCase {
        std::vector<std::string> headers;
        std::string file;
    } cases[] = {
        {{"Content-Type: image/gif; name=\"b.gif\""}, "b.gif"},
        {{"Content-Disposition: attachment; filename=c.jpg"}, "c.jpg"},
        {{"content-type: image/jpeg; name=d.jpg; x-mac-type=JPEG"}, "d.jpg"},
        {{"Content-Type: image/jpeg;", "\tname=\"e f.jpg\""}, "e f.jpg"},
        {{"Content-Disposition: attachment;", " size=58;", "  filename=g.jpg"}, "g.jpg"},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.file);
        std::vector<std::string> lines = c.headers;
        lines.push_back("Content-Transfer-Encoding: base64");
        lines.push_back("");
        lines.insert(lines.end(), data.begin(), data.end());
        Decode(lines);
        EXPECT_EQ(ReadBytes(File(c.file)), bytes);
    }
}

TEST_F(AttachmentDecoderTest, AFoldedLineOnlyContinuesTheHeaderRightAboveIt) {
    CDecoderRef decoder(NewDecoder());
    EXPECT_EQ(decoder->FeedLine("Content-Type: image/jpeg;"), EFeed::kGoOn);
    EXPECT_EQ(decoder->FeedLine("Subject: pictures"), EFeed::kGoOn);
    EXPECT_EQ(decoder->FeedLine("\tname=\"x.jpg\""), EFeed::kGoOn);
    EXPECT_EQ(decoder->Path(), "");
    EXPECT_EQ(decoder->FeedLine(" name=\"y.jpg\""), EFeed::kGoOn) << "no header above it";
    EXPECT_EQ(decoder->Path(), "");
}

TEST_F(AttachmentDecoderTest, ANameParameterEndingTheHeaderGivesTheArticleUp) {
    CDecoderRef decoder(NewDecoder());
    EXPECT_EQ(decoder->FeedLine("Content-Type: image/jpeg; name="), EFeed::kGiveUp);
    decoder->Abort();
    EXPECT_TRUE(ListTree(m_root).empty());
}

TEST_F(AttachmentDecoderTest, InMimeModeEveryBase64LineIsDataWhateverItBeginsWith) {
    CDecoderRef decoder(NewDecoder());
    ASSERT_EQ(FeedAll(*decoder, {"Content-Type: text/plain; name=t.bin", "", "endA", "QUJD",
                                 "Message-ID: <x@y>", "end", "QUJD"}),
              EFeed::kGoOn);
    ASSERT_EQ(decoder->Finish(), EFeed::kGoOn);
    EXPECT_EQ(ReadText(File("t.bin")),
              "\x7a\x77\x40"
              "ABC"
              "ABC");
}

TEST_F(AttachmentDecoderTest, UuencodeInsideAMimePart) {
    const auto bytes = SampleBytes(100, 9);
    std::vector<std::string> lines = {"Content-Type: application/octet-stream; name=\"u.bin\"",
                                      "Content-Transfer-Encoding: x-uuencode", ""};
    for (const auto& line : UuencodedLines(bytes, "u.bin")) lines.push_back(line);
    Decode(lines);
    EXPECT_EQ(ReadBytes(File("u.bin")), bytes);
}

TEST_F(AttachmentDecoderTest, TheArticlesOwnHeadersMayAnnounceAUuencodedBody) {
    // A single-part article whose headers name the file and say the body is uuencoded, in
    // either order; a boundary forgets an announcement made for an earlier part.
    const auto bytes = SampleBytes(150, 4);
    const std::vector<std::vector<std::string>> cases = {
        {"Content-Type: application/octet-stream; name=\"h1.bin\"",
         "Content-Transfer-Encoding: x-uuencode"},
        {"Content-Transfer-Encoding: X-UUENCODE",
         "Content-Disposition: attachment; filename=\"h1.bin\""}};
    for (const auto& headers : cases) {
        CDecoderRef decoder(NewDecoder());
        for (const auto& line : headers) ASSERT_EQ(decoder->FeedLine(line, true), EFeed::kGoOn);
        ASSERT_EQ(FeedAll(*decoder, UuencodedLines(bytes, "h1.bin")), EFeed::kGoOn);
        ASSERT_EQ(decoder->Finish(), EFeed::kGoOn);
        EXPECT_EQ(ReadBytes(File("h1.bin")), bytes) << headers[0];
        std::filesystem::remove(File("h1.bin"));
    }
    CDecoderRef decoder(NewDecoder());
    ASSERT_EQ(FeedAll(*decoder, {"Content-Transfer-Encoding: x-uuencode", "--part", "",
                                 "Content-Type: text/plain; name=b.bin", "", "QUJD"}),
              EFeed::kGoOn);
    ASSERT_EQ(decoder->Finish(), EFeed::kGoOn);
    EXPECT_EQ(ReadText(File("b.bin")), "ABC");
}

TEST_F(AttachmentDecoderTest, ASecondBeginAfterEndGoesToAChainedDecoder) {
    const auto first = SampleBytes(200, 1), second = SampleBytes(300, 2);
    auto lines = UuencodedLines(first, "one.jpg");
    lines.push_back("Some text between the two.");
    for (const auto& line : UuencodedLines(second, "two.jpg")) lines.push_back(line);
    lines.push_back("-- ");
    lines.push_back("M" + std::string(60, '!'));  // a signature that looks like data

    CDecoderRef decoder(NewDecoder());
    ASSERT_EQ(FeedAll(*decoder, lines), EFeed::kGoOn);
    EXPECT_EQ(decoder->Path(), File("two.jpg"));
    EXPECT_EQ(decoder->FileName(), "two.jpg");
    ASSERT_EQ(decoder->Finish(), EFeed::kGoOn);
    EXPECT_EQ(ReadBytes(File("one.jpg")), first);
    EXPECT_EQ(ReadBytes(File("two.jpg")), second);

    EXPECT_EQ(decoder->OwnFileName(), "one.jpg");
    const AttachmentDecoder* next = decoder->Next();
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(next->OwnPath(), File("two.jpg"));
    ASSERT_NE(next->Next(), nullptr) << "the signature went to a third, empty decoder";
    EXPECT_EQ(next->Next()->OwnPath(), "");
}

TEST_F(AttachmentDecoderTest, AMimeBoundaryEndsTheFileAndTheNextAttachmentFollows) {
    const auto first = SampleBytes(1000, 4), second = SampleBytes(57, 5);
    auto lines = MimeAttachmentLines(first, "p1.jpg", "XYZ");
    lines.pop_back();  // the closing boundary becomes a separating one
    lines.push_back("--XYZ");
    lines.push_back("Content-Type: image/png; name=\"p2.png\"");
    lines.push_back("Content-Transfer-Encoding: base64");
    lines.push_back("");
    for (const auto& line : Base64Lines(second)) lines.push_back(line);
    lines.push_back("--XYZ--");
    lines.push_back("-- ");
    lines.push_back("QUJD");  // a signature that passes the base64 test
    Decode(lines);
    EXPECT_EQ(ReadBytes(File("p1.jpg")), first);
    EXPECT_EQ(ReadBytes(File("p2.png")), second);
    EXPECT_EQ(ListTree(m_dir), (std::vector<std::string>{"p1.jpg", "p2.png"}));
}

TEST_F(AttachmentDecoderTest, TextModeNamesTheFileAfterGroupAndArticle) {
    CDecoderRef decoder(
        AttachmentDecoder::Create(false, "alt.test", m_dir, false, 1234, &m_registry));
    ASSERT_EQ(FeedAll(*decoder, {"L1", "L2", "Message-ID: <in@body>", "", "L3"}), EFeed::kGoOn);
    EXPECT_EQ(decoder->Path(), File("alt.test.1234.txt"));
    ASSERT_EQ(decoder->Finish(), EFeed::kGoOn);
    EXPECT_EQ(ReadText(File("alt.test.1234.txt")), "L2\r\nMessage-ID: <in@body>\r\n\r\nL3\r\n");
}

TEST_F(AttachmentDecoderTest, ATextFileKeepsTheHeaderLinesAfterTheFirst) {
    CDecoderRef decoder(
        AttachmentDecoder::Create(false, "alt.test", m_dir, false, 77, &m_registry));
    ASSERT_EQ(decoder->FeedLine("Path: a!b", true), EFeed::kGoOn);
    ASSERT_EQ(decoder->FeedLine("Subject: hello", true), EFeed::kGoOn);
    ASSERT_EQ(decoder->FeedLine("body", false), EFeed::kGoOn);
    ASSERT_EQ(decoder->Finish(), EFeed::kGoOn);
    EXPECT_EQ(ReadText(File("alt.test.77.txt")), "Subject: hello\r\nbody\r\n");
}

TEST_F(AttachmentDecoderTest, HeaderLinesNeverGoIntoAnOpenFile) {
    const auto bytes = SampleBytes(45 * 6, 11);
    auto encoded = UuencodedLines(bytes, "multi.jpg");
    // A 70-character Subject: 'S' counts 51 bytes, which 69 to 72 characters fit.
    const std::string subject = "Subject: multi.jpg (2/2) " + std::string(45, 'x');
    ASSERT_EQ(subject.size(), 70u);
    ASSERT_NE(UuLineByteCount(subject), 0u) << "the subject would pass as data";

    CDecoderRef decoder(NewDecoder());
    ASSERT_EQ(FeedAll(*decoder, {encoded.begin(), encoded.begin() + 4}), EFeed::kGoOn);
    ASSERT_EQ(FeedAll(*decoder,
                      {"From: poster@example.net", subject,
                       "Content-Type: image/jpeg; name=\"other.jpg\""},
                      true),
              EFeed::kGoOn);
    ASSERT_EQ(FeedAll(*decoder, {encoded.begin() + 4, encoded.end()}), EFeed::kGoOn);
    ASSERT_EQ(decoder->Finish(), EFeed::kGoOn);
    EXPECT_EQ(ReadBytes(File("multi.jpg")), bytes);
    EXPECT_EQ(ListTree(m_dir), std::vector<std::string>{"multi.jpg"});
}

TEST_F(AttachmentDecoderTest, HeaderLinesStillOpenAnAttachment) {
    const auto bytes = SampleBytes(10, 12);
    CDecoderRef decoder(NewDecoder());
    ASSERT_EQ(FeedAll(*decoder, {"Subject: pic", "Content-Type: image/jpeg; name=h.jpg"}, true),
              EFeed::kGoOn);
    ASSERT_EQ(FeedAll(*decoder, Base64Lines(bytes)), EFeed::kGoOn);
    ASSERT_EQ(decoder->Finish(), EFeed::kGoOn);
    EXPECT_EQ(ReadBytes(File("h.jpg")), bytes);
}

TEST_F(AttachmentDecoderTest, OverwriteOffKeepsTheOldFileAndGivesUp) {
    WriteText(File("a.jpg"), "old");
    CDecoderRef decoder(NewDecoder(true, false));
    EXPECT_EQ(FeedAll(*decoder, UuencodedLines(SampleBytes(50, 1), "a.jpg")), EFeed::kGiveUp);
    EXPECT_EQ(decoder->Path(), "");
    decoder->Abort();
    EXPECT_EQ(ReadText(File("a.jpg")), "old");

    const auto bytes = SampleBytes(50, 1);
    CDecoderRef replacing(NewDecoder(true, true));
    ASSERT_EQ(FeedAll(*replacing, UuencodedLines(bytes, "a.jpg")), EFeed::kGoOn);
    ASSERT_EQ(replacing->Finish(), EFeed::kGoOn);
    EXPECT_EQ(ReadBytes(File("a.jpg")), bytes);
}

TEST_F(AttachmentDecoderTest, AFileTheIndexKnowsIsDeletedAsADuplicate) {
    const auto bytes = SampleBytes(100, 13);
    m_registry.m_useFileDatabase = true;
    m_registry.m_known.push_back(m_registry.MakeKey("dup.jpg", 100));
    {
        CDecoderRef decoder(NewDecoder());
        ASSERT_EQ(FeedAll(*decoder, UuencodedLines(bytes, "dup.jpg")), EFeed::kGoOn);
        ASSERT_EQ(decoder->Finish(), EFeed::kGoOn);
        EXPECT_TRUE(decoder->Duplicate());
        EXPECT_FALSE(std::filesystem::exists(File("dup.jpg")));
    }
    m_registry.m_useFileDatabase = false;
    CDecoderRef decoder(NewDecoder());
    ASSERT_EQ(FeedAll(*decoder, UuencodedLines(bytes, "dup.jpg")), EFeed::kGoOn);
    ASSERT_EQ(decoder->Finish(), EFeed::kGoOn);
    EXPECT_FALSE(decoder->Duplicate()) << "with the option off the index is not asked";
    EXPECT_EQ(ReadBytes(File("dup.jpg")), bytes);
    EXPECT_EQ(m_registry.m_remembered.size(), 2u) << "both completions are recorded";
}

TEST_F(AttachmentDecoderTest, AReplacedDuplicateDoesNotDeleteTheFileThatReplacedIt) {
    m_registry.m_useFileDatabase = true;
    m_registry.m_known.push_back(m_registry.MakeKey("same.jpg", 30));
    const auto later = SampleBytes(40, 2);
    auto lines = UuencodedLines(SampleBytes(30, 1), "same.jpg");
    const auto second = UuencodedLines(later, "same.jpg");
    lines.insert(lines.end(), second.begin(), second.end());

    CDecoderRef decoder(NewDecoder(true, true));
    ASSERT_EQ(FeedAll(*decoder, lines), EFeed::kGoOn);
    ASSERT_EQ(decoder->Finish(), EFeed::kGoOn);
    EXPECT_TRUE(decoder->Duplicate());
    EXPECT_FALSE(decoder->Next()->Duplicate());
    EXPECT_EQ(ReadBytes(File("same.jpg")), later);
}

TEST_F(AttachmentDecoderTest, HostileNamesStayInsideTheDownloadDirectory) {
    const std::vector<std::string> names = {"../../.profile",
                                            "/tmp/corvane-escape",
                                            "..\\..\\boot.ini",
                                            "sub/dir/",
                                            "..",
                                            ".",
                                            std::string("\r\n\t\x01", 4),
                                            std::string(300, 'L')};
    for (const bool mime : {false, true}) {
        for (const std::string& name : names) {
            SCOPED_TRACE(name);
            std::filesystem::remove_all(m_dir);
            const auto bytes = SampleBytes(20, 1);
            std::vector<std::string> lines;
            if (mime) {
                lines = {"Content-Type: image/jpeg; name=\"" + name + "\"", ""};
                for (const auto& line : Base64Lines(bytes)) lines.push_back(line);
            } else {
                lines = UuencodedLines(bytes, name);
            }
            CDecoderRef decoder(NewDecoder(true, false, 77));
            ASSERT_EQ(FeedAll(*decoder, lines), EFeed::kGoOn);
            ASSERT_EQ(decoder->Finish(), EFeed::kGoOn);
            const std::string saved = decoder->FileName();
            EXPECT_EQ(decoder->Path(), File(saved));
            EXPECT_EQ(saved.find('/'), std::string::npos);
            EXPECT_LE(saved.size(), 255u);
            EXPECT_EQ(ListTree(m_root),
                      (std::vector<std::string>{"downloads", "downloads/" + saved}));
            EXPECT_EQ(ReadBytes(File(saved)), bytes);
        }
    }
    EXPECT_FALSE(std::filesystem::exists("/tmp/corvane-escape"));
}

TEST_F(AttachmentDecoderTest, AbortDeletesEveryFileOfTheChain) {
    auto lines = UuencodedLines(SampleBytes(500, 1), "first.jpg");
    const auto second = UuencodedLines(SampleBytes(5000, 2), "second.jpg");
    lines.insert(lines.end(), second.begin(), second.end() - 2);  // second still open

    CDecoderRef decoder(NewDecoder());
    ASSERT_EQ(FeedAll(*decoder, lines), EFeed::kGoOn);
    EXPECT_EQ(ListTree(m_dir), (std::vector<std::string>{"first.jpg", "second.jpg"}));
    decoder->Abort();
    EXPECT_TRUE(ListTree(m_dir).empty());
    EXPECT_EQ(decoder->FeedLine("begin 644 third.jpg"), EFeed::kGiveUp);
    EXPECT_EQ(decoder->Finish(), EFeed::kGiveUp);
    EXPECT_TRUE(ListTree(m_dir).empty());
    EXPECT_TRUE(m_registry.m_remembered.empty()) << "an aborted article leaves no index entry";
}

TEST_F(AttachmentDecoderTest, AFailedSecondAttachmentTakesTheFirstWithIt) {
    WriteText(File("taken.jpg"), "someone else's");
    auto lines = UuencodedLines(SampleBytes(500, 1), "first.jpg");
    const auto second = UuencodedLines(SampleBytes(50, 2), "taken.jpg");
    lines.insert(lines.end(), second.begin(), second.end());

    CDecoderRef decoder(NewDecoder());
    ASSERT_EQ(FeedAll(*decoder, lines), EFeed::kGiveUp);
    decoder->Abort();
    EXPECT_EQ(ListTree(m_dir), std::vector<std::string>{"taken.jpg"});
    EXPECT_EQ(ReadText(File("taken.jpg")), "someone else's");
}

TEST_F(AttachmentDecoderTest, TheLastReleaseOfAnUnfinishedChainDeletesItsFiles) {
    AttachmentDecoder* decoder = NewDecoder();
    decoder->AddRef();
    ASSERT_EQ(FeedAll(*decoder, {"begin 644 left.jpg", "#0V%T"}), EFeed::kGoOn);
    decoder->Release();
    EXPECT_TRUE(std::filesystem::exists(File("left.jpg"))) << "one reference is still held";
    decoder->Release();
    EXPECT_TRUE(ListTree(m_dir).empty());

    AttachmentDecoder* saved = NewDecoder();
    ASSERT_EQ(FeedAll(*saved, {"begin 644 kept.jpg", "#0V%T", "end"}), EFeed::kGoOn);
    ASSERT_EQ(saved->Finish(), EFeed::kGoOn);
    saved->Release();
    EXPECT_EQ(ReadText(File("kept.jpg")), "Cat");
}

TEST_F(AttachmentDecoderTest, AnArticleWithoutEndIsCompletedByFinish) {
    const auto bytes = SampleBytes(100, 21);
    auto lines = UuencodedLines(bytes, "noend.jpg");
    lines.pop_back();
    CDecoderRef decoder(NewDecoder());
    ASSERT_EQ(FeedAll(*decoder, lines), EFeed::kGoOn);
    ASSERT_EQ(decoder->Finish(), EFeed::kGoOn);
    EXPECT_EQ(ReadBytes(File("noend.jpg")), bytes);
    EXPECT_EQ(m_registry.m_remembered,
              std::vector<test::CFakeRegistry::Key>{m_registry.MakeKey("noend.jpg", 100)});
}

TEST_F(AttachmentDecoderTest, AThousandAttachmentsChainWithoutTrouble) {
    CDecoderRef decoder(NewDecoder(true, true));
    for (int i = 0; i < 1000; ++i) {
        ASSERT_EQ(FeedAll(*decoder, {"begin 644 same.jpg", "#0V%T", "end"}), EFeed::kGoOn);
    }
    ASSERT_EQ(decoder->Finish(), EFeed::kGoOn);
    int chained = 0;
    for (const AttachmentDecoder* d = &*decoder; d != nullptr; d = d->Next()) ++chained;
    EXPECT_EQ(chained, 1000);
    EXPECT_EQ(ReadText(File("same.jpg")), "Cat");
}

// Splits a byte stream into lines the way the connection does, whatever the chunks it
// arrives in: LF or CR LF ends a line.
class CWireSplitter {
public:
    explicit CWireSplitter(AttachmentDecoder& decoder) : m_decoder(decoder) {}
    void Receive(std::string_view chunk) {
        for (const char c : chunk) {
            if (c != '\n') {
                m_line.push_back(c);
                continue;
            }
            if (!m_line.empty() && m_line.back() == '\r') m_line.pop_back();
            EXPECT_EQ(m_decoder.FeedLine(m_line), EFeed::kGoOn);
            m_line.clear();
        }
    }

private:
    AttachmentDecoder& m_decoder;
    std::string m_line;
};

TEST_F(AttachmentDecoderTest, TheResultDoesNotDependOnHowTheStreamWasCut) {
    const auto uu = SampleBytes(60, 31), b64 = SampleBytes(40, 32);
    std::string wire;
    for (const auto& line : UuencodedLines(uu, "w1.bin")) wire += line + "\r\n";
    for (const auto& line : MimeAttachmentLines(b64, "w2.bin", "B")) wire += line + "\r\n";

    auto decodeCut = [&](const std::vector<std::size_t>& cuts) {
        std::filesystem::remove_all(m_dir);
        CDecoderRef decoder(NewDecoder());
        CWireSplitter splitter(*decoder);
        std::size_t from = 0;
        for (const std::size_t cut : cuts) {
            splitter.Receive(std::string_view(wire).substr(from, cut - from));
            from = cut;
        }
        splitter.Receive(std::string_view(wire).substr(from));
        ASSERT_EQ(decoder->Finish(), EFeed::kGoOn);
        EXPECT_EQ(ReadBytes(File("w1.bin")), uu);
        EXPECT_EQ(ReadBytes(File("w2.bin")), b64);
    };
    for (std::size_t cut = 0; cut <= wire.size(); ++cut) {
        SCOPED_TRACE(cut);
        decodeCut({cut});
        if (HasFailure()) return;
    }
    std::vector<std::size_t> everyByte;
    for (std::size_t cut = 1; cut < wire.size(); ++cut) everyByte.push_back(cut);
    decodeCut(everyByte);
}

}  // namespace
}  // namespace corvane
