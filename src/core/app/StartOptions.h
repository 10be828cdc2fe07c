#pragma once

#include "InstanceProtocol.h"

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

/// What the start asks of a Quillo already running: the picker (with the desktop's focus
/// token from XDG_ACTIVATION_TOKEN, which lets its window come to the front), the settings,
/// or else the library.
InstanceRequest requestOf(const std::vector<std::string>& arguments);

} // namespace quillo::StartUp
