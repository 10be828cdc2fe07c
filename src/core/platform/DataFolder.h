#pragma once

#include <filesystem>

namespace quillo {

/// The per-user folder for application data: $XDG_DATA_HOME when it is set to an
/// absolute path, else ~/.local/share (the XDG base directory rules). The program's
/// own folder is created inside it.
std::filesystem::path userDataFolder();

/// The user's home folder: $HOME, else the password database's entry.
std::filesystem::path userHomeFolder();

} // namespace quillo
