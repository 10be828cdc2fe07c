#pragma once

#include <string_view>

namespace quillo {

/// True for the terminal emulators that paste with Ctrl+Shift+V, told by an exact name: an
/// X11 WM_CLASS name (instance or class) or a Wayland app id. A loose match would take "st"
/// for every program with an "st".
bool isTerminalApp(std::string_view name);

} // namespace quillo
