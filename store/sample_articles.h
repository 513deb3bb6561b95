#pragma once
// Article bodies carrying a given attachment, written the way posting programs write them, for
// the decoder's tests, its fuzz seeds and its benchmark. Pure functions; any thread may call.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// "begin 644 <name>", lines of 45 bytes (the last one shorter), "`", "end". A backquote
// stands for a zero six-bit value, as most encoders write it.
std::vector<std::string> UuencodedLines(const std::vector<std::uint8_t>& bytes,
                                        std::string_view name);

// Base64 lines of 76 characters (57 bytes), the last padded with "=".
std::vector<std::string> Base64Lines(const std::vector<std::uint8_t>& bytes);

// A MIME article body with one base64 attachment between boundaries "--<boundary>".
std::vector<std::string> MimeAttachmentLines(const std::vector<std::uint8_t>& bytes,
                                             std::string_view name, std::string_view boundary);

// Reproducible pseudo-random bytes.
std::vector<std::uint8_t> SampleBytes(std::size_t count, std::uint32_t seed);

}  // namespace corvane
