#pragma once
// How the test server misbehaves on purpose. A plain value: the server copies it into each
// connection when the connection is accepted, so a change never reaches a running session.
#include <set>
#include <string>

namespace corvane::testserver {

struct SBehaviour {
    // Every command but AUTHINFO, MODE READER and QUIT gets "480" until the peer logged in.
    bool requireAuth = false;
    std::string user = "tester", password = "secret";
    // AUTHINFO PASS always gets "481 Authentication failed".
    bool refusePassword = false;
    // When not empty, sent verbatim as the reply to AUTHINFO PASS; a reply starting "281"
    // also logs the peer in.
    std::string passReply;
    // MODE READER gets "502 Permission denied".
    bool modeReaderError = false;
    // >= 0: after that many commands answered, keep reading but never answer again
    // (0 = answer nothing at all, not even a greeting).
    int silentAfterCommands = -1;
    // >= 0: close the connection after sending that many lines in total, greeting included;
    // this may cut a multi-line reply in the middle.
    int dropAfterLines = -1;
    // HEAD/BODY of these numbers get "423 No such article number".
    std::set<long> missingArticles;
    // HEAD/BODY <id> of these get "430 No such article".
    std::set<std::string> missingMessageIds;
    // HEAD/BODY of these numbers get "430 No such article", as from a server that looks every
    // article up by its message-ID and found this one expired.
    std::set<long> goneArticles;
    // BODY of these numbers gets "423 No such article number" while HEAD still works: the
    // article expired between the two commands.
    std::set<long> missingBodies;
    // When not empty, GROUP of an existing group gets this reply verbatim (the group is still
    // selected), for replies a real spool never gives: "211 0 0 0", "211 junk", "215 odd".
    std::string groupReply;
    // XHDR gets "500 Unknown command", as from a server that lacks it.
    bool noXhdr = false;
    // A command verb ("BODY", "XOVER", ...): its reply becomes bytes without any line end,
    // sent until the peer goes away.
    std::string endlessLineAfter;
};

}  // namespace corvane::testserver
