#pragma once

#include <string>
#include <vector>

namespace quillo::StartUp {

// What a start of the program without a command-line mode asks for.

/// True when the program was started at login: the autostart entry passes "--autostart".
/// The program's path, first in `arguments`, is not looked at.
bool launchedAtLogin(const std::vector<std::string>& arguments);

/// True when the arguments ask for the settings window ("--settings").
bool opensSettings(const std::vector<std::string>& arguments);

/// True when the arguments ask for the picker ("--picker").
bool opensPicker(const std::vector<std::string>& arguments);

} // namespace quillo::StartUp
