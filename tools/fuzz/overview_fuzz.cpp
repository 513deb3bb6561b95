// Server listings are hostile input: every line of the fuzzer's text goes through the overview
// parser, the crosspost walk, the path-line origin and the GROUP reply reader, and each parsed
// record through the article store's intake (numbers seen, message-IDs, multi-part joining).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "nntp/overview.h"
#include "select/article_store.h"
#include "select/multi_part.h"
#include "setup/article.h"
#include "setup/setup.h"

namespace {

using namespace corvane;

void Require(bool condition) {
    if (!condition) std::abort();
}

bool Within(std::string_view part, std::string_view whole) {
    return part.empty() || (part.data() >= whole.data() && part.data() + part.size() <= whole.data() + whole.size());
}

void OneLine(std::string_view line, CArticleStore& store) {
    auto article = std::make_unique<CArticle>();
    std::string_view xref;
    if (ParseOverviewLine(line, *article, xref)) {
        Require(article->ArticleNumber() >= 1);
        Require(std::string_view(article->Subject()).size() <= line.size());
        Require(std::string_view(article->MessageId()).size() <= line.size());
        Require(article->Date().empty() || article->Date().size() == 19);
        Require(Within(xref, line));
        size_t entries = 0;
        ForEachCrosspost(xref, "alt.test", article->ArticleNumber(), [&](std::string_view group, std::int32_t) {
            Require(Within(group, line));
            ++entries;
        });
        Require(entries <= xref.size());
        ParseParts(*article);
        article->SetNewsgroup("alt.test");
        store.IntakeArticle(std::move(article));
    }
    const std::string_view origin = OriginFromPathLine(line);
    Require(Within(origin, line));
    Require(origin.find('!') == std::string_view::npos);
    SGroupBounds bounds;
    if (ParseGroupReply(line, bounds)) {
        Require(bounds.first <= INT32_MAX && bounds.last <= INT32_MAX);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CSetup setup;
    CArticleStore store(setup);
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        OneLine(text.substr(start, end - start), store);
        start = end + 1;
    }
    return 0;
}
