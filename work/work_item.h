#pragma once
// One job for a worker: fetch a group's headers, download an article, fetch the group list or
// refresh a group's bounds. The main window makes it and owns it until it is added to the
// manager; then the manager and the running worker own it in turn, and the main window again
// once the manager reports it back. The connection values are copies taken from the setup when
// the item was made, so a setup replaced meanwhile does not change a running job.
#include <string>

#include "platform/message_queue.h"

namespace corvane {

class CArticle;

enum class WorkKind : int {
    Article = 1,
    GroupHeaders = 2,
    GroupList = 4,
    GroupRefresh = 5,
};

class CWorkItem {
public:
    CMessageQueue* window = nullptr;  // where the job's notifications go; not owned
    int priority = 2;                 // 0 in front of all, 1 high, 2 medium, 3 low
    std::string group;
    CArticle* article = nullptr;  // not owned: the record stays in the main window's list
    int kind = 0;                 // a WorkKind value; anything else is refused by the worker
    int loginRequired = 0;
    std::string user;
    std::string password;
    std::string server;
    std::string saveDirectory;
    int attachmentFlag = 0;
    int overwrite = 1;
    int port = 119;
    long startNumber = 0;

    WorkKind Kind() const { return static_cast<WorkKind>(kind); }
};

}  // namespace corvane
