#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quillo {

/// Key bindings as sway's configuration writes them: "Ctrl+Mod1+space".
namespace SwayBindings {

/// The binding of a combination: a keysym name and Carbon modifier bits (Command 0x100 =
/// Super, Shift 0x200, Option 0x800 = Alt, Control 0x1000).
std::string combination(std::string_view keysymName, std::uint32_t modifiers);

/// The command a binding of Quillo's runs: the program, quoted for sway, with "--picker".
std::string pickerCommand(std::string_view program);

/// A binding of the configuration: its combination and command, variables ("$mod") replaced.
struct Binding {
    std::string combination;
    std::string command;
    friend bool operator==(const Binding&, const Binding&) = default;
};

/// The first `bindsym` in the default mode of `config` that a press of `combination` would
/// trigger: modifier names and their order and the key's case don't matter. Bindings inside
/// modes, `bindcode` and the contents of included files are not looked at.
std::optional<Binding> boundBy(std::string_view config, std::string_view combination);

} // namespace SwayBindings

} // namespace quillo
