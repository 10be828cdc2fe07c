#pragma once

#include <filesystem>

namespace quillo {

/// Where Quillo's parts are. `quillo` is the command people type. It answers what needs
/// neither the library nor a window itself and hands the rest on: the library's modes to
/// the quillo-commands program, windows to the desktop module, which it loads into its own
/// process (the desktop knows a program by its file, and grants KDE's keyboard to `quillo`).
/// In the build tree all three sit side by side; installed, the command is in PREFIX/bin,
/// quillo-commands in PREFIX/libexec/quillo and the module in PREFIX/LIBDIR/quillo.
namespace ProgramFiles {

/// The running program's own file.
std::filesystem::path runningProgram();

/// The desktop module that goes with the command `command`.
std::filesystem::path desktopModuleFor(const std::filesystem::path& command);

/// The program that runs the command line's modes that read or write the library, which
/// goes with the command `command`.
std::filesystem::path libraryCommandsFor(const std::filesystem::path& command);

/// The folder of the translations' catalogs for the program `program` (the quillo command
/// or quillo-commands): beside it in the build tree, PREFIX/share/locale installed.
std::filesystem::path catalogsFor(const std::filesystem::path& program);

} // namespace ProgramFiles

} // namespace quillo
