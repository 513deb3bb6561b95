#include "tools/news_server/session.h"

#include <strings.h>

#include <cctype>
#include <ctime>
#include <limits>
#include <utility>

#include "tools/news_server/clock_text.h"

namespace corvane::testserver {
namespace {

constexpr const char* kGreeting = "200 Corvane test server ready (posting ok)";
constexpr const char* kSyntaxError = "501 Syntax error";
constexpr const char* kNoGroup = "412 No newsgroup selected";
constexpr const char* kNoCurrent = "420 No current article selected";
constexpr const char* kNoNumber = "423 No such article number";
constexpr const char* kNoId = "430 No such article";
constexpr size_t kMaxNumberDigits = 18;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string Trim(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Digits only: "+5" or "-5" are not article numbers, and a number longer than a long is not
// one either.
bool ParseNumber(const std::string& text, long& value) {
    if (text.empty() || text.size() > kMaxNumberDigits) return false;
    value = 0;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

// "Path", "Message-Id": how the header name is shown in the XHDR reply.
std::string HeaderTitle(const std::string& name) {
    std::string title = name;
    bool startOfWord = true;
    for (char& c : title) {
        const auto u = static_cast<unsigned char>(c);
        c = static_cast<char>(startOfWord ? std::toupper(u) : std::tolower(u));
        startOfWord = c == '-';
    }
    return title;
}

std::string HeaderField(const SArticle& article, const std::string& name) {
    auto value = article.Header(name);
    return value ? OverviewField(*value) : "(none)";
}

}  // namespace

CSession::SCommandLine ParseCommandLine(const std::string& line) {
    CSession::SCommandLine command;
    size_t at = 0;
    while (at < line.size() && IsBlank(line[at])) ++at;
    const size_t verbStart = at;
    while (at < line.size() && !IsBlank(line[at])) ++at;
    command.verb = Upper(line.substr(verbStart, at - verbStart));
    command.rest = Trim(line.substr(at));
    for (;;) {
        while (at < line.size() && IsBlank(line[at])) ++at;
        if (at == line.size()) break;
        const size_t start = at;
        while (at < line.size() && !IsBlank(line[at])) ++at;
        command.args.push_back(line.substr(start, at - start));
    }
    return command;
}

CSession::CSession(int fd, SBehaviour behaviour, std::string spoolDirectory, FLog log)
    : m_channel(fd, behaviour.dropAfterLines),
      m_behaviour(std::move(behaviour)),
      m_spool(std::move(spoolDirectory)),
      m_log(std::move(log)) {}

void CSession::Run() {
    if (!Silent() && (!m_channel.SendLine(kGreeting) || !m_channel.Flush())) return;
    std::string line;
    while (m_channel.ReadLine(line) == CLineChannel::ERead::kLine) {
        m_log(line);
        if (Silent()) continue;
        const bool keepGoing = Answer(line);
        ++m_answered;
        if (!m_channel.Flush() || !keepGoing) return;
    }
}

bool CSession::Silent() const {
    return m_behaviour.silentAfterCommands >= 0 && m_answered >= m_behaviour.silentAfterCommands;
}

bool CSession::Answer(const std::string& line) {
    const SCommandLine command = ParseCommandLine(line);
    if (!m_behaviour.endlessLineAfter.empty() &&
        command.verb == Upper(m_behaviour.endlessLineAfter)) {
        return SendEndless();
    }
    const bool openToAll =
        command.verb == "AUTHINFO" || command.verb == "MODE" || command.verb == "QUIT";
    if (m_behaviour.requireAuth && !m_loggedIn && !openToAll) {
        return Reply("480 Authentication required");
    }
    const FHandler handler = HandlerFor(command.verb);
    if (handler == nullptr || (m_behaviour.noXhdr && command.verb == "XHDR")) {
        return Reply("500 Unknown command");
    }
    return (this->*handler)(command);
}

bool CSession::SendEndless() {
    if (!m_channel.Flush()) return false;
    const std::string chunk(64 * 1024, 'x');
    while (m_channel.SendRaw(chunk.data(), chunk.size())) {
    }
    return false;
}

CSession::FHandler CSession::HandlerFor(const std::string& verb) const {
    static const std::pair<const char*, FHandler> kHandlers[] = {
        {"QUIT", &CSession::Quit},         {"MODE", &CSession::Mode},
        {"AUTHINFO", &CSession::AuthInfo}, {"GROUP", &CSession::Group},
        {"XOVER", &CSession::Xover},       {"XHDR", &CSession::Xhdr},
        {"HEAD", &CSession::Head},         {"BODY", &CSession::Body},
        {"LIST", &CSession::List},         {"NEWGROUPS", &CSession::NewGroups},
        {"DATE", &CSession::Date},
    };
    for (const auto& [name, handler] : kHandlers) {
        if (verb == name) return handler;
    }
    return nullptr;
}

bool CSession::Quit(const SCommandLine&) {
    Reply("205 closing connection");
    return false;
}

bool CSession::Mode(const SCommandLine& command) {
    if (command.args.size() != 1 || Upper(command.args[0]) != "READER") return Reply(kSyntaxError);
    return Reply(m_behaviour.modeReaderError ? "502 Permission denied" : "200 reader mode");
}

bool CSession::AuthInfo(const SCommandLine& command) {
    if (command.args.empty()) return Reply(kSyntaxError);
    const std::string sub = Upper(command.args[0]);
    const std::string value = Trim(command.rest.substr(command.args[0].size()));
    if (sub == "USER") {
        m_user = value;
        m_userGiven = true;
        m_loggedIn = false;
        return Reply("381 PASS required");
    }
    if (sub == "PASS") return Pass(value);
    return Reply(kSyntaxError);
}

bool CSession::Pass(const std::string& password) {
    if (!m_behaviour.passReply.empty()) {
        m_loggedIn = m_behaviour.passReply.compare(0, 3, "281") == 0;
        return Reply(m_behaviour.passReply);
    }
    if (m_behaviour.refusePassword) return Reply("481 Authentication failed");
    if (!m_userGiven) return Reply("482 Authentication commands issued out of sequence");
    m_loggedIn = m_user == m_behaviour.user && password == m_behaviour.password;
    return Reply(m_loggedIn ? "281 Authentication accepted" : "481 Authentication failed");
}

bool CSession::Group(const SCommandLine& command) {
    if (command.args.size() != 1) return Reply(kSyntaxError);
    const std::string& name = command.args[0];
    if (!m_spool.HasGroup(name)) return Reply("411 No such group " + name);
    const SGroupStats stats = m_spool.Stats(name);
    m_group = name;
    if (!m_behaviour.groupReply.empty()) {
        m_current = 0;
        return Reply(m_behaviour.groupReply);
    }
    m_current = stats.count > 0 ? stats.low : 0;
    return Reply("211 " + std::to_string(stats.count) + " " + std::to_string(stats.low) + " " +
                 std::to_string(stats.high) + " " + name);
}

// Fills the range from "n", "n-" or "n-m" at args[index], or from the current article when
// there is no such argument. Returns the error reply, empty on success.
std::string CSession::ResolveRange(const std::vector<std::string>& args, size_t index,
                                   SRange& range) {
    if (index >= args.size()) {
        if (m_current == 0) return kNoCurrent;
        range = SRange{m_current, m_current};
        return {};
    }
    const std::string& text = args[index];
    const size_t dash = text.find('-');
    if (!ParseNumber(text.substr(0, dash), range.low)) return kSyntaxError;
    if (dash == std::string::npos) {
        range.high = range.low;
    } else if (dash + 1 == text.size()) {
        range.high = std::numeric_limits<long>::max();
    } else if (!ParseNumber(text.substr(dash + 1), range.high)) {
        return kSyntaxError;
    }
    return {};
}

bool CSession::Xover(const SCommandLine& command) {
    if (command.args.size() > 1) return Reply(kSyntaxError);
    if (m_group.empty()) return Reply(kNoGroup);
    SRange range;
    if (auto error = ResolveRange(command.args, 0, range); !error.empty()) return Reply(error);
    if (!Reply("224 Overview information follows")) return false;
    for (long number : m_spool.ArticleNumbers(m_group)) {
        if (number < range.low || number > range.high) continue;
        auto article = m_spool.Read(m_group, number);
        if (article && !m_channel.SendDataLine(OverviewLine(m_group, number, *article))) {
            return false;
        }
    }
    return Reply(".");
}

bool CSession::Xhdr(const SCommandLine& command) {
    if (command.args.empty() || command.args.size() > 2) return Reply(kSyntaxError);
    const std::string& header = command.args[0];
    if (command.args.size() == 2 && command.args[1][0] == '<') {
        return XhdrById(header, command.args[1]);
    }
    if (m_group.empty()) return Reply(kNoGroup);
    SRange range;
    if (auto error = ResolveRange(command.args, 1, range); !error.empty()) return Reply(error);
    if (!Reply("221 " + HeaderTitle(header) + " header follows")) return false;
    for (long number : m_spool.ArticleNumbers(m_group)) {
        if (number < range.low || number > range.high) continue;
        auto article = m_spool.Read(m_group, number);
        if (!article) continue;
        if (!m_channel.SendDataLine(std::to_string(number) + " " + HeaderField(*article, header))) {
            return false;
        }
    }
    return Reply(".");
}

bool CSession::XhdrById(const std::string& header, const std::string& messageId) {
    auto found = m_spool.FindMessageId(messageId, m_group);
    auto article = found ? m_spool.Read(found->group, found->number) : std::nullopt;
    if (!article || m_behaviour.missingMessageIds.count(messageId)) return Reply(kNoId);
    return Reply("221 " + HeaderTitle(header) + " header follows") &&
           m_channel.SendDataLine(messageId + " " + HeaderField(*article, header)) && Reply(".");
}

bool CSession::Fetch(const SCommandLine& command, bool head) {
    if (command.args.size() > 1) return Reply(kSyntaxError);
    if (!command.args.empty() && command.args[0][0] == '<') {
        const std::string& id = command.args[0];
        if (m_behaviour.missingMessageIds.count(id)) return Reply(kNoId);
        auto found = m_spool.FindMessageId(id, m_group);
        auto article = found ? m_spool.Read(found->group, found->number) : std::nullopt;
        if (!article) return Reply(kNoId);
        return SendArticle(found->number, id, *article, head);
    }
    long number = m_current;
    if (!command.args.empty() && !ParseNumber(command.args[0], number)) return Reply(kSyntaxError);
    if (m_group.empty()) return Reply(kNoGroup);
    if (number == 0) return Reply(command.args.empty() ? kNoCurrent : kNoNumber);
    auto article = m_spool.Read(m_group, number);
    if (m_behaviour.goneArticles.count(number)) return Reply(kNoId);
    if (!article || m_behaviour.missingArticles.count(number)) return Reply(kNoNumber);
    if (!head && m_behaviour.missingBodies.count(number)) return Reply(kNoNumber);
    m_current = number;
    return SendArticle(number, MessageIdOf(*article), *article, head);
}

bool CSession::SendArticle(long number, const std::string& messageId, const SArticle& article,
                           bool head) {
    const std::string status = head ? "221 " : "222 ";
    if (!Reply(status + std::to_string(number) + " " + messageId + (head ? " head" : " body"))) {
        return false;
    }
    for (const std::string& line : head ? article.headerLines : article.bodyLines) {
        if (!m_channel.SendDataLine(line)) return false;
    }
    return Reply(".");
}

bool CSession::List(const SCommandLine& command) {
    if (!command.args.empty() && Upper(command.args[0]) != "ACTIVE") return Reply(kSyntaxError);
    if (!Reply("215 List of newsgroups follows")) return false;
    for (const std::string& group : m_spool.GroupNames()) {
        const SGroupStats stats = m_spool.Stats(group);
        if (!m_channel.SendDataLine(group + " " + std::to_string(stats.high) + " " +
                                    std::to_string(stats.low) + " y")) {
            return false;
        }
    }
    return Reply(".");
}

bool CSession::NewGroups(const SCommandLine& command) {
    const auto since = ParseNewgroupsMoment(command.args, std::time(nullptr));
    if (!since) return Reply(kSyntaxError);
    if (!Reply("231 New newsgroups follow")) return false;
    for (const std::string& group : m_spool.GroupNames()) {
        const auto created = m_spool.CreatedAt(group);
        if (!created || *created < *since) continue;
        const SGroupStats stats = m_spool.Stats(group);
        if (!m_channel.SendDataLine(group + " " + std::to_string(stats.high) + " " +
                                    std::to_string(stats.low) + " y")) {
            return false;
        }
    }
    return Reply(".");
}

bool CSession::Date(const SCommandLine&) {
    return Reply(DateReply(std::time(nullptr)));
}

}  // namespace corvane::testserver
