#include "tools/cvndump/setup_dump.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <utility>

namespace corvane {

namespace {

std::string Quote(std::string_view text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7F || c == '"' || c == '\\') {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

void DumpSetup(const CSetup& s, std::ostream& out) {
    out << "setup\n";
    out << "  news server: " << Quote(s.NewsServer()) << "\n";
    out << "  user: " << Quote(s.User()) << "\n";
    // The listing may end up in a bug report; the password itself stays in the file.
    out << "  password: " << s.Password().size() << " characters\n";
    out << "  save path: " << Quote(s.SavePath()) << "\n";
    out << "  dial-up entry: " << Quote(s.DialUpEntry()) << "\n";
    const std::pair<const char*, std::int32_t CSetup::*> ints[] = {
        {"auto-queue articles", &CSetup::m_autoQueueArticles},
        {"requires login", &CSetup::m_requiresLogin},
        {"threads", &CSetup::m_threads},
        {"give-up lines", &CSetup::m_giveUpLines},
        {"overwrite", &CSetup::m_overwrite},
        {"port", &CSetup::m_port},
        {"connect if not connected", &CSetup::m_connectIfNotConnected},
        {"hang up when finished", &CSetup::m_hangUpWhenFinished},
        {"direct connection", &CSetup::m_directConnection},
        {"delay-start seconds", &CSetup::m_delayStartSeconds},
        {"shut-down-after seconds", &CSetup::m_shutDownAfterSeconds},
        {"delay start", &CSetup::m_delayStart},
        {"hide while downloading", &CSetup::m_hideWhileDownloading},
        {"shut-down mode", &CSetup::m_shutDownMode},
        {"process articles before groups", &CSetup::m_processArticlesBeforeGroups},
        {"reserved", &CSetup::m_reserved},
        {"log present", &CSetup::m_logPresent},
        {"auto-save minutes", &CSetup::m_autoSaveMinutes},
        {"ranges present", &CSetup::m_rangesPresent},
        {"crossposts once", &CSetup::m_crosspostsOnce},
        {"by article number", &CSetup::m_byArticleNumber},
        {"show thumbnails", &CSetup::m_showThumbnails},
        {"use file database", &CSetup::m_useFileDatabase},
        {"log downloads", &CSetup::m_logDownloads},
        {"time-out minutes", &CSetup::m_timeOutMinutes},
    };
    for (const auto& [name, field] : ints) out << "  " << name << ": " << s.*field << "\n";
    out << "groups: " << s.m_groups.size() << "\n";
    for (const auto& g : s.m_groups) {
        out << "  " << Quote(g->Name()) << " enabled " << g->m_enabled << " type " << g->m_type
            << " path " << Quote(g->RelativePath()) << " highest " << g->m_highestArticle << "\n";
    }
    out << "criteria groups: " << s.m_criteriaGroups.size() << "\n";
    for (const auto& rule : s.m_criteriaGroups) {
        out << "  " << Quote(rule->m_name) << " action "
            << CCriteriaGroup::ActionText(rule->m_action) << " (" << rule->m_action << ") logic "
            << (rule->m_logic == CCriteriaGroup::kLogicOr ? "or" : "and") << "\n";
        for (const auto& c : rule->m_criteria) {
            out << "    " << CCriteria::FieldText(c->m_field) << " (" << c->m_field << ") "
                << CCriteria::OperatorText(c->m_operator) << " (" << c->m_operator << ") "
                << Quote(c->m_value) << "\n";
        }
    }
}

void DumpArticleValues(const CArticle& a, std::ostream& out) {
    out << "subject " << Quote(a.Subject()) << " from " << Quote(a.From()) << " lines " << a.Lines()
        << " id " << Quote(a.MessageId()) << " group " << Quote(a.Newsgroup()) << " origin "
        << Quote(a.Origin()) << " attachment " << a.Attachment() << " number " << a.ArticleNumber()
        << " group count " << a.GroupCount() << " date " << Quote(a.Date()) << "\n";
}

void DumpArticles(const CSetupFileContents& c, std::ostream& out) {
    out << "articles: " << c.m_articles.size() << "\n";
    for (std::size_t i = 0; i < c.m_articles.size(); ++i) {
        const CArticle& a = *c.m_articles[i];
        out << "  #" << i << (a.IsMultiPart() ? " multi-part " : " ");
        DumpArticleValues(a, out);
        if (!a.IsMultiPart()) continue;
        const auto& m = static_cast<const CMultiPartArticle&>(a);
        for (std::int32_t n = 1; n <= m.PartCount(); ++n) {
            out << "    part " << n << "/" << m.PartCount() << ": ";
            if (const CArticle* part = m.Part(n))
                DumpArticleValues(*part, out);
            else
                out << "missing\n";
        }
    }
}

void DumpMaps(const CSetupFileContents& c, std::ostream& out) {
    out << "message-IDs: " << c.m_messageIds.Size() << "\n";
    c.m_messageIds.ForEach([&](const std::string& id, const std::unique_ptr<CMsgDetails>& d) {
        out << "  " << Quote(id) << " time " << d->Time() << "\n";
    });
    out << "multi-part map: " << c.m_multiParts.Size() << "\n";
    c.m_multiParts.ForEach([&](const std::string& base, const CMultiPartArticle* record) {
        std::size_t index = 0;
        while (index < c.m_articles.size() && c.m_articles[index].get() != record) ++index;
        out << "  " << Quote(base) << " -> article #" << index << "\n";
    });
    out << "ranges: " << c.m_ranges.Size() << "\n";
    c.m_ranges.Groups().ForEach(
        [&](const std::string& group, const std::unique_ptr<CGroupRange>& range) {
            out << "  " << Quote(group) << " low water " << range->LowWater() << ":";
            for (const CGroupRangeEntry& r : range->Ranges()) out << " " << r.low << "-" << r.high;
            out << "\n";
        });
}

}  // namespace

void DumpSetupFile(const CSetupFileContents& contents, std::ostream& out) {
    DumpSetup(*contents.m_setup, out);
    out << "download log: " << contents.m_log.Size() << "\n";
    contents.m_log.ForEach([&](const CLogEntry& e) {
        out << "  file " << Quote(e.FileName()) << " author " << Quote(e.Author()) << " group "
            << Quote(e.Newsgroup()) << " lines " << e.Lines() << " origin " << Quote(e.Origin())
            << " subject " << Quote(e.Subject()) << "\n";
    });
    DumpArticles(contents, out);
    DumpMaps(contents, out);
}

}  // namespace corvane
