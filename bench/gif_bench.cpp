// gif_bench: the program's own GIF decoder beside Qt's GIF reader on the same files. Twenty
// pictures of 1024x768 in 256 colours (photo-like noise over gradients, flat areas, smooth
// bands, one interlaced, one with a transparent index) are written with the tests' LZW writer
// into a temporary folder, then each file is decoded many times by both in the same run.
// Prints megapixels per second for both and their ratio, per file and overall. Before timing,
// every file is decoded once by both and compared pixel by pixel through their palettes
// (and against the pixels written); any difference ends the run with status 1.
//
// Usage: gif_bench [rounds]   (each round decodes every file once with each decoder)
#include <QByteArray>
#include <QCoreApplication>
#include <QImage>
#include <QImageReader>
#include <QList>
#include <QString>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "images/gif_decoder.h"
#include "images/gif_test_writer.h"

namespace {

using namespace corvane;
using Clock = std::chrono::steady_clock;

constexpr int kWidth = 1024;
constexpr int kHeight = 768;
constexpr int kDefaultRounds = 10;
constexpr int kMaxRounds = 10'000;

enum class EKind { kNoise, kFlat, kBands, kInterlaced, kTransparent };

struct SPicture {
    std::string name;
    EKind kind = EKind::kNoise;
    std::vector<SRgb> palette;
    test::SGifFrame frame;
    std::string path;
    size_t fileBytes = 0;
    double oursSeconds = 0;
    double qtSeconds = 0;
};

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

// Distinct entries (red runs through every value), so an index maps to exactly one colour and
// a colour comparison is as strict as an index comparison.
std::vector<SRgb> MakePalette(int shift) {
    std::vector<SRgb> palette(256);
    for (int i = 0; i < 256; ++i)
        palette[size_t(i)] = {uint8_t(i), uint8_t(255 - (i + shift) % 256),
                              uint8_t((i * 7 + shift * 3) % 256)};
    return palette;
}

// A smooth field with grain on top: after quantising to 256 levels, a photograph has about
// this much disorder, which keeps the LZW codes short and many.
void FillNoise(std::vector<uint8_t>& px, std::mt19937& rng, int grain, double phase) {
    std::uniform_int_distribution<int> noise(-grain, grain);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const double wave = 70 * std::sin(x / 97.0 + phase) * std::cos(y / 73.0 - phase);
            const double ramp = 100.0 * (x + y) / (kWidth + kHeight);
            const int v = int(60 + wave + ramp) + (grain ? noise(rng) : 0);
            px[size_t(y) * kWidth + size_t(x)] = uint8_t(std::clamp(v, 0, 255));
        }
}

// Large single-colour rectangles over a plain background, like a screenshot or a diagram.
void FillFlat(std::vector<uint8_t>& px, std::mt19937& rng, int rectangles) {
    std::fill(px.begin(), px.end(), uint8_t(rng() % 256));
    for (int r = 0; r < rectangles; ++r) {
        const int x0 = int(rng() % kWidth), y0 = int(rng() % kHeight);
        const int x1 = std::min(kWidth, x0 + 20 + int(rng() % 400));
        const int y1 = std::min(kHeight, y0 + 20 + int(rng() % 300));
        const uint8_t colour = uint8_t(rng() % 256);
        for (int y = y0; y < y1; ++y)
            std::fill_n(px.begin() + long(y) * kWidth + x0, x1 - x0, colour);
    }
}

// Soft horizontal colour bands: long runs, but not a whole row of one index.
void FillBands(std::vector<uint8_t>& px, int period) {
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            px[size_t(y) * kWidth + size_t(x)] = uint8_t((y / 3 + x / period) % 256);
}

SPicture MakePicture(int number, std::mt19937& rng) {
    SPicture p;
    p.palette = MakePalette(number * 17);
    p.frame.width = kWidth;
    p.frame.height = kHeight;
    p.frame.pixels.resize(size_t(kWidth) * kHeight);
    if (number < 10) {
        p.kind = EKind::kNoise;
        FillNoise(p.frame.pixels, rng, 2 + 3 * number, number * 0.7);
    } else if (number < 15) {
        p.kind = EKind::kFlat;
        FillFlat(p.frame.pixels, rng, 10 + 20 * (number - 10));
    } else if (number < 18) {
        p.kind = EKind::kBands;
        FillBands(p.frame.pixels, 8 << (number - 15));
    } else if (number == 18) {
        p.kind = EKind::kInterlaced;
        FillNoise(p.frame.pixels, rng, 12, 2.0);
        p.frame.interlaced = true;
    } else {
        // Flat shapes over grain, with one of the shapes' colours see-through.
        p.kind = EKind::kTransparent;
        FillNoise(p.frame.pixels, rng, 8, 1.0);
        std::vector<uint8_t> shapes(p.frame.pixels.size());
        FillFlat(shapes, rng, 40);
        for (size_t i = 0; i < shapes.size(); ++i)
            if (shapes[i] % 4 == 0) p.frame.pixels[i] = shapes[i];
        p.frame.transparent = p.frame.pixels[size_t(kHeight / 2) * kWidth + kWidth / 2];
    }
    static const char* const kNames[] = {"noise", "flat", "bands", "interlaced", "transparent"};
    p.name = std::string(kNames[int(p.kind)]) + "_" + std::to_string(number) + ".gif";
    return p;
}

bool WritePicture(SPicture& p, const std::filesystem::path& folder) {
    const std::vector<uint8_t> bytes = test::WriteGif(p.palette, {p.frame});
    p.path = (folder / p.name).string();
    p.fileBytes = bytes.size();
    std::ofstream out(p.path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    out.close();
    return bool(out);
}

QImage ReadWithQt(const std::string& path) {
    QImageReader reader(QString::fromStdString(path), "gif");
    return reader.read();
}

// Differences between the two decoders and the pixels written, counted through the palettes:
// a transparent pixel must be the transparent index in ours and fully clear in Qt's picture.
int64_t CountDifferences(const SPicture& p, const CGifImage& ours, const QImage& qt) {
    if (ours.Width() != kWidth || ours.Height() != kHeight || qt.width() != kWidth ||
        qt.height() != kHeight || ours.Palette().size() < p.palette.size())
        return int64_t(kWidth) * kHeight;
    int64_t differences = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const int index = ours.GetIndex(x, kHeight - 1 - y);  // our rows run bottom-up
            const int written = p.frame.pixels[size_t(y) * kWidth + size_t(x)];
            const QRgb theirs = qt.pixel(x, y);
            bool same = index == written;
            if (written == p.frame.transparent) {
                same = same && ours.TransparentIndex() == written && qAlpha(theirs) == 0;
            } else {
                const SRgb colour = ours.Palette()[size_t(index)];
                same = same && qAlpha(theirs) == 255 && colour.red == qRed(theirs) &&
                       colour.green == qGreen(theirs) && colour.blue == qBlue(theirs) &&
                       colour == p.palette[size_t(written)];
            }
            differences += same ? 0 : 1;
        }
    return differences;
}

bool CheckAgreement(const std::vector<SPicture>& pictures) {
    bool agreed = true;
    for (const SPicture& p : pictures) {
        CGifImage ours;
        const int loaded = ours.Load(p.path);
        const QImage qt = ReadWithQt(p.path);
        const int64_t differences =
            loaded == 1 && !qt.isNull() ? CountDifferences(p, ours, qt) : -1;
        if (differences != 0) {
            std::printf("MISMATCH %s: loaded %d, Qt %s, %lld differing pixels\n", p.name.c_str(),
                        loaded, qt.isNull() ? "failed" : "read",
                        static_cast<long long>(differences));
            agreed = false;
        }
    }
    return agreed;
}

// One round: every file once with ours, then every file once with Qt's, so that both see the
// same cache state and any drift of the machine's speed lands on both.
bool TimeRound(std::vector<SPicture>& pictures, uint64_t& sink) {
    for (SPicture& p : pictures) {
        const auto start = Clock::now();
        CGifImage image;
        if (image.Load(p.path) != 1 || !image.HasBitmap()) return false;
        sink += image.Pixels()[image.ImageSize() / 2];
        p.oursSeconds += Seconds(start);
    }
    for (SPicture& p : pictures) {
        const auto start = Clock::now();
        const QImage image = ReadWithQt(p.path);
        if (image.isNull()) return false;
        sink += uint64_t(image.pixel(kWidth / 2, kHeight / 2));
        p.qtSeconds += Seconds(start);
    }
    return true;
}

double Megapixels(int rounds, int files) {
    return double(kWidth) * kHeight * rounds * files / 1e6;
}

void PrintFigures(const std::vector<SPicture>& pictures, int rounds) {
    std::printf("\n%-18s %9s %12s %12s %7s\n", "file", "bytes", "ours MP/s", "Qt MP/s", "ratio");
    double ours = 0, qt = 0;
    for (const SPicture& p : pictures) {
        const double mp = Megapixels(rounds, 1);
        std::printf("%-18s %9zu %12.1f %12.1f %7.2f\n", p.name.c_str(), p.fileBytes,
                    mp / p.oursSeconds, mp / p.qtSeconds, p.qtSeconds / p.oursSeconds);
        ours += p.oursSeconds;
        qt += p.qtSeconds;
    }
    const double mp = Megapixels(rounds, int(pictures.size()));
    std::printf("\nall %zu files, %d rounds, %.1f megapixels each:\n", pictures.size(), rounds, mp);
    std::printf("  ours %.3f s  %.1f MP/s\n", ours, mp / ours);
    std::printf("  Qt   %.3f s  %.1f MP/s\n", qt, mp / qt);
    std::printf("  ratio (ours / Qt speed) %.2f\n", qt / ours);
}

bool QtReadsGif() {
    const QList<QByteArray> formats = QImageReader::supportedImageFormats();
    std::printf("Qt %s image formats:", qVersion());
    for (const QByteArray& f : formats) std::printf(" %s", f.constData());
    std::printf("\n");
    return formats.contains("gif");
}

int Run(int rounds, const std::filesystem::path& folder) {
    std::mt19937 rng(20261208);
    std::vector<SPicture> pictures;
    for (int i = 0; i < 20; ++i) {
        pictures.push_back(MakePicture(i, rng));
        if (!WritePicture(pictures.back(), folder)) {
            std::fprintf(stderr, "gif_bench: cannot write %s\n", pictures.back().path.c_str());
            return 1;
        }
    }
    if (!CheckAgreement(pictures)) return 1;
    std::printf("both decoders agree with the written pixels on all %zu files\n", pictures.size());
    uint64_t sink = 0;
    for (int r = 0; r < rounds; ++r)
        if (!TimeRound(pictures, sink)) {
            std::fprintf(stderr, "gif_bench: a decode failed during timing\n");
            return 1;
        }
    PrintFigures(pictures, rounds);
    std::printf("(checksum %llu)\n", static_cast<unsigned long long>(sink));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::atoi(argv[1]) : kDefaultRounds;
    if (rounds < 1 || rounds > kMaxRounds) {
        std::fprintf(stderr, "usage: gif_bench [rounds 1..%d]\n", kMaxRounds);
        return 2;
    }
    if (!QtReadsGif()) {
        std::fprintf(stderr, "gif_bench: this Qt has no GIF reader\n");
        return 1;
    }
    std::string pattern =
        (std::filesystem::temp_directory_path() / "corvane_gif_bench_XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        std::perror("gif_bench: mkdtemp");
        return 1;
    }
    const std::filesystem::path folder = pattern;
    const int status = Run(rounds, folder);
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return status;
}
