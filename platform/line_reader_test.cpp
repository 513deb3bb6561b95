#include "platform/line_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

namespace corvane {
namespace {

// Hands out the scripted chunks one per receive (cut to the reader's capacity, the rest kept for
// the next receive), then reports the peer closed. A chunk kFail makes that receive fail.
class CScriptedTransport : public ITransport {
public:
    static inline const std::string kFail = "<fail>";

    explicit CScriptedTransport(std::vector<std::string> chunks)
        : m_chunks(chunks.begin(), chunks.end()) {}

    bool SendAll(const char*, size_t) override { return true; }
    long ReceiveSome(char* buffer, size_t capacity, int timeoutMs) override {
        ++m_receives;
        m_timeouts.push_back(timeoutMs);
        if (m_chunks.empty()) return 0;
        std::string& next = m_chunks.front();
        if (next == kFail) {
            m_chunks.pop_front();
            return -1;
        }
        const size_t count = std::min(capacity, next.size());
        std::memcpy(buffer, next.data(), count);
        next.erase(0, count);
        if (next.empty()) m_chunks.pop_front();
        return static_cast<long>(count);
    }
    void Close() override {}

    int Receives() const { return m_receives; }
    const std::vector<int>& Timeouts() const { return m_timeouts; }

private:
    std::deque<std::string> m_chunks;
    int m_receives = 0;
    std::vector<int> m_timeouts;
};

// Reads every line until the reader fails.
std::vector<std::string> ReadAll(CLineReader& reader) {
    std::vector<std::string> lines;
    std::string line;
    while (reader.ReadLine(line, 1000)) lines.push_back(line);
    return lines;
}

using Lines = std::vector<std::string>;

TEST(LineReader, SplitsAtLfCrLfAndLoneCr) {
    CScriptedTransport transport({"one\ntwo\r\nthree\rfour\r\r\nfive\n\n\r\n"});
    CLineReader reader(transport);
    EXPECT_EQ(ReadAll(reader), (Lines{"one", "two", "three", "four", "", "five", "", ""}));
    EXPECT_EQ(reader.LastError(), "closed");
}

TEST(LineReader, LfCrIsTwoTerminators) {
    CScriptedTransport transport({"a\n\rb\n"});
    CLineReader reader(transport);
    EXPECT_EQ(ReadAll(reader), (Lines{"a", "", "b"}));
}

TEST(LineReader, DotLinesAreReturnedAsTheyCame) {
    CScriptedTransport transport({"222 body\r\n..leading dot\r\n..\r\n.\r\n"});
    CLineReader reader(transport);
    EXPECT_EQ(ReadAll(reader), (Lines{"222 body", "..leading dot", "..", "."}));
}

TEST(LineReader, TerminatorsSplitAcrossReceives) {
    // CR and LF of one pair in different receives, a line split mid-text, an LF alone.
    CScriptedTransport transport({"ab", "c\r", "\nde", "f\r", "g\r", "\r", "\n", "\n"});
    CLineReader reader(transport);
    EXPECT_EQ(ReadAll(reader), (Lines{"abc", "def", "g", "", ""}));
}

TEST(LineReader, CrAsLastByteDoesNotWaitForMore) {
    // The second chunk is a failure: reaching it would mean the reader waited past the CR.
    CScriptedTransport transport({"200 ready\r", CScriptedTransport::kFail, "\nnext\r\n"});
    CLineReader reader(transport);
    std::string line;
    ASSERT_TRUE(reader.ReadLine(line, 1000));
    EXPECT_EQ(line, "200 ready");
    EXPECT_EQ(transport.Receives(), 1);

    EXPECT_FALSE(reader.ReadLine(line, 1000));
    EXPECT_EQ(reader.LastError(), "receive failed");
    // The LF that completes the earlier CR LF is still dropped after the failed wait.
    ASSERT_TRUE(reader.ReadLine(line, 1000));
    EXPECT_EQ(line, "next");
}

TEST(LineReader, CrAtBufferBoundary) {
    // The CR is byte 4096 of one receive; its LF opens the next refill.
    std::string first(CLineReader::kBufferSize - 1, 'x');
    first += "\r\nsecond\r\n";
    CScriptedTransport transport({first});
    CLineReader reader(transport);
    const Lines lines = ReadAll(reader);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], std::string(CLineReader::kBufferSize - 1, 'x'));
    EXPECT_EQ(lines[1], "second");
}

TEST(LineReader, EmptyStreamAndCloseAfterTerminatorFail) {
    CScriptedTransport empty({});
    CLineReader emptyReader(empty);
    std::string line = "stale";
    EXPECT_FALSE(emptyReader.ReadLine(line, 1000));
    EXPECT_EQ(emptyReader.LastError(), "closed");

    // The LF after a trailing CR is not a character of a new line.
    CScriptedTransport pair({"last\r", "\n"});
    CLineReader pairReader(pair);
    EXPECT_EQ(ReadAll(pairReader), (Lines{"last"}));
    EXPECT_EQ(pairReader.LastError(), "closed");
}

TEST(LineReader, PartialLastLineIsReturnedThenReadsFail) {
    CScriptedTransport transport({"complete\r\n", "cut sho", "rt"});
    CLineReader reader(transport);
    EXPECT_EQ(ReadAll(reader), (Lines{"complete", "cut short"}));
    EXPECT_EQ(reader.LastError(), "closed");
    const int receives = transport.Receives();
    std::string line;
    EXPECT_FALSE(reader.ReadLine(line, 1000));
    EXPECT_EQ(transport.Receives(), receives);  // a closed connection is not asked again
}

TEST(LineReader, FailedReceiveKeepsThePartOfTheLineAlreadyRead) {
    CScriptedTransport transport({"half a ", CScriptedTransport::kFail, "line\r\n"});
    CLineReader reader(transport);
    std::string line;
    EXPECT_FALSE(reader.ReadLine(line, 250));
    EXPECT_EQ(reader.LastError(), "receive failed");
    EXPECT_TRUE(line.empty());
    ASSERT_TRUE(reader.ReadLine(line, 250));
    EXPECT_EQ(line, "half a line");
    // Every wait got the caller's time-out.
    EXPECT_EQ(transport.Timeouts(), (std::vector<int>{250, 250, 250}));
}

TEST(LineReader, LineSpanningManyRefills) {
    std::string body;
    // Several refills, yet within the longest line accepted.
    const std::size_t length = std::min(20 * CLineReader::kBufferSize, CLineReader::kMaxLineLength / 2);
    for (int i = 0; body.size() < length; ++i) body += std::to_string(i);
    CScriptedTransport transport({body + "\r\n.\r\n"});
    CLineReader reader(transport);
    std::string line;
    ASSERT_TRUE(reader.ReadLine(line, 1000));
    EXPECT_EQ(line, body);
    ASSERT_TRUE(reader.ReadLine(line, 1000));
    EXPECT_EQ(line, ".");
}

TEST(LineReader, LineOfExactlyTheMaximumLengthIsAccepted) {
    const std::string longest(CLineReader::kMaxLineLength, 'y');
    CScriptedTransport transport({longest + "\r\nafter\n"});
    CLineReader reader(transport);
    std::string line;
    ASSERT_TRUE(reader.ReadLine(line, 1000));
    EXPECT_EQ(line.size(), CLineReader::kMaxLineLength);
    EXPECT_EQ(line, longest);
    ASSERT_TRUE(reader.ReadLine(line, 1000));
    EXPECT_EQ(line, "after");
}

TEST(LineReader, LineOverTheMaximumBreaksTheReader) {
    // Byte 1 MiB + 1 without a line end, even though a terminator and more lines follow.
    CScriptedTransport transport({std::string(CLineReader::kMaxLineLength + 1, 'z'), "\r\nok\r\n"});
    CLineReader reader(transport);
    std::string line;
    EXPECT_FALSE(reader.ReadLine(line, 1000));
    EXPECT_EQ(reader.LastError(), "line too long");
    EXPECT_LE(line.size(), CLineReader::kMaxLineLength);
    EXPECT_FALSE(reader.ReadLine(line, 1000));
    EXPECT_EQ(reader.LastError(), "line too long");

    // The terminator does not count: a longest line whose LF arrives late is still whole.
    CScriptedTransport exact({std::string(CLineReader::kMaxLineLength, 'z') + "\r", "\n"});
    CLineReader exactReader(exact);
    EXPECT_EQ(ReadAll(exactReader).size(), 1u);
    EXPECT_EQ(exactReader.LastError(), "closed");
}

}  // namespace
}  // namespace corvane
