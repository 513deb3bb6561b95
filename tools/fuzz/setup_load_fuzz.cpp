// libFuzzer target: a whole setup file from untrusted bytes. A load must either succeed or
// show exactly the load-failure message and leave a usable state: a setup, no multi-part map
// value outside the article list, no null map value. Whatever loaded must save again.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "platform/prompt.h"
#include "resources/string_table.h"
#include "setup/setup_file.h"

namespace {

// A fixed clock, so a crash reproduces whatever day it is replayed on.
constexpr std::uint32_t kNow = 1'800'000'000;

void Check(bool condition) {
    if (!condition) std::abort();
}

void CheckState(const corvane::CSetupFileContents& c) {
    Check(c.m_setup != nullptr);
    c.m_multiParts.ForEach([&](const std::string&, const corvane::CMultiPartArticle* v) {
        Check(std::ranges::any_of(c.m_articles, [v](const auto& p) { return p.get() == v; }));
    });
    c.m_messageIds.ForEach([](const std::string&, const auto& v) {
        Check(v != nullptr && v->AgeInDays(kNow) <= corvane::CSetupFile::kMessageIdKeepDays);
    });
    c.m_ranges.Groups().ForEach([](const std::string&, const auto& v) { Check(v != nullptr); });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    corvane::CRecordingPrompt prompt;
    corvane::CSetupFile file(prompt);
    corvane::CSetupFileContents contents;
    const bool ok = file.LoadFromBytes(contents, std::span(data, size), kNow);
    if (ok) {
        Check(prompt.Messages().empty());
    } else {
        Check(prompt.Messages().size() == 1 &&
              prompt.Messages()[0] == corvane::ResourceString(corvane::kIdsSetupLoadFailed));
    }
    CheckState(contents);
    // Partly read state is saved by the program's next save too, so it must be writable.
    (void)corvane::CSetupFile::ToBytes(contents);
    return 0;
}
