#include "store/attachment_decoder.h"

#include <unistd.h>

#include <algorithm>
#include <unordered_map>
#include <utility>

#include "platform/data_directory.h"
#include "store/attachment_name.h"
#include "store/line_decoding.h"

namespace corvane {
namespace {

const std::string& EmptyText() {
    static const std::string empty;
    return empty;
}

std::string JoinPath(const std::string& directory, const std::string& name) {
    if (directory.empty()) return name;
    if (directory.back() == '/') return directory + name;
    return directory + "/" + name;
}

// A folded header longer than this is not a header worth unfolding.
constexpr std::size_t kMaxFoldedHeader = 8192;

// Base64 groups that fit the write buffer at once; longer lines are decoded in pieces.
constexpr std::size_t kGroupsPerChunk = COutputFile::kBufferSize / 3;

}  // namespace

AttachmentDecoder* AttachmentDecoder::Create(bool decode, std::string baseName,
                                             std::string directory, bool overwrite,
                                             std::int32_t articleNumber, IFileRegistry* registry) {
    return new AttachmentDecoder(decode, std::move(baseName), std::move(directory), overwrite,
                                 articleNumber, registry);
}

AttachmentDecoder::AttachmentDecoder(bool decode, std::string baseName, std::string directory,
                                     bool overwrite, std::int32_t articleNumber,
                                     IFileRegistry* registry)
    : m_decode(decode),
      m_overwrite(overwrite),
      m_articleNumber(articleNumber),
      m_baseName(std::move(baseName)),
      m_directory(std::move(directory)),
      m_registry(registry) {}

AttachmentDecoder::~AttachmentDecoder() {
    // Unlink the chain one decoder at a time: an article with thousands of attachments must
    // not recurse thousands of destructors deep.
    auto next = std::move(m_next);
    while (next) next = std::move(next->m_next);
}

void AttachmentDecoder::AddRef() {
    m_references.fetch_add(1, std::memory_order_relaxed);
}

void AttachmentDecoder::Release() {
    if (m_references.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
    if (!m_finishCalled && !m_aborted) Abort();
    delete this;
}

AttachmentDecoder* AttachmentDecoder::Tail() {
    if (m_tail->m_state == EState::kFinished) {
        m_tail->m_next.reset(new AttachmentDecoder(m_decode, m_baseName, m_directory, m_overwrite,
                                                   m_articleNumber, m_registry));
        m_tail = m_tail->m_next.get();
    }
    return m_tail;
}

EFeed AttachmentDecoder::FeedLine(std::string_view line, bool header) {
    if (m_aborted) return EFeed::kGiveUp;
    AttachmentDecoder* decoder = Tail();
    const EFeed result = decoder->FeedOwn(line, header);
    if (!decoder->m_path.empty()) m_writing = decoder;
    return result;
}

EFeed AttachmentDecoder::FeedOwn(std::string_view line, bool header) {
    switch (m_state) {
        case EState::kInBody:
            // Header lines never go into a decoded file (a long Subject can pass for a
            // uuencoded line), but the article's own headers may still say how its body is
            // encoded; a text file keeps the article as it came, headers included.
            if (header && m_decode) {
                if (m_mode == EMode::kMime && AnnouncesUuencode(line)) m_mode = EMode::kUuencode;
                return EFeed::kGoOn;
            }
            return FeedBody(line);
        case EState::kLooking:
            if (!m_decode) {
                // The first line only opens the text file; it is not part of the text.
                return OpenOutput(m_baseName + "." + std::to_string(m_articleNumber) + ".txt",
                                  EMode::kUuencode);
            }
            return Look(line);
        case EState::kFailed:
            return m_failure;
        case EState::kFinished:
            break;
    }
    return EFeed::kGoOn;
}

EFeed AttachmentDecoder::Look(std::string_view line) {
    if (line.starts_with("begin ")) {
        m_pendingHeader.clear();
        std::string_view name;
        return ParseBeginLine(line, name) ? OpenOutput(name, EMode::kUuencode) : EFeed::kGoOn;
    }
    return LookAtHeader(line);
}

EFeed AttachmentDecoder::LookAtHeader(std::string_view line) {
    const bool folded =
        !m_pendingHeader.empty() && !line.empty() && (line[0] == ' ' || line[0] == '\t');
    std::string_view header = line;
    if (folded) {
        if (m_pendingHeader.size() + line.size() > kMaxFoldedHeader) {
            m_pendingHeader.clear();
            return EFeed::kGoOn;
        }
        m_pendingHeader.append(line);
        header = m_pendingHeader;
    } else {
        m_pendingHeader.clear();
        // A boundary starts another part, whose own headers say how it is encoded.
        if (line.starts_with("--")) m_uuencodeAnnounced = false;
        if (AnnouncesUuencode(line)) m_uuencodeAnnounced = true;
        if (!IsAttachmentHeader(line)) return EFeed::kGoOn;
    }
    std::string_view name;
    switch (FindMimeName(header, name)) {
        case EMimeName::kNone:
            if (!folded && line.size() <= kMaxFoldedHeader) m_pendingHeader.assign(line);
            return EFeed::kGoOn;
        case EMimeName::kAtEnd:
            m_pendingHeader.clear();
            return EFeed::kGiveUp;
        case EMimeName::kFound:
            break;
    }
    const EFeed result = OpenOutput(name, m_uuencodeAnnounced ? EMode::kUuencode : EMode::kMime);
    m_pendingHeader.clear();
    return result;
}

EFeed AttachmentDecoder::FeedBody(std::string_view line) {
    if (!m_decode) return WriteTextLine(line);
    if (m_mode == EMode::kMime) return FeedMime(line);
    if (line.starts_with("end")) return CompleteFile();
    return WriteUuLine(line);
}

EFeed AttachmentDecoder::FeedMime(std::string_view line) {
    // A boundary ends the attachment; whatever follows (another attachment, a signature)
    // belongs to the next decoder of the chain.
    if (line.starts_with("--")) return CompleteFile();
    if (AnnouncesUuencode(line)) {
        m_mode = EMode::kUuencode;
        return EFeed::kGoOn;
    }
    return WriteBase64Line(line);
}

bool AttachmentDecoder::AnnouncesUuencode(std::string_view line) {
    return StartsWithNoCase(line, "CONTENT-TRANSFER-ENCODING") &&
           FindNoCase(line, "UUENCODE") != std::string_view::npos;
}

EFeed AttachmentDecoder::WriteUuLine(std::string_view line) {
    const std::size_t count = UuLineByteCount(line);
    if (count == 0) return EFeed::kGoOn;
    std::uint8_t* out = m_output.Reserve(kUuLineRoom);
    if (out == nullptr) return Fail(EFeed::kDiskFull);
    DecodeUuLine(line, count, out);
    m_output.Commit(count);
    return EFeed::kGoOn;
}

EFeed AttachmentDecoder::WriteBase64Line(std::string_view line) {
    const std::size_t groups = line.size() / 4;
    if (groups <= kGroupsPerChunk) {
        // The usual line: test and decode in one pass, and keep the bytes only if it was data.
        std::uint8_t* out = m_output.Reserve(groups * 3);
        if (out == nullptr) return Fail(EFeed::kDiskFull);
        std::size_t written = 0;
        if (DecodeBase64Checked(line.data(), groups, out, written)) m_output.Commit(written);
        return EFeed::kGoOn;
    }
    if (!IsBase64Line(line)) return EFeed::kGoOn;
    const char* in = line.data();
    for (std::size_t groups = line.size() / 4; groups > 0;) {
        const std::size_t chunk = std::min(groups, kGroupsPerChunk);
        std::uint8_t* out = m_output.Reserve(chunk * 3);
        if (out == nullptr) return Fail(EFeed::kDiskFull);
        m_output.Commit(DecodeBase64Groups(in, chunk, out));
        in += chunk * 4;
        groups -= chunk;
    }
    return EFeed::kGoOn;
}

EFeed AttachmentDecoder::WriteTextLine(std::string_view line) {
    if (!m_output.Write(line.data(), line.size()) || !m_output.Write("\r\n", 2)) {
        return Fail(EFeed::kDiskFull);
    }
    return EFeed::kGoOn;
}

EFeed AttachmentDecoder::OpenOutput(std::string_view rawName, EMode mode) {
    std::string name = SafeFileName(rawName, FallbackFileName(m_articleNumber));
    std::string path = JoinPath(m_directory, name);
    // A directory that cannot be made shows as a file that cannot be created.
    if (!m_directory.empty()) MakeDirectoryPath(m_directory);
    switch (m_output.Open(path, m_overwrite)) {
        case COutputFile::EOpen::kOk:
            break;
        case COutputFile::EOpen::kDiskFull:
            return EFeed::kDiskFull;
        case COutputFile::EOpen::kExists:
        case COutputFile::EOpen::kFailed:
            return EFeed::kGiveUp;
    }
    m_fileName = std::move(name);
    m_path = std::move(path);
    m_mode = mode;
    m_state = EState::kInBody;
    return EFeed::kGoOn;
}

EFeed AttachmentDecoder::CompleteFile() {
    if (!m_output.Close(m_length)) return Fail(EFeed::kDiskFull);
    m_state = EState::kFinished;
    return EFeed::kGoOn;
}

EFeed AttachmentDecoder::Fail(EFeed why) {
    m_output.Discard();
    m_state = EState::kFailed;
    m_failure = why;
    return why;
}

EFeed AttachmentDecoder::Finish() {
    if (m_aborted) return EFeed::kGiveUp;
    EFeed result = EFeed::kGoOn;
    for (AttachmentDecoder* d = this; d != nullptr; d = d->m_next.get()) {
        if (d->m_state == EState::kInBody) d->CompleteFile();
        if (d->m_state == EState::kFailed) result = d->m_failure;
    }
    if (result != EFeed::kGoOn) return result;
    // Files enter the index only once the whole article is saved, so an article given up
    // half-way leaves no name behind that would mark its next download as a duplicate.
    // With overwrite on, a later attachment of the same name has replaced an earlier one's
    // file; only the last decoder of a path may delete what is there now.
    std::unordered_map<std::string_view, const AttachmentDecoder*> lastOfPath;
    for (const AttachmentDecoder* d = this; d != nullptr; d = d->m_next.get()) {
        if (!d->m_path.empty()) lastOfPath[d->m_path] = d;
    }
    for (AttachmentDecoder* d = this; d != nullptr; d = d->m_next.get()) {
        if (d->m_state == EState::kFinished && !d->m_indexed) {
            d->RecordInIndex(lastOfPath[d->m_path] == d);
        }
    }
    m_finishCalled = true;
    return EFeed::kGoOn;
}

void AttachmentDecoder::RecordInIndex(bool ownsFile) {
    m_indexed = true;
    if (m_registry == nullptr) return;
    if (m_registry->UseFileDatabase() && m_registry->FileKnown(m_fileName, m_length)) {
        if (ownsFile) ::unlink(m_path.c_str());
        m_duplicate = true;
    }
    m_registry->RememberFile(m_fileName, m_length);
}

void AttachmentDecoder::Abort() {
    m_aborted = true;
    for (AttachmentDecoder* d = this; d != nullptr; d = d->m_next.get()) d->DeleteOwnFile();
}

void AttachmentDecoder::DeleteOwnFile() {
    if (m_state == EState::kInBody) {
        m_output.Discard();
    } else if (m_state == EState::kFinished && !m_duplicate) {
        ::unlink(m_path.c_str());
    }
    m_state = EState::kFailed;
    m_failure = EFeed::kGiveUp;
}

const std::string& AttachmentDecoder::Path() const {
    return m_writing != nullptr ? m_writing->m_path : EmptyText();
}

const std::string& AttachmentDecoder::FileName() const {
    return m_writing != nullptr ? m_writing->m_fileName : EmptyText();
}

}  // namespace corvane
