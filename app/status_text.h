#pragma once
// The texts of the main window's status bar panes: throughput, queued work and lines, the
// start and stop times of auto mode and the estimated time to empty the queue. Pure functions
// of their arguments, callable from any thread; the times of day read the process's local
// time zone. Each answer is a new string owned by the caller.
#include <ctime>
#include <optional>
#include <string>

namespace corvane {

// Pane 1: bytes per second, as a whole number of at least six digits.
std::string CpsText(double bytesPerSecond);
// Pane 2: work items waiting in the thread manager's queues, at least five digits.
std::string QueuedWorkText(long long items);
// Pane 3: lines of the queued articles, at least seven digits.
std::string QueuedLinesText(long long lines);
// Panes 5 and 6: the local time of day of the moment.
std::string StartTimeText(std::time_t moment);
std::string StopTimeText(std::time_t moment);
// Pane 7: a duration as hours, minutes and seconds. Whole days are dropped, as the pane has
// room for a time of day only; a negative duration shows as zero.
std::string QueueTimeText(long long seconds);

// How long the queued lines take at the current throughput, assuming 62 bytes a line;
// nothing while the throughput is too low to say (0.01 bytes per second or less).
std::optional<long long> QueueSeconds(long long queuedLines, double bytesPerSecond);

}  // namespace corvane
