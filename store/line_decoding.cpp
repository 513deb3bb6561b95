#include "store/line_decoding.h"

#include <array>
#include <bit>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace corvane {
namespace {

static_assert(std::endian::native == std::endian::little, "the uuencode decoder reads words");

// Every byte stands for six bits in uuencode, a backquote counting as a blank.
constexpr std::array<std::uint8_t, 256> kUuValue = [] {
    std::array<std::uint8_t, 256> t{};
    for (int c = 0; c < 256; ++c) t[c] = static_cast<std::uint8_t>((c - 32) & 63);
    return t;
}();

constexpr std::uint8_t kNotBase64 = 0x80;

// The six-bit value of each base64 character; "=" reads as 0 so that padded groups decode
// without a branch, and everything else carries kNotBase64.
constexpr std::array<std::uint8_t, 256> kBase64Value = [] {
    std::array<std::uint8_t, 256> t{};
    for (auto& v : t) v = kNotBase64;
    for (int i = 0; i < 26; ++i) {
        t['A' + i] = static_cast<std::uint8_t>(i);
        t['a' + i] = static_cast<std::uint8_t>(26 + i);
    }
    for (int i = 0; i < 10; ++i) t['0' + i] = static_cast<std::uint8_t>(52 + i);
    t['+'] = 62;
    t['/'] = 63;
    t['='] = 0;
    return t;
}();

inline std::uint8_t Uu(char c) {
    return kUuValue[static_cast<unsigned char>(c)];
}
inline std::uint8_t B64(char c) {
    return kBase64Value[static_cast<unsigned char>(c)];
}

}  // namespace

std::size_t UuLineByteCount(std::string_view line) {
    if (line.empty()) return 0;
    const std::size_t n = Uu(line[0]);
    if (n == 0) return 0;
    const std::size_t groups = n / 3 + (n % 3 > 0 ? 1 : 0);
    return (line.size() - 1) / 4 == groups ? n : 0;
}

namespace {

// (c - 32) & 63 equals ((c & 63) + 32) & 63, which cannot carry from one byte into the next,
// so several characters are turned into six-bit values at once.
std::uint32_t UuGroupBits(const char* p) {
    std::uint32_t w;
    std::memcpy(&w, p, 4);
    w = ((w & 0x3f3f3f3fu) + 0x20202020u) & 0x3f3f3f3fu;
    const std::uint32_t pairs = (w & 0x003f003fu) << 6 | (w >> 8 & 0x003f003fu);
    return (pairs & 0xffffu) << 12 | pairs >> 16;
}

// Two groups at a time with 64-bit words; writes 8 bytes, 6 of them meaningful.
std::size_t DecodeUuPairs(const char* p, std::size_t groups, std::uint8_t* out) {
    constexpr std::uint64_t kLow6 = 0x3f3f3f3f3f3f3f3full, kBias = 0x2020202020202020ull;
    std::size_t g = 0;
    for (; g + 2 <= groups; g += 2, p += 8, out += 6) {
        std::uint64_t w;
        std::memcpy(&w, p, 8);
        w = ((w & kLow6) + kBias) & kLow6;
        const std::uint64_t pairs =
            (w & 0x003f003f003f003full) << 6 | (w >> 8 & 0x003f003f003f003full);
        const std::uint64_t bits =
            (pairs & 0x0000ffff0000ffffull) << 12 | (pairs >> 16 & 0x0000ffff0000ffffull);
        // Both groups' bytes in writing order in the top six bytes.
        const std::uint64_t ordered = (bits & 0xffffffull) << 40 | (bits >> 32) << 16;
        const std::uint64_t stored = __builtin_bswap64(ordered);
        std::memcpy(out, &stored, 8);
    }
    return g;
}

#if defined(__x86_64__)
// Four groups at a time; writes 16 bytes, 12 of them meaningful.
__attribute__((target("ssse3"))) std::size_t DecodeUuQuads(const char* p, std::size_t groups,
                                                           std::uint8_t* out) {
    const __m128i low6 = _mm_set1_epi8(0x3f), bias = _mm_set1_epi8(0x20);
    const __m128i joinPairs = _mm_set1_epi32(0x01400140);   // a * 64 + b, c * 64 + d
    const __m128i joinGroups = _mm_set1_epi32(0x00011000);  // ab * 4096 + cd
    const __m128i order = _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
    std::size_t g = 0;
    for (; g + 4 <= groups; g += 4, p += 16, out += 12) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        v = _mm_and_si128(_mm_add_epi8(_mm_and_si128(v, low6), bias), low6);
        v = _mm_madd_epi16(_mm_maddubs_epi16(v, joinPairs), joinGroups);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_shuffle_epi8(v, order));
    }
    return g;
}

bool HasSsse3() {
    static const bool has = __builtin_cpu_supports("ssse3");
    return has;
}
#endif

}  // namespace

void DecodeUuLine(std::string_view line, std::size_t count, std::uint8_t* out) {
    const char* p = line.data() + 1;
    const std::size_t groups = (count + 2) / 3;
    std::size_t g = 0;
#if defined(__x86_64__)
    if (HasSsse3()) g = DecodeUuQuads(p, groups, out);
#endif
    g += DecodeUuPairs(p + 4 * g, groups - g, out + 3 * g);
    if (g < groups) {
        const std::uint32_t bits = UuGroupBits(p + 4 * g);
        out += 3 * g;
        out[0] = static_cast<std::uint8_t>(bits >> 16);
        out[1] = static_cast<std::uint8_t>(bits >> 8);
        out[2] = static_cast<std::uint8_t>(bits);
    }
}

bool IsBase64Line(std::string_view line) {
    const std::size_t end = line.size() / 4 * 4;
    std::uint8_t seen = 0;
    for (std::size_t i = 0; i < end; ++i) seen |= B64(line[i]);
    return (seen & kNotBase64) == 0;
}

std::size_t DecodeBase64Groups(const char* in, std::size_t groups, std::uint8_t* out) {
    std::uint8_t* const start = out;
    for (std::size_t g = 0; g < groups; ++g, in += 4) {
        const unsigned v = unsigned(B64(in[0])) << 18 | unsigned(B64(in[1])) << 12 |
                           unsigned(B64(in[2])) << 6 | unsigned(B64(in[3]));
        out[0] = static_cast<std::uint8_t>(v >> 16);
        out[1] = static_cast<std::uint8_t>(v >> 8);
        out[2] = static_cast<std::uint8_t>(v);
        out += in[3] != '=' ? 3 : (in[2] != '=' ? 2 : 1);
    }
    return static_cast<std::size_t>(out - start);
}

bool DecodeBase64Checked(const char* in, std::size_t groups, std::uint8_t* out,
                         std::size_t& written) {
    std::uint8_t* const start = out;
    unsigned seen = 0;
    for (std::size_t g = 0; g < groups; ++g, in += 4) {
        const unsigned a = B64(in[0]), b = B64(in[1]), c = B64(in[2]), d = B64(in[3]);
        seen |= a | b | c | d;
        const unsigned v = a << 18 | b << 12 | c << 6 | d;
        out[0] = static_cast<std::uint8_t>(v >> 16);
        out[1] = static_cast<std::uint8_t>(v >> 8);
        out[2] = static_cast<std::uint8_t>(v);
        out += in[3] != '=' ? 3 : (in[2] != '=' ? 2 : 1);
    }
    written = static_cast<std::size_t>(out - start);
    return (seen & kNotBase64) == 0;
}

}  // namespace corvane
