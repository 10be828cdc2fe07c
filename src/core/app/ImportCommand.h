#pragma once

#include "core/import/ATextImporter.h"
#include "core/model/Library.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
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

/// Offers the import to a running Quillo: its exit status when one took it (and answered),
/// absent when none is running.
using ImportHandOver = std::function<std::optional<int>()>;

/// `quillo --import-atext PATH`: hands the import to a running Quillo through `handOver`
/// when there is one; otherwise, as the library's one writer, imports the backup into the
/// user's library, saves it and prints one line on `out`. While another command-line import
/// writes the library it waits (by default as long as the running program may take to
/// import a large backup), saying so on `err`. Returns the exit status.
int runImportCommand(const std::filesystem::path& backup, std::ostream& out, std::ostream& err,
                     const ImportHandOver& handOver = {},
                     std::chrono::milliseconds wait = std::chrono::minutes(10));

} // namespace quillo
