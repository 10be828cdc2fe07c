#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The program names keys by macOS virtual key codes and modifiers by Carbon bits (see
// Shortcut.h and KeyEvent.h), so stored shortcuts carry over; X11 names them by keysyms and
// modifier masks. These tables translate between the two. X modifier masks: Shift 0x1,
// Lock 0x2, Control 0x4, Mod1 (Alt) 0x8, Mod2 (usually Num Lock) 0x10, Mod4 (Super) 0x40.
namespace quillo::keys {

/// The keysym a key types without modifiers (lower case for letters); absent for keys the
/// program does not know.
std::optional<std::uint32_t> keysymForKeyCode(std::uint16_t keyCode);
/// That keysym's XKB name ("space", "k"), as desktops' shortcut settings write it; absent
/// for keys the program does not know.
std::optional<std::string> keysymNameForKeyCode(std::uint32_t keyCode);
/// The key that types a keysym; upper-case letters give their key too.
std::optional<std::uint16_t> keyCodeForKeysym(std::uint32_t keysym);

/// Carbon bits (Command 0x100 = Super, Shift 0x200, Option 0x800 = Alt, Control 0x1000) as
/// an X modifier mask; other bits are ignored.
std::uint16_t xModifiersForShortcut(std::uint32_t shortcutModifiers);
/// An X modifier state as Carbon bits; lock and pointer-button bits are ignored.
std::uint32_t shortcutModifiersForX(std::uint16_t xState);

/// Modifier flags of a posted key as an X modifier mask. Command is Ctrl here: posted keys
/// are the commands Linux programs know by Ctrl (Ctrl+V pastes).
std::uint16_t xModifiersForFlags(std::uint64_t modifierFlags);

/// True for Command-V alone, which means "paste": posters send the paste chord of the window
/// in front instead (Ctrl+V, or Ctrl+Shift+V in a terminal).
bool isPasteCommand(std::uint16_t keyCode, std::uint64_t modifierFlags);

/// The left-hand modifier keys that produce an X modifier mask, in the order they are
/// pressed: Control, Shift, Alt, Super.
std::vector<std::uint32_t> keysymsForXModifiers(std::uint16_t xMask);

} // namespace quillo::keys
