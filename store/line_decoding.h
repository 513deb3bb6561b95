#pragma once
// The two encodings attachments arrive in, one line at a time: uuencode and base64. Pure
// functions over constant tables; any thread may call. Nothing here allocates: the caller
// hands an output area of the size the line needs.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace corvane {

// The bytes a uuencoded line carries, or 0 when the line must be skipped: its count character
// is zero or its length does not fit the count (headers, blank lines, the "begin" line, ...).
std::size_t UuLineByteCount(std::string_view line);

// Decodes a line UuLineByteCount accepted. `out` must have room for kUuLineRoom bytes; only
// the first `count` are meaningful (whole words are written past them).
constexpr std::size_t kUuLineRoom = 63 + 4;
void DecodeUuLine(std::string_view line, std::size_t count, std::uint8_t* out);

// A line is base64 data when each character of its whole groups of four is of the base64
// alphabet or "="; characters after the last whole group do not count.
bool IsBase64Line(std::string_view line);

// Decodes `groups` groups of four characters from `in` (already checked by IsBase64Line) into
// at most 3 * groups bytes at `out`; a group ending in "=" gives two bytes, in "==" one.
// Returns the number of bytes written.
std::size_t DecodeBase64Groups(const char* in, std::size_t groups, std::uint8_t* out);

// Both at once, for a line whose bytes fit the output area: decodes into `out` (room for
// 3 * groups bytes) and returns false when a character was not base64, in which case what was
// written there means nothing. `written` receives the byte count.
bool DecodeBase64Checked(const char* in, std::size_t groups, std::uint8_t* out,
                         std::size_t& written);

}  // namespace corvane
