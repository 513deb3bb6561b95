#include "platform/data_directory.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace corvane {
namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

// Trailing slashes would double up when a file name is appended; the root itself keeps its one.
std::string WithoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

std::string HomeDirectory() {
    std::string home = Environment("HOME");
    if (!home.empty()) return home;
    // A service started without HOME still has a password entry to fall back on.
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir) return entry->pw_dir;
    return "/tmp";
}

bool IsDirectory(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string ProgramDataDirectory() {
    std::string dir = Environment("CORVANE_HOME");
    if (dir.empty()) {
        // A relative XDG_DATA_HOME is invalid and must be ignored, so that the data never
        // depends on the directory the program happened to be started from.
        std::string xdg = Environment("XDG_DATA_HOME");
        if (!xdg.empty() && xdg.front() == '/') {
            dir = WithoutTrailingSlash(xdg) + "/Corvane";
        } else {
            dir = WithoutTrailingSlash(HomeDirectory()) + "/.local/share/Corvane";
        }
    }
    dir = WithoutTrailingSlash(dir);
    MakeDirectoryPath(dir);
    return dir;
}

bool MakeDirectoryPath(const std::string& path) {
    if (path.empty()) return false;
    // Walk the components from the top so that each parent exists before its child is made.
    size_t end = 0;
    while (end != std::string::npos) {
        end = path.find('/', end + 1);
        std::string part = path.substr(0, end);
        if (part.empty() || part.back() == '/') continue;  // leading or doubled slash
        if (mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return false;
    }
    // EEXIST also covers a regular file in the way, and another process may have raced us to
    // the directory: only the final state counts.
    return IsDirectory(path);
}

}  // namespace corvane
