#pragma once
// Saving and loading a whole setup file: the setup, the download log, the article list, the
// message-ID map, the multi-part map and the range map. CSetupFileContents owns that state
// (the application object holds one); CSetupFile reads it from and writes it to a file,
// telling the user about failures through the prompt it was given, which it does not own.
// Main thread only. A save never leaves a half-written setup file: it writes a temporary
// file beside it and renames it over the old one in one step. A load treats the file as
// hostile and never leaves a null setup or a map value that names a freed record.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/prompt.h"
#include "setup/archive.h"
#include "setup/article.h"
#include "setup/group_range.h"
#include "setup/log_entry.h"
#include "setup/msg_details.h"
#include "setup/setup.h"

namespace corvane {

struct CSetupFileContents {
    CSetupFileContents() = default;
    // The multi-part map points into the article list, so a copy would point into the
    // original's list.
    CSetupFileContents(const CSetupFileContents&) = delete;
    CSetupFileContents& operator=(const CSetupFileContents&) = delete;

    // Empties the article state, the map of multi-part records before the list that owns them.
    void ClearArticleState();

    std::unique_ptr<CSetup> m_setup = std::make_unique<CSetup>();  // never null
    CDownloadLog m_log;
    std::vector<std::unique_ptr<CArticle>> m_articles;  // owns single and multi-part records
    CStringMap<std::unique_ptr<CMsgDetails>> m_messageIds;
    // Base subject -> a multi-part record of m_articles (not owned).
    CStringMap<CMultiPartArticle*> m_multiParts;
    CGroupRangeMap m_ranges;
    // The file the state was last loaded from or saved as; empty after a failed load.
    std::string m_fileName;
};

class CSetupFile {
public:
    // Message-IDs older than this many whole days are forgotten when a file is loaded.
    static constexpr std::uint32_t kMessageIdKeepDays = 7;

    explicit CSetupFile(IPrompt& prompt);
    CSetupFile(const CSetupFile&) = delete;
    CSetupFile& operator=(const CSetupFile&) = delete;

    // Writes the state to path, first dropping the ranges of groups the setup no longer has.
    // On failure the user sees message 147, the temporary file is gone and whatever file was
    // at path is untouched. The file name of the state is not changed.
    bool Save(CSetupFileContents& contents, const std::string& path);
    // Save under a name the user chose, which becomes the state's file name even when the
    // write fails, so the next Save goes to the same place.
    bool SaveAs(CSetupFileContents& contents, const std::string& path);

    // Replaces the state with the file's. On failure the user sees message 191, the setup is
    // a default one, the file name is empty and the other containers keep what was read
    // before the failure. `now` (seconds since 1970) ages the message-IDs.
    bool Load(CSetupFileContents& contents, const std::string& path, std::uint32_t now);
    // The same from bytes already in memory; the file name becomes empty either way.
    bool LoadFromBytes(CSetupFileContents& contents, std::span<const std::uint8_t> bytes,
                       std::uint32_t now);

    // The bytes a save would write. Throws CArchiveException when the state cannot be
    // written as a loadable file (a multi-part map value that is not in the article list).
    static std::vector<std::uint8_t> ToBytes(CSetupFileContents& contents);
    // The temporary file a save of path writes first: same directory, same base name,
    // extension "tmp" (never path itself).
    static std::string TempPathFor(const std::string& path);

private:
    // Reads items 1-6 into contents; false on any failure. Every object read is owned by
    // contents when this returns, and the archive is gone.
    bool ReadItems(CSetupFileContents& contents, std::span<const std::uint8_t> bytes);
    bool FinishLoad(CSetupFileContents& contents, bool ok, std::uint32_t now);

    IPrompt& m_prompt;
    CClassRegistry m_registry;
};

}  // namespace corvane
