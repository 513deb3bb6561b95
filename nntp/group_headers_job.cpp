#include "nntp/group_headers_job.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "nntp/group_number.h"
#include "nntp/jobs.h"
#include "nntp/overview.h"
#include "resources/string_table.h"
#include "setup/article.h"
#include "work/messages.h"

namespace corvane {
namespace {

// One run of the job. Each step returns the job's result when the job ends there, and nothing
// when it goes on.
class CGroupHeadersJob {
public:
    CGroupHeadersJob(CCorvaneWorker& worker, CWorkItem& item)
        : m_worker(worker), m_item(item), m_main(worker.Connection()) {}

    bool Run();

private:
    using Step = std::optional<bool>;

    Step SelectGroup();
    Step OpenPaths();
    Step SelectPathGroup();
    void RequestRange();
    Step ReadListingReplies(std::string& line);
    bool ReadListing(std::string& line);
    void ShowProgress(std::int32_t number);
    bool ReadOrigin(CArticle& article);
    void CollectCrossposts(std::string_view xref, std::int32_t number);

    bool Finish();
    bool Cancelled();
    bool PathsFailed();
    bool MainFailed();
    void ClosePaths() { m_paths.reset(); }
    void PostPendingCrossposts();
    void ShowStatus(const std::string& text) { m_main.SetStatusText(text); }

    CCorvaneWorker& m_worker;
    CWorkItem& m_item;
    CNntpConnection& m_main;
    // The job's own connection for the paths; never kept beyond the job.
    std::unique_ptr<CNntpConnection> m_paths;
    SGroupBounds m_bounds;
    bool m_pathsAvailable = false;
    bool m_pathsEnded = false;
    long m_pathNumber = 0;
    std::string m_pathLine;  // the last path line that read as a number
    std::string m_scratch;
    CCrosspostBatch m_crossposts;
};

bool CGroupHeadersJob::Run() {
    if (!m_worker.ConnectFor(m_item)) return false;
    if (Step end = SelectGroup()) return *end;
    if (Step end = OpenPaths()) return *end;
    if (Step end = SelectPathGroup()) return *end;
    PostToWindow(
        m_item, UWM_GROUP_FIRST,
        std::make_unique<CGroupNumber>(m_item.group, static_cast<std::int32_t>(m_bounds.first)));
    m_main.SetProgressRange(0, 1000);
    RequestRange();
    std::string line;
    if (Step end = ReadListingReplies(line)) return *end;
    return ReadListing(line);
}

CGroupHeadersJob::Step CGroupHeadersJob::SelectGroup() {
    ShowStatus(m_item.group);
    m_main.SendLine("GROUP " + m_item.group + "\r\n");
    std::string reply;
    if (!m_main.ReceiveLine(reply)) {
        ShowStatus(ResourceString(kIdsReceiveError));
        return false;
    }
    if (reply.compare(0, 1, "2") != 0) {
        m_main.Disconnect();
        ShowStatus(reply);
        m_main.SetProgress(0);
        return false;
    }
    return std::nullopt;
}

CGroupHeadersJob::Step CGroupHeadersJob::OpenPaths() {
    INntpServices& services = m_worker.Services();
    m_paths = std::make_unique<CNntpConnection>(m_main.WorkerIndex(), services,
                                                m_worker.CancelFlagForConnections());
    m_paths->SetCountsGreetingBytes(false);
    switch (m_paths->ConnectAndGreet(services.NewsServer(), m_item.user, m_item.password,
                                     m_item.loginRequired != 0, services.Port())) {
        case CNntpConnection::EConnect::kReady:
            return std::nullopt;
        case CNntpConnection::EConnect::kConnectFailed:
            ClosePaths();
            return false;
        case CNntpConnection::EConnect::kLoginRefused:
            m_main.Disconnect();
            ClosePaths();
            m_main.SetProgress(0);
            return false;
        case CNntpConnection::EConnect::kNoReply:
            break;
    }
    return PathsFailed();
}

CGroupHeadersJob::Step CGroupHeadersJob::SelectPathGroup() {
    m_paths->SendLine("GROUP " + m_item.group + "\r\n");
    std::string reply;
    if (!m_paths->ReceiveLine(reply)) return PathsFailed();
    if (reply.compare(0, 3, "211") != 0) {
        ClosePaths();
        ShowStatus(ResourceString(kIdsGroupUnknown));
        m_main.SetProgress(0);
        return true;
    }
    // An empty group, or a reply without its numbers: nothing to fetch.
    if (!ParseGroupReply(reply, m_bounds) || m_bounds.count <= 0 ||
        (m_bounds.first <= 0 && m_bounds.last <= 0)) {
        ClosePaths();
        ShowStatus("");
        m_main.SetProgress(0);
        return true;
    }
    return std::nullopt;
}

void CGroupHeadersJob::RequestRange() {
    // The start is inclusive: the last article seen is fetched again and the window drops it.
    const long start = std::max(m_item.startNumber, m_bounds.first);
    char range[64];
    std::snprintf(range, sizeof range, "%ld-%ld\r\n", start, m_bounds.last);
    m_main.SendLine(std::string("XOVER ") + range);
    m_paths->SendLine(std::string("XHDR PATH ") + range);
}

CGroupHeadersJob::Step CGroupHeadersJob::ReadListingReplies(std::string& line) {
    std::string reply;
    if (!m_paths->ReceiveLine(reply)) return PathsFailed();
    // A server without the command still gives every record, only without origins.
    m_pathsAvailable = reply.compare(0, 3, "221") == 0;
    if (!m_main.ReceiveLine(reply)) return MainFailed();
    if (reply.compare(0, 3, "224") != 0) return Finish();
    if (!m_main.ReceiveLine(line)) return MainFailed();
    return std::nullopt;
}

bool CGroupHeadersJob::ReadListing(std::string& line) {
    // One copy of the name for every record of the listing.
    const CSharedText group(m_item.group);
    while (line != ".") {
        if (m_worker.IsCancelled()) return Cancelled();
        auto article = std::make_unique<CArticle>();
        article->SetNewsgroup(group);
        article->SetAttachment(m_item.attachmentFlag != 0);
        std::string_view xref;
        // A line that names no article gives no record, and the listing goes on.
        if (ParseOverviewLine(line, *article, xref)) {
            const std::int32_t number = article->ArticleNumber();
            ShowProgress(number);
            if (!ReadOrigin(*article)) return PathsFailed();
            CollectCrossposts(xref, number);
            PostToWindow(m_item, UWM_ARTICLE_HEADER, std::move(article));
        }
        if (!m_main.ReceiveLine(line)) return MainFailed();
    }
    return Finish();
}

// Per mille of the group's range; the control itself moves only every twentieth.
void CGroupHeadersJob::ShowProgress(std::int32_t number) {
    long long span = static_cast<long long>(m_bounds.last) - m_bounds.first + 1;
    if (span <= 0) span = 1;
    m_main.SetProgress(
        static_cast<int>((number - static_cast<long long>(m_bounds.first)) * 1000 / span));
}

// Reads path lines up to the article's number. The two listings run in the same order, so the
// path stream never has to go back.
bool CGroupHeadersJob::ReadOrigin(CArticle& article) {
    if (!m_pathsAvailable) return true;
    const long number = article.ArticleNumber();
    while (m_pathNumber < number && !m_pathsEnded) {
        if (!m_paths->ReceiveLine(m_scratch)) return false;
        if (m_scratch == ".") {
            m_pathsEnded = true;
            break;
        }
        long pathNumber = 0;
        // A line without a number ends the paths for this article only.
        if (!ReadLong(m_scratch, pathNumber)) break;
        m_pathNumber = pathNumber;
        m_pathLine.swap(m_scratch);
    }
    if (m_pathNumber == number) article.SetOrigin(OriginFromPathLine(m_pathLine));
    return true;
}

void CGroupHeadersJob::CollectCrossposts(std::string_view xref, std::int32_t number) {
    ForEachCrosspost(xref, m_item.group, number, [this](std::string_view group, std::int32_t n) {
        // The option is read at each entry, so a setup changed meanwhile counts at once.
        if (!m_worker.Services().CollectCrosspostsOnce()) return;
        if (auto full = m_crossposts.Add(group, n))
            PostToWindow(m_item, UWM_CROSSPOSTS, std::move(full));
    });
}

void CGroupHeadersJob::PostPendingCrossposts() {
    if (auto pending = m_crossposts.TakePending()) {
        PostToWindow(m_item, UWM_CROSSPOSTS, std::move(pending));
    }
}

bool CGroupHeadersJob::Finish() {
    ClosePaths();
    ShowStatus("");
    m_main.SetProgress(0);
    PostPendingCrossposts();
    return true;
}

bool CGroupHeadersJob::Cancelled() {
    m_main.Disconnect();
    return Finish();
}

// An error or time-out on the path connection ends the job without taking back what was
// posted: both connections close and the records so far stand.
bool CGroupHeadersJob::PathsFailed() {
    if (m_worker.IsCancelled()) return Cancelled();
    m_main.Disconnect();
    ClosePaths();
    ShowStatus(ResourceString(kIdsReceiveError));
    m_main.SetProgress(0);
    PostPendingCrossposts();
    return true;
}

// A read on the worker's connection failed (that connection is closed already). A cancel
// ends a waiting read the same way; it is then no error.
bool CGroupHeadersJob::MainFailed() {
    if (m_worker.IsCancelled()) return Cancelled();
    ShowStatus(ResourceString(kIdsReceiveError));
    ClosePaths();
    PostPendingCrossposts();
    return false;
}

}  // namespace

bool DoGroupHeaders(CCorvaneWorker& worker, CWorkItem& item) {
    CGroupHeadersJob job(worker, item);
    return job.Run();
}

}  // namespace corvane
