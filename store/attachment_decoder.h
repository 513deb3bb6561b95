#pragma once
// Turns the lines of one downloaded article into files in a download directory: uuencoded or
// base64 attachments (each attachment after the first gets a decoder chained behind the
// previous one), or, with decoding off, the article's text.
//
// Threads: the article job creates the chain and feeds it on its worker thread, then hands it
// to the main window, which reads the accessors to log the saved files. One thread at a time
// uses a chain; only the reference count is shared and it is atomic.
//
// Ownership: Create hands out one reference to the head of the chain; the head owns the
// chained decoders. The last Release frees the chain; a chain released before Finish or Abort
// was abandoned, and its files are deleted as Abort would. Files a decoder created are the only
// ones it ever deletes.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "store/file_registry.h"
#include "store/output_file.h"

namespace corvane {

class AttachmentDecoder {
public:
    // `registry` (may be null: no index) must outlive the chain.
    static AttachmentDecoder* Create(bool decode, std::string baseName, std::string directory,
                                     bool overwrite, std::int32_t articleNumber,
                                     IFileRegistry* registry);
    AttachmentDecoder(const AttachmentDecoder&) = delete;
    AttachmentDecoder& operator=(const AttachmentDecoder&) = delete;

    void AddRef();
    void Release();

    // `header`: the line is one of a part's header lines. Header lines may open a MIME file
    // but are never written into an open one, so a later part's headers cannot corrupt it.
    EFeed FeedLine(std::string_view line, bool header = false);
    // Completes every unfinished file of the chain and records the files in the file
    // name/size index (deleting those it already knows). kDiskFull when a file could not be
    // written out; the job then aborts.
    EFeed Finish();
    // Deletes every file the chain created, finished or not, and refuses further lines. Does
    // not release: the caller still owns its reference.
    void Abort();

    // The decoder now writing: the last of the chain that opened a file.
    const std::string& Path() const;
    const std::string& FileName() const;

    // For walking the chain: this decoder's own values.
    const AttachmentDecoder* Next() const { return m_next.get(); }
    const std::string& OwnPath() const { return m_path; }
    const std::string& OwnFileName() const { return m_fileName; }
    const std::string& Directory() const { return m_directory; }
    const std::string& BaseName() const { return m_baseName; }
    std::int32_t ArticleNumber() const { return m_articleNumber; }
    bool Duplicate() const { return m_duplicate; }

private:
    enum class EState { kLooking, kInBody, kFinished, kFailed };
    enum class EMode { kUuencode, kMime };

    AttachmentDecoder(bool decode, std::string baseName, std::string directory, bool overwrite,
                      std::int32_t articleNumber, IFileRegistry* registry);
    ~AttachmentDecoder();

    AttachmentDecoder* Tail();
    EFeed FeedOwn(std::string_view line, bool header);
    EFeed Look(std::string_view line);
    EFeed LookAtHeader(std::string_view line);
    EFeed FeedBody(std::string_view line);
    EFeed FeedMime(std::string_view line);
    // A "Content-Transfer-Encoding" line naming uuencode.
    static bool AnnouncesUuencode(std::string_view line);
    EFeed WriteUuLine(std::string_view line);
    EFeed WriteBase64Line(std::string_view line);
    EFeed WriteTextLine(std::string_view line);
    EFeed OpenOutput(std::string_view rawName, EMode mode);
    EFeed CompleteFile();
    EFeed Fail(EFeed why);
    void RecordInIndex(bool ownsFile);
    void DeleteOwnFile();

    const bool m_decode;
    const bool m_overwrite;
    const std::int32_t m_articleNumber;
    const std::string m_baseName;
    const std::string m_directory;
    IFileRegistry* const m_registry;

    EState m_state = EState::kLooking;
    EMode m_mode = EMode::kUuencode;
    EFeed m_failure = EFeed::kGoOn;  // what a failed decoder keeps answering
    std::string m_fileName;
    std::string m_path;
    std::uint64_t m_length = 0;
    bool m_indexed = false;
    bool m_duplicate = false;
    COutputFile m_output;
    // A Content-Type or Content-Disposition header without a name yet, kept so that a name on
    // a folded continuation line is found.
    std::string m_pendingHeader;
    // A uuencode transfer encoding announced before the header that names the file: the
    // attachment it opens is uuencoded.
    bool m_uuencodeAnnounced = false;
    struct CChainDeleter {
        void operator()(AttachmentDecoder* decoder) const { delete decoder; }
    };
    std::unique_ptr<AttachmentDecoder, CChainDeleter> m_next;

    // Kept by the head of the chain only.
    std::atomic<int> m_references{1};
    AttachmentDecoder* m_tail = this;
    const AttachmentDecoder* m_writing = nullptr;
    bool m_aborted = false;
    bool m_finishCalled = false;
};

}  // namespace corvane
