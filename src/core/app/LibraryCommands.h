#pragma once

#include "CommandLine.h"

#include <ostream>

namespace quillo::CommandLine {

// The commands that read the user's library file. Each reads it as it is now, without
// migrating, setting aside or writing anything (a missing file is an empty library),
// prints its answer on `out` and returns 0. A file that can't be read, or a snippet that
// isn't there, is told on `err` with status 1.

int runOnLibrary(const List& command, std::ostream& out, std::ostream& err);
int runOnLibrary(const Search& command, std::ostream& out, std::ostream& err);
int runOnLibrary(const Fields& command, std::ostream& out, std::ostream& err);
int runOnLibrary(const Render& command, std::ostream& out, std::ostream& err);

} // namespace quillo::CommandLine
