#pragma once
// Finding an attachment's name in an article ("begin" lines and MIME header parameters) and
// turning whatever the article says into a name that stays inside the download directory.
// Pure functions; any thread may call. Views handed back point into the caller's line.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace corvane {

// Longest file name most file systems hold, in bytes.
constexpr std::size_t kMaxFileName = 255;

// The last path component of `raw` (after "/" or "\"), without control characters, at most
// kMaxFileName bytes; `fallback` when nothing usable is left ("", "." or "..").
std::string SafeFileName(std::string_view raw, std::string_view fallback);

// The name used when an article's attachment name is unusable.
std::string FallbackFileName(std::int32_t articleNumber);

// "begin <mode> <name>": true with the name (at most kMaxFileName bytes, trailing blanks
// kept) when the line has a number and a non-empty name after "begin ".
bool ParseBeginLine(std::string_view line, std::string_view& name);

// Whether the header line is a Content-Type or Content-Disposition line (any case), the two
// that may name an attachment.
bool IsAttachmentHeader(std::string_view line);

enum class EMimeName {
    kNone,   // no "name=" parameter
    kAtEnd,  // "name=" ends the header: the article is malformed
    kFound,
};
// The value of the first "name=" parameter of a header (so "filename=" is found too): a quoted
// value runs to the closing quote (to the end of the header when there is none), an unquoted
// one to the first ";", blank or quote.
EMimeName FindMimeName(std::string_view header, std::string_view& name);

// Case-insensitive (ASCII) helpers for header words.
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
std::size_t FindNoCase(std::string_view text, std::string_view word);

}  // namespace corvane
