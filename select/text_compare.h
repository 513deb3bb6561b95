#pragma once
// Byte-string comparisons the criteria need: ASCII case folding without copies or allocation,
// and the bounded case-insensitive search whose window stops at kIgnoreCaseSearchLimit bytes.
// Pure functions of their arguments, callable from any thread; nothing is handed over.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace corvane {

// The ignore-case search looks at no more than this many bytes of either text, so that a
// condition or a subject longer than that is judged by its beginning alone.
inline constexpr std::size_t kIgnoreCaseSearchLimit = 1999;

// Upper case in the system code page as the comparisons see it: only 'a'-'z' change, so
// bytes above 127 compare as they are.
constexpr unsigned char FoldUpper(char c) {
    const auto b = static_cast<unsigned char>(c);
    return (b >= 'a' && b <= 'z') ? static_cast<unsigned char>(b - ('a' - 'A')) : b;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b);
bool BeginsWith(std::string_view text, std::string_view prefix);
bool EndsWith(std::string_view text, std::string_view suffix);
bool BeginsWithIgnoreCase(std::string_view text, std::string_view prefix);
bool EndsWithIgnoreCase(std::string_view text, std::string_view suffix);
// Whether needle occurs in text, case folded, both cut to kIgnoreCaseSearchLimit bytes first.
// An empty needle occurs everywhere.
bool ContainsIgnoreCase(std::string_view text, std::string_view needle);

// Unsigned byte-wise order: the first differing byte decides, a proper prefix sorts first.
// Negative, zero or positive, like memcmp.
int CompareBytes(std::string_view a, std::string_view b);

// A condition's number: optional blanks, an optional sign, decimal digits, optional blanks.
// False for anything else or for a value outside 32 bits.
bool ParseDecimal(std::string_view text, std::int32_t& value);

}  // namespace corvane
