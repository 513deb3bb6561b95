#pragma once
// CSession: one connection's command loop. Owns the connection's protocol state (selected
// group, current article, login) and a copy of the behaviour taken when the connection was
// accepted. Runs entirely on the connection's own thread; hands every command line received
// to the log callback, which must be thread-safe. The descriptor stays owned by the caller.
#include <functional>
#include <string>
#include <vector>

#include "tools/news_server/behaviour.h"
#include "tools/news_server/line_channel.h"
#include "tools/news_server/spool.h"

namespace corvane::testserver {

class CSession {
public:
    using FLog = std::function<void(const std::string& line)>;

    CSession(int fd, SBehaviour behaviour, std::string spoolDirectory, FLog log);
    // Returns when the peer goes away, sends QUIT or a line too long, or the behaviour ends
    // the connection.
    void Run();

    struct SCommandLine {
        std::string verb;  // upper case
        std::vector<std::string> args;
        std::string rest;  // everything after the verb, blanks around it trimmed
    };

private:
    using FHandler = bool (CSession::*)(const SCommandLine&);
    struct SRange {
        long low = 0, high = 0;
    };

    bool Silent() const;
    // Each returns false when the connection must end.
    bool Answer(const std::string& line);
    bool Reply(const std::string& text) { return m_channel.SendLine(text); }
    bool SendEndless();
    FHandler HandlerFor(const std::string& verb) const;
    std::string ResolveRange(const std::vector<std::string>& args, size_t index, SRange& range);

    bool Quit(const SCommandLine& command);
    bool Mode(const SCommandLine& command);
    bool AuthInfo(const SCommandLine& command);
    bool Pass(const std::string& password);
    bool Group(const SCommandLine& command);
    bool Xover(const SCommandLine& command);
    bool Xhdr(const SCommandLine& command);
    bool XhdrById(const std::string& header, const std::string& messageId);
    bool Head(const SCommandLine& command) { return Fetch(command, true); }
    bool Body(const SCommandLine& command) { return Fetch(command, false); }
    bool Fetch(const SCommandLine& command, bool head);
    bool SendArticle(long number, const std::string& messageId, const SArticle& article, bool head);
    bool List(const SCommandLine& command);
    bool NewGroups(const SCommandLine& command);
    bool Date(const SCommandLine& command);

    CLineChannel m_channel;
    SBehaviour m_behaviour;
    CSpool m_spool;
    FLog m_log;
    std::string m_group;  // empty: none selected
    long m_current = 0;   // 0: no current article
    std::string m_user;
    bool m_userGiven = false;
    bool m_loggedIn = false;
    int m_answered = 0;
};

// Splits a command line into upper-cased verb, blank-separated arguments and the raw rest.
CSession::SCommandLine ParseCommandLine(const std::string& line);

}  // namespace corvane::testserver
