#pragma once

#include "core/import/ATextImporter.h"
#include "core/model/Library.h"

#include <filesystem>
#include <ostream>
#include <string>

namespace quillo {

/// The outcome of an import asked for from the command line: the line to print and the
/// exit status (0 imported, 1 not).
struct ImportReport {
    int status = 0;
    std::string line;
};

/// Imports the backup into the library and saves it at once. An import that the library
/// can't save is a failure: its snippets would live only in memory.
ImportReport importAndSave(ATextImporter& importer, Library& library,
                           const std::filesystem::path& backup);

/// `quillo --import-atext PATH` when no Quillo is running: imports the backup into the
/// user's library, saves it and prints one line. Returns the exit status.
int runImportCommand(const std::filesystem::path& backup, std::ostream& out);

} // namespace quillo
