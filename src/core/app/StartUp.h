#pragma once

#include "AppState.h"
#include "StartOptions.h"
#include "core/hotkey/HotKey.h"
#include "core/model/Library.h"
#include "core/picker/PickerModel.h"
#include "core/platform/LoginItem.h"
#include "core/platform/SettingsStore.h"

#include <string>
#include <vector>

namespace quillo {

/// What the desktop program does when it starts and when it quits, once the command line
/// has asked for no mode of its own.
namespace StartUp {

/// The long-lived parts the start wires together.
struct Parts {
    HotKey& hotKey;
    PickerModel& picker;
    AppState& app;
    SettingsStore& settings;
    LoginItem& loginItem;
};

/// The setting that says the program has started before.
inline constexpr const char* didFirstLaunchKey = "didFirstLaunch";

/// Wires the shortcut to the picker and registers the saved one (a refusal is not
/// reported here), lets the picker show snippets in the library, starts the permission
/// poll and, on the very first start only, starts the program at login from now on.
/// Touches neither the library nor any window.
void start(const Parts& parts);

/// Before the program ends: writes a save still waiting, at once.
void quit(Library& library);

} // namespace StartUp

} // namespace quillo
