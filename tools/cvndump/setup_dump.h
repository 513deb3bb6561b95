#pragma once
// A readable listing of a loaded setup file, for people looking into a file by hand. Reads
// the contents only; any thread that owns them may call it.
#include <ostream>

#include "setup/setup_file.h"

namespace corvane {

// Every value of the setup, its groups and rules, the log, the articles with their parts,
// and the three maps in file order. Text from the file is escaped, so a hostile file cannot
// send control sequences to the terminal.
void DumpSetupFile(const CSetupFileContents& contents, std::ostream& out);

}  // namespace corvane
