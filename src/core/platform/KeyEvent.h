#pragma once

#include <cstdint>
#include <string>

namespace quillo {

/// Modifier flags of a key event, in the program's own numbering (the macOS event flags,
/// which the stored shortcut and every key table use). The platform layer translates.
namespace ModifierFlag {
inline constexpr std::uint64_t shift = 0x20000;
inline constexpr std::uint64_t control = 0x40000;
inline constexpr std::uint64_t option = 0x80000;   // Alt
inline constexpr std::uint64_t command = 0x100000; // Super for the global shortcut; Ctrl in
                                                   // the program's own windows
} // namespace ModifierFlag

/// Virtual key codes the program refers to (the ANSI layout's macOS numbering).
namespace KeyCode {
inline constexpr std::uint16_t v = 9;
inline constexpr std::uint16_t e = 14;
inline constexpr std::uint16_t returnKey = 36;
inline constexpr std::uint16_t tab = 48;
inline constexpr std::uint16_t space = 49;
inline constexpr std::uint16_t escape = 53;
inline constexpr std::uint16_t keypadEnter = 76;
inline constexpr std::uint16_t downArrow = 125;
inline constexpr std::uint16_t upArrow = 126;
/// A key with no code of its own in that numbering (a key of another layout, a media key).
inline constexpr std::uint16_t unknown = 0xFFFF;
} // namespace KeyCode

/// A key-down event as the core sees it.
struct KeyEvent {
    std::uint16_t keyCode = 0;
    std::uint64_t modifierFlags = 0;
    /// What the key types with no modifier held ("k" for the K key); may be empty.
    std::string charactersIgnoringModifiers{};
    /// True while an input method holds uncommitted text in the focused field.
    bool hasMarkedText = false;
};

} // namespace quillo
