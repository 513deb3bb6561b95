#pragma once
// The article records' date form ("%Y-%m-%d %H:%M:%S") of a moment in this machine's local
// time, for tests that compare dates the program normalised.
#include <ctime>
#include <string>

namespace corvane::testsupport {

inline std::string LocalDisplayDate(std::time_t moment) {
    std::tm local{};
    localtime_r(&moment, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

}  // namespace corvane::testsupport
