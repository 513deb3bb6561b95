#pragma once
// Ending the process without the orderly shut-down: after the user forced the end, workers may
// sit in a read that lasts the whole socket time-out, and waiting for them in the destructors
// would keep a window-less program alive. The setup was saved when the close began.
#include <cstdio>
#include <cstdlib>
#include <iostream>

namespace corvane {

[[noreturn]] inline void EndProcessNow(int status) {
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    std::_Exit(status);
}

}  // namespace corvane
