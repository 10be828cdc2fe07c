#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillo {

// Key combinations as GNOME keeps them in its settings, in GTK's accelerator form:
// "<Control><Alt>space".

/// An accelerator taken apart: Carbon modifier bits (Command 0x100 = Super, Shift 0x200,
/// Option 0x800 = Alt, Control 0x1000) and the key's name as written.
struct ParsedAccelerator {
    std::uint32_t modifiers = 0;
    std::string keyName;
    friend bool operator==(const ParsedAccelerator&, const ParsedAccelerator&) = default;
};

/// The accelerator of a keysym name and Carbon modifier bits, modifiers in the order GNOME's
/// Settings writes them ("<Shift><Control><Alt><Super>").
std::string gnomeAccelerator(std::string_view keysymName, std::uint32_t modifiers);

/// Absent for an empty or "disabled" accelerator, one without a key, and one with a modifier
/// our combinations can't have (Hyper, Meta, Mod2, Mod3, Mod5, Release). Modifier names are
/// matched without regard to case; Ctrl, Ctl and Primary are Control, Mod1 is Alt, Mod4 is
/// Super, Shft is Shift.
std::optional<ParsedAccelerator> parseGnomeAccelerator(std::string_view accelerator);

} // namespace quillo
