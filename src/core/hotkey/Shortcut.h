#pragma once

#include "core/platform/KeyEvent.h"
#include "core/platform/SettingsStore.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillo {

/// Modifier bits of a shortcut, as the hot key service takes them (Carbon numbering, kept
/// so stored shortcuts carry over).
namespace ShortcutModifier {
inline constexpr std::uint32_t command = 0x100; // Super
inline constexpr std::uint32_t shift = 0x200;
inline constexpr std::uint32_t option = 0x800; // Alt
inline constexpr std::uint32_t control = 0x1000;
} // namespace ShortcutModifier

/// A system-wide key combination: a virtual key code, modifier bits and the key's name as
/// it was when the shortcut was recorded.
struct Shortcut {
    std::uint32_t keyCode = 0;
    std::uint32_t modifiers = 0;
    std::string keyName{};

    friend bool operator==(const Shortcut&, const Shortcut&) = default;

    /// Ctrl+Alt+Space.
    static Shortcut defaultPicker();

    /// The modifiers in the order Ctrl, Alt, Shift, Super, then the key ("Ctrl+Alt+Space").
    std::string displayString() const;

    /// The shortcut a key-down event records; absent unless Command, Option or Control is
    /// held. Modifier flags other than the four are dropped.
    static std::optional<Shortcut> fromEvent(const KeyEvent& event);

    /// One JSON object with "keyCode", "modifiers" and "keyName". Throws
    /// std::invalid_argument when the key name is not valid UTF-8.
    std::string toJson() const;
    /// Absent unless the text is such an object with two numbers in the unsigned 32-bit
    /// range and a string; other keys are ignored.
    static std::optional<Shortcut> fromJson(std::string_view json);

    /// The shortcut stored under "pickerShortcut", or the default when none is stored or it
    /// cannot be read (the bad value is left as it is).
    static Shortcut saved(const SettingsStore& settings);
    /// Stores the shortcut; one that cannot be encoded removes the stored value instead.
    static void save(const Shortcut& shortcut, SettingsStore& settings);
};

} // namespace quillo
