#include "nntp/jobs.h"

#include "nntp/article_job.h"
#include "nntp/group_headers_job.h"
#include "nntp/group_list_job.h"
#include "nntp/group_refresh_job.h"

namespace corvane {

CJobTable DefaultJobTable() {
    return CJobTable{
        {WorkKind::Article, DoArticle},
        {WorkKind::GroupHeaders, DoGroupHeaders},
        {WorkKind::GroupList, DoGroupList},
        {WorkKind::GroupRefresh, DoGroupRefresh},
    };
}

}  // namespace corvane
