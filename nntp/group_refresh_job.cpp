#include "nntp/group_refresh_job.h"

#include "nntp/group_number.h"
#include "nntp/jobs.h"
#include "nntp/overview.h"
#include "resources/string_table.h"
#include "work/messages.h"

namespace corvane {

bool DoGroupRefresh(CCorvaneWorker& worker, CWorkItem& item) {
    if (!worker.ConnectFor(item)) return false;
    CNntpConnection& connection = worker.Connection();
    connection.SetStatusText(item.group + ResourceString(kIdsUpdating));
    connection.SendLine("GROUP " + item.group + "\r\n");
    std::string reply;
    if (!connection.ReceiveLine(reply)) {
        connection.SetStatusText(ResourceString(kIdsReceiveError));
        return false;
    }
    if (reply.compare(0, 1, "2") != 0) {
        connection.Disconnect();
        connection.SetStatusText("");
        connection.SetProgress(0);
        return false;
    }
    if (reply.compare(0, 3, "211") != 0) {
        connection.SetStatusText(ResourceString(kIdsGroupUnknown));
        connection.SetProgress(0);
        return true;
    }
    SGroupBounds bounds;
    // An empty or unreadable group has nothing to report; that is no failure of the job.
    if (ParseGroupReply(reply, bounds) && bounds.count > 0 &&
        (bounds.first > 0 || bounds.last > 0)) {
        PostToWindow(
            item, UWM_GROUP_FIRST,
            std::make_unique<CGroupNumber>(item.group, static_cast<std::int32_t>(bounds.first)));
    }
    connection.SetStatusText("");
    connection.SetProgress(0);
    return true;
}

}  // namespace corvane
