#pragma once
// Kill Person and Kill Site: turn the author or the site of one article into a rule that
// excludes their future postings. Main thread only, on the current setup. The new condition
// is appended to the setup's kill rule (made as "Kill" when the setup has none) and owned by
// it; the article is only read. The article list is not filtered here: the rule applies when
// criteria are next evaluated.
#include <string_view>

#include "setup/article.h"
#include "setup/setup.h"

namespace corvane {

// Adds "author = the article's From text" to the kill rule. Killing the same author twice
// adds the condition twice, as the user asked twice.
void KillPerson(CSetup& setup, const CArticle& article);
// Adds "origin = the article's Origin text" to the kill rule.
void KillSite(CSetup& setup, const CArticle& article);

// The same rules from texts alone, for callers that hold no article (the attachment browser
// bans the poster or the site of a downloaded file from its log entry).
void KillPerson(CSetup& setup, std::string_view author);
void KillSite(CSetup& setup, std::string_view origin);

}  // namespace corvane
