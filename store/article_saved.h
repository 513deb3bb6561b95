#pragma once
// What the main window does with a saved article's decoder chain: one download log entry and
// one "descript.ion" line per saved file. Runs on the main thread, which owns the chain by
// then; the log locks itself. Takes nothing over: the caller still releases the chain.
#include <cstdint>
#include <string>
#include <string_view>

#include "setup/log_entry.h"
#include "store/attachment_decoder.h"

namespace corvane {

// The description file kept in every download directory.
constexpr std::string_view kDescriptionFileName = "descript.ion";

// Walks the chain until a decoder that never opened a file; skips duplicates, and everything
// when logging is off. A description file that cannot be written is passed over silently.
void RecordSavedArticle(const AttachmentDecoder& chain, std::string_view displaySubject,
                        std::string_view origin, std::string_view author, std::int32_t lines,
                        bool loggingOn, CDownloadLog& log);

// Appends "<file name> <subject>\r\n" to the description file of `directory`. CR and LF in
// the subject become blanks so that every file keeps exactly one line. False when the file
// cannot be opened or written.
bool AppendDescription(const std::string& directory, std::string_view fileName,
                       std::string_view subject);

}  // namespace corvane
