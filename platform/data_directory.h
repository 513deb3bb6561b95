#pragma once
// Where the program keeps its own files (the file index, the per-server newsgroup indexes):
// one directory per user, chosen from the environment. Any thread may call; the answer only
// depends on the environment, which the program does not change while it runs. Hands back plain
// path strings without a trailing slash.
#include <string>

namespace corvane {

// `$CORVANE_HOME` when set and not empty, else `$XDG_DATA_HOME/Corvane` when that is an
// absolute path, else `$HOME/.local/share/Corvane`. The directory is created with every missing
// parent; when that fails the path is still returned, and opening a file there reports it.
std::string ProgramDataDirectory();

// Creates the directory and every missing directory above it. True when the path is a
// directory afterwards (also when it existed already), false when a part of it is not a
// directory or cannot be created.
bool MakeDirectoryPath(const std::string& path);

}  // namespace corvane
