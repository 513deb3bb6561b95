#include "nntp/article_job.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "resources/string_table.h"
#include "select/criteria_eval.h"
#include "setup/article.h"
#include "store/attachment_decoder.h"
#include "work/messages.h"

namespace corvane {
namespace {

// Why an article ended early with success (or, for a cancel, without). Written to the trace.
enum ESkip : int {
    kSkipNone = 0,
    kSkipRulesAfterHeaders = 1,   // connection stays open
    kSkipDecoderRefused = 2,      // connection closed
    kSkipRulesAfterFileName = 3,  // connection closed
    kSkipNoSuchArticle = 4,       // connection stays open
    kSkipCancelled = 5,           // connection closed; the job fails
};

// How reading one part ended.
enum class EPart {
    kDone,     // its body ended; the next part may follow
    kStopped,  // the article ends here; the result comes from the end of the job
    kFailed,   // the job fails at once; status and connection are settled already
};

// The job's one reference on the decoder chain; whatever is still held when the job ends is
// released, which deletes the files of a chain that was never finished.
class CDecoderHold {
public:
    explicit CDecoderHold(AttachmentDecoder* decoder) : m_decoder(decoder) {}
    ~CDecoderHold() {
        if (m_decoder != nullptr) m_decoder->Release();
    }
    CDecoderHold(const CDecoderHold&) = delete;
    CDecoderHold& operator=(const CDecoderHold&) = delete;

    AttachmentDecoder* operator->() const { return m_decoder; }
    const AttachmentDecoder& Get() const { return *m_decoder; }
    AttachmentDecoder* HandOver() { return std::exchange(m_decoder, nullptr); }

private:
    AttachmentDecoder* m_decoder;
};

constexpr long long kMaxInt = std::numeric_limits<int>::max();

bool StartsWith(std::string_view line, std::string_view prefix) {
    return line.compare(0, prefix.size(), prefix) == 0;
}

// A header of that name with a value after it (the name alone does not count).
bool IsHeaderLine(std::string_view line, std::string_view name) {
    return line.size() > name.size() && StartsWith(line, name);
}

bool IsNoSuchArticle(std::string_view reply) {
    return StartsWith(reply, "430") || StartsWith(reply, "423");
}

class CArticleJob {
public:
    CArticleJob(CCorvaneWorker& worker, CWorkItem& item, CArticle& article)
        : m_worker(worker),
          m_item(item),
          m_article(article),
          m_connection(worker.Connection()),
          m_preview(m_connection.Control(WorkerControl::Preview)) {}

    bool Run();

private:
    bool SelectGroup(const std::string& group);
    bool FetchParts(CDecoderHold& decoder);
    EPart FetchPart(CDecoderHold& decoder, const CArticle& part);
    EPart Request(CDecoderHold& decoder, const char* command, std::int32_t number);
    EPart EndOfHeaders(CDecoderHold& decoder, std::int32_t number);
    EPart DataLine(CDecoderHold& decoder, std::string_view line, const CArticle& part);
    EPart AfterFeed(CDecoderHold& decoder);
    EPart FinishArticle(CDecoderHold& decoder);
    EPart ReadFailed(CDecoderHold& decoder);
    EPart Cancel(CDecoderHold& decoder);
    EPart Skip(CDecoderHold& decoder, ESkip reason, bool disconnect);
    EPart DropByRules(CDecoderHold& decoder, ESkip reason, bool disconnect);
    EPart DiskFull(CDecoderHold& decoder, bool pauseManager);
    bool End();

    bool StillWanted();
    void Progress(const AttachmentDecoder& decoder);
    void ShowStatus(const std::string& text) { m_connection.SetStatusText(text); }
    void ClearPreview();
    void PostToWindow(unsigned message, void* object);
    void TraceSkip();

    CCorvaneWorker& m_worker;
    CWorkItem& m_item;
    CArticle& m_article;
    CNntpConnection& m_connection;
    CWorkerDisplay* const m_preview;

    long long m_lineCount = 0;
    std::int32_t m_groupCount = CArticle::kGroupCountUnknown;
    std::string m_lastPath;  // the decoder path last seen; a new one is a new file
    bool m_inBody = false;
    ESkip m_skip = kSkipNone;
    bool m_cancelled = false;
    int m_lastPreviewPercent = 0;
    bool m_showThumbnails = false;  // from the setup the last rule check saw
    std::string m_line;
    std::string m_selectedGroup;  // the group the connection is in now
};

bool CArticleJob::Run() {
    if (!StillWanted()) return true;
    PostToWindow(UWM_ARTICLE_STARTED, &m_article);
    if (!m_worker.ConnectFor(m_item)) return false;
    ShowStatus(m_article.DisplaySubject());
    m_connection.SetProgressRange(0, m_article.Lines());
    if (!SelectGroup(m_item.group)) return false;

    CDecoderHold decoder(AttachmentDecoder::Create(
        m_article.Attachment(), m_item.group, m_item.saveDirectory, m_item.overwrite != 0,
        m_article.ArticleNumber(), m_worker.Services().FileRegistry()));
    if (!FetchParts(decoder)) return false;
    return End();
}

bool CArticleJob::SelectGroup(const std::string& group) {
    m_selectedGroup = group;
    m_connection.SendLine("GROUP " + group + "\r\n");
    std::string reply;
    if (!m_connection.ReceiveLine(reply)) {
        if (m_worker.IsCancelled()) {
            m_cancelled = true;
            End();
        } else {
            ShowStatus(ResourceString(kIdsReceiveError));
        }
        return false;
    }
    if (!StartsWith(reply, "211")) {
        m_connection.Disconnect();
        ShowStatus("");
        m_connection.SetProgress(0);
        ClearPreview();
        return false;
    }
    return true;
}

// False when the job fails at once; otherwise the end of the job decides.
bool CArticleJob::FetchParts(CDecoderHold& decoder) {
    m_article.StartParts();
    bool fetchedAny = false;
    while (m_article.PartCursor() != 0) {
        const CArticle* part = m_article.NextPart();
        if (part == nullptr) continue;  // a part that never arrived
        fetchedAny = true;
        switch (FetchPart(decoder, *part)) {
            case EPart::kDone:
                break;
            case EPart::kStopped:
                return true;
            case EPart::kFailed:
                return false;
        }
    }
    // Finished after the last present part, so that a posting whose last slots are empty
    // still has its files completed and handed over.
    if (!fetchedAny) return true;
    return FinishArticle(decoder) != EPart::kFailed;
}

EPart CArticleJob::FetchPart(CDecoderHold& decoder, const CArticle& part) {
    // A posting seen in two groups joins its parts under one record; a part's number belongs
    // to the group it was listed from, so that group is selected before the part is asked for.
    const std::string& partGroup = part.Newsgroup();
    if (!partGroup.empty() && partGroup != m_selectedGroup && !SelectGroup(partGroup)) {
        decoder->Abort();
        return EPart::kFailed;
    }
    m_groupCount = CArticle::kGroupCountUnknown;
    const std::int32_t number = part.ArticleNumber();
    m_inBody = false;
    if (EPart end = Request(decoder, "HEAD", number); end != EPart::kDone) return end;
    for (;;) {
        if (m_worker.IsCancelled()) return Cancel(decoder);
        if (!m_connection.ReceiveLine(m_line)) return ReadFailed(decoder);
        ++m_lineCount;
        if (m_line == ".") {
            if (m_inBody) return EPart::kDone;
            if (EPart end = EndOfHeaders(decoder, number); end != EPart::kDone) return end;
            continue;
        }
        // A data line that begins with a dot travels with a second one in front; anything
        // that looks at the line (the decoder above all: a uuencoded line may begin with a
        // dot) must see it as it was posted.
        std::string_view line = m_line;
        if (StartsWith(line, "..")) line.remove_prefix(1);
        if (EPart end = DataLine(decoder, line, part); end != EPart::kDone) return end;
    }
}

// Sends "HEAD" or "BODY" and reads its reply; kDone when the data lines follow.
EPart CArticleJob::Request(CDecoderHold& decoder, const char* command, std::int32_t number) {
    char text[48];
    std::snprintf(text, sizeof text, "%s %ld\r\n", command, static_cast<long>(number));
    m_connection.SendLine(text);
    std::string reply;
    if (!m_connection.ReceiveLine(reply)) return ReadFailed(decoder);
    if (IsNoSuchArticle(reply)) return Skip(decoder, kSkipNoSuchArticle, false);
    return EPart::kDone;
}

EPart CArticleJob::EndOfHeaders(CDecoderHold& decoder, std::int32_t number) {
    m_article.SetGroupCount(m_groupCount);
    if (!StillWanted()) return DropByRules(decoder, kSkipRulesAfterHeaders, false);
    if (EPart end = Request(decoder, "BODY", number); end != EPart::kDone) return end;
    m_inBody = true;
    Progress(decoder.Get());
    return EPart::kDone;
}

EPart CArticleJob::DataLine(CDecoderHold& decoder, std::string_view line, const CArticle& part) {
    const bool header = !m_inBody;
    if (header && IsHeaderLine(line, "Newsgroups:")) {
        m_groupCount =
            1 + static_cast<std::int32_t>(std::count(line.begin() + 11, line.end(), ','));
    }
    // The server's own idea of the article's identity; in a body the same text is just data.
    if (header && IsHeaderLine(line, "Message-ID:")) {
        if (line.find(part.MessageId()) == std::string_view::npos) m_article.SetMismatch(true);
        Progress(decoder.Get());
        return EPart::kDone;
    }
    switch (decoder->FeedLine(line, header)) {
        case EFeed::kGoOn:
            break;
        case EFeed::kGiveUp:
            return Skip(decoder, kSkipDecoderRefused, true);
        case EFeed::kDiskFull:
            return DiskFull(decoder, true);
    }
    return AfterFeed(decoder);
}

// A new file name is a new fact for the rules (the "Filename" field).
EPart CArticleJob::AfterFeed(CDecoderHold& decoder) {
    const std::string& path = decoder->Path();
    if (!path.empty() && path != m_lastPath) {
        m_article.SetMismatch(false);
        m_article.SetFileName(decoder->FileName());
        if (!StillWanted()) return DropByRules(decoder, kSkipRulesAfterFileName, true);
        m_lastPath = path;
        ShowStatus(decoder->FileName());
    }
    Progress(decoder.Get());
    return EPart::kDone;
}

EPart CArticleJob::FinishArticle(CDecoderHold& decoder) {
    switch (decoder->Finish()) {
        case EFeed::kGoOn:
            PostToWindow(UWM_ARTICLE_SAVED, decoder.HandOver());
            return EPart::kDone;
        case EFeed::kDiskFull:
            return DiskFull(decoder, false);
        case EFeed::kGiveUp:
            break;
    }
    return Skip(decoder, kSkipDecoderRefused, true);
}

// A cancel ends a waiting read too; it is then no receive error.
EPart CArticleJob::ReadFailed(CDecoderHold& decoder) {
    if (m_worker.IsCancelled()) return Cancel(decoder);
    ShowStatus(ResourceString(kIdsReceiveError));
    m_connection.Disconnect();
    decoder->Abort();
    return EPart::kFailed;
}

EPart CArticleJob::Cancel(CDecoderHold& decoder) {
    m_cancelled = true;
    return Skip(decoder, kSkipCancelled, true);
}

// The server may still be sending what was asked for, so a skip in the middle of a reply
// closes the connection; one between replies keeps it.
EPart CArticleJob::Skip(CDecoderHold& decoder, ESkip reason, bool disconnect) {
    decoder->Abort();
    if (disconnect) m_connection.Disconnect();
    m_skip = reason;
    return EPart::kStopped;
}

// The window learns that the article is done with although nothing was saved.
EPart CArticleJob::DropByRules(CDecoderHold& decoder, ESkip reason, bool disconnect) {
    const EPart end = Skip(decoder, reason, disconnect);
    PostToWindow(UWM_ARTICLE_SAVED, nullptr);
    return end;
}

EPart CArticleJob::DiskFull(CDecoderHold& decoder, bool pauseManager) {
    // New items would only fail the same way.
    if (pauseManager) m_worker.ManagerQueue().PostUntilAccepted(TM_PAUSE);
    m_connection.Disconnect();
    ShowStatus(ResourceString(kIdsDiskFull));
    decoder->Abort();
    if (m_item.window != nullptr) m_item.window->PostUntilAccepted(UWM_DISK_FULL);
    return EPart::kFailed;
}

bool CArticleJob::End() {
    ShowStatus("");
    m_connection.SetProgress(0);
    ClearPreview();
    if (m_cancelled) return false;
    if (m_skip != kSkipNone) TraceSkip();
    return true;
}

// Each check takes the setup as published now: its rules stay alive and unchanged for the
// evaluation whatever the main thread does meanwhile.
bool CArticleJob::StillWanted() {
    const std::shared_ptr<const CSetup> setup = m_worker.Services().SetupSnapshot();
    if (!setup) return true;
    m_showThumbnails = setup->m_showThumbnails != 0;
    return ApplyCriteria(m_article, setup->m_criteriaGroups);
}

// The preview is refreshed each time the received share passes another tenth.
void CArticleJob::Progress(const AttachmentDecoder& decoder) {
    m_connection.SetProgress(static_cast<int>(std::min<long long>(m_lineCount, kMaxInt)));
    const std::int32_t lines = m_article.Lines();
    if (!m_showThumbnails || lines <= 0) return;
    const long long percent = m_lineCount * 100 / lines;
    if (percent / 10 <= m_lastPreviewPercent / 10) return;
    m_lastPreviewPercent = static_cast<int>(std::min<long long>(percent, kMaxInt));
    if (m_preview != nullptr && !decoder.Path().empty()) m_preview->ShowPreview(decoder.Path());
}

void CArticleJob::ClearPreview() {
    if (m_preview != nullptr) m_preview->ClearPreview();
}

// Repeated until the window's queue takes it, so that no notification is lost.
void CArticleJob::PostToWindow(unsigned message, void* object) {
    if (m_item.window != nullptr) {
        m_item.window->PostUntilAccepted(message, 0, object);
    } else if (message == UWM_ARTICLE_SAVED && object != nullptr) {
        static_cast<AttachmentDecoder*>(object)->Release();
    }
}

// Recorded as if the reason had been sent: "NN : -> Skip reason = R" and its line end.
void CArticleJob::TraceSkip() {
    CTraceLog* trace = m_worker.Services().Trace();
    if (trace == nullptr || !trace->IsEnabled()) return;
    char reason[32];
    std::snprintf(reason, sizeof reason, "Skip reason = %d\n", static_cast<int>(m_skip));
    trace->Traffic(m_connection.WorkerIndex(), true, reason);
}

}  // namespace

bool DoArticle(CCorvaneWorker& worker, CWorkItem& item) {
    if (item.article == nullptr) return false;
    CArticleJob job(worker, item, *item.article);
    return job.Run();
}

}  // namespace corvane
