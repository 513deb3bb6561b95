#pragma once
// The few date and time texts of the test server: the group creation stamp, the moment a
// NEWGROUPS command asks about, and the DATE reply. Pure functions; any thread.
#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace corvane::testserver {

// "YYYYMMDD HHMMSS" in UTC (surrounding blanks and a line end allowed).
std::optional<std::time_t> ParseCreatedStamp(const std::string& text);

// The arguments of NEWGROUPS: "yymmdd hhmmss [GMT]" or "yyyymmdd hhmmss [GMT]". Without GMT
// the moment is in the server's local time. A two-digit year is taken from the century of
// `now` when not after now's year, else from the century before.
std::optional<std::time_t> ParseNewgroupsMoment(const std::vector<std::string>& arguments,
                                                std::time_t now);

// "111 yyyymmddhhmmss" in UTC.
std::string DateReply(std::time_t now);

}  // namespace corvane::testserver
