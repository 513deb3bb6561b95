// corvane: the program. This build runs the main window headless (`-nogui`); the desktop
// window comes with the GUI front end.
#include <iostream>
#include <string>
#include <vector>

#include "app/headless_front.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    bool noGui = false;
    for (const std::string& arg : args) noGui = noGui || arg == "-nogui" || arg == "/nogui";
    if (!noGui) std::cout << "corvane: this build has no desktop window yet; running without one\n";
    return corvane::RunHeadless(args);
}
