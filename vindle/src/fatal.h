#pragma once
// The end of the road for a failure inside an export: the text goes to the program's reporter
// (or standard error) and the process ends at once, still holding the library mutex, so the
// next process to take it knows to recover the cache.
namespace vindle {

[[noreturn]] void ReportFatal(const char* kind, const char* exportName, int code);

}  // namespace vindle
