#pragma once

#include <filesystem>
#include <ostream>

namespace quillo {

/// `quillo --import-atext PATH`: imports the backup into the user's library, saves it and
/// prints one line. Returns the process's exit status: 0 when imported, 1 when not.
int runImportCommand(const std::filesystem::path& backup, std::ostream& out);

} // namespace quillo
