#pragma once

#include <filesystem>

namespace quillo {

/// Where Quillo's programs are. `quillo` is the command people type. It answers what needs
/// neither the library nor a window itself and hands the rest on: the library's modes to
/// quillo-commands, windows to quillo-desktop. In the build tree all three sit side by
/// side; installed, the command is in PREFIX/bin and the others in PREFIX/libexec/quillo.
namespace ProgramFiles {

/// The running program's own file.
std::filesystem::path runningProgram();

/// The desktop program that goes with the command `command`.
std::filesystem::path desktopProgramFor(const std::filesystem::path& command);

/// The program that runs the command line's modes that read or write the library, which
/// goes with the command `command`.
std::filesystem::path libraryCommandsFor(const std::filesystem::path& command);

/// The command that goes with the desktop program `desktop`: what the autostart entry and
/// the desktop's shortcut run.
std::filesystem::path commandFor(const std::filesystem::path& desktop);

} // namespace ProgramFiles

} // namespace quillo
