// make_decoder_seeds DIR: writes the seed corpus of the decoder fuzz target: uuencoded and MIME
// attachments, two attachments in one article, folded and unquoted names, hostile names,
// header lines in the middle of a body, and a text article, each with the option byte and the
// header mask the target reads first.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "store/sample_articles.h"

namespace {

using corvane::Base64Lines;
using corvane::MimeAttachmentLines;
using corvane::SampleBytes;
using corvane::UuencodedLines;

std::string Join(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

void Write(const std::string& folder, int number, char options, char headerMask,
           const std::string& body) {
    std::ofstream out(folder + "/seed" + std::to_string(number), std::ios::binary);
    out << options << headerMask << body;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_decoder_seeds DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    constexpr char kDecodeFinish = 1 | 4;
    int n = 0;
    Write(dir, n++, kDecodeFinish, 0, Join(UuencodedLines(SampleBytes(100, 1), "a.jpg")));
    Write(dir, n++, kDecodeFinish | 8, 0,
          Join(UuencodedLines(SampleBytes(59, 2), "one.jpg")) +
              Join(UuencodedLines(SampleBytes(90, 3), "two.jpg")));
    Write(dir, n++, kDecodeFinish, 0, Join(MimeAttachmentLines(SampleBytes(80, 4), "b.gif", "X")));
    Write(
        dir, n++, kDecodeFinish, 0,
        "Content-Type: image/jpeg;\n\tname=c.jpg; size=3\n\n" +
            Join(Base64Lines(SampleBytes(7, 5))) +
            "--X\nContent-Disposition: attachment; filename=\"d.jpg\"\n\nQUJD\n--X--\n-- \nsig\n");
    Write(dir, n++, kDecodeFinish | 2, 0,
          Join(UuencodedLines(SampleBytes(10, 6), "../../.profile")) +
              Join(UuencodedLines(SampleBytes(10, 7), "/etc/passwd")) +
              "Content-Type: x; name=\"..\\\\..\\\\x\"\nQUJD\n--\n");
    Write(dir, n++, kDecodeFinish, '\x0c',
          "begin 644 e.jpg\nM" + std::string(60, '!') +
              "\nSubject: e.jpg (2/2) xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx\n"
              "From: p@example.org\n#0V%T\nend\n");
    Write(dir, n++, 4, 1, "Subject: text\nline one\nMessage-ID: <a@b>\n\nline two\n");
    Write(dir, n++, 1, 0, Join(UuencodedLines(SampleBytes(200, 8), "aborted.jpg")));
    Write(dir, n++, kDecodeFinish, 0,
          "Content-Type: application/octet-stream; name=u.bin\n"
          "Content-Transfer-Encoding: x-uuencode\n\n" +
              Join(UuencodedLines(SampleBytes(50, 9), "u.bin")));
    Write(dir, n++, kDecodeFinish, 0, "Content-Type: image/jpeg; name=\n");
    return 0;
}
