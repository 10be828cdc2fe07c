#pragma once

#include <filesystem>

namespace quillo {

/// Where Quillo's two programs are. `quillo` is the command people type: the command line
/// runs in it, without any toolkit, and it starts the desktop program when a window is
/// wanted. In the build tree both sit side by side; installed, the command is in
/// PREFIX/bin and the desktop program in PREFIX/libexec/quillo.
namespace ProgramFiles {

/// The running program's own file.
std::filesystem::path runningProgram();

/// The desktop program that goes with the command `command`.
std::filesystem::path desktopProgramFor(const std::filesystem::path& command);

/// The command that goes with the desktop program `desktop`: what the autostart entry and
/// the desktop's shortcut run.
std::filesystem::path commandFor(const std::filesystem::path& desktop);

} // namespace ProgramFiles

} // namespace quillo
