#pragma once

#include <cstdint>
#include <optional>

// Qt names keys by its own Qt::Key values; the program by macOS virtual key codes (see
// KeyTranslation.h). These go from Qt's keys to X keysyms and on to the program's codes.
namespace quillo::keys {

/// The keysym a Qt key types with no modifier (lower case for letters); absent for keys
/// without one the program knows.
std::optional<std::uint32_t> keysymForQtKey(int key);
/// The Qt key a keysym is reported as (upper case for letters); absent for keysyms that are
/// neither characters nor keys the program knows.
std::optional<int> qtKeyForKeysym(std::uint32_t keysym);
/// Carbon bits of a global shortcut (Command 0x100 = Super, Shift 0x200, Option 0x800 = Alt,
/// Control 0x1000) as Qt::KeyboardModifiers bits; other bits are ignored.
int qtModifiersForShortcut(std::uint32_t shortcutModifiers);
/// The program's code for a Qt key; KeyCode::unknown when it has none.
std::uint16_t keyCodeForQtKey(int key);
/// The program's code for the key that types a keysym; KeyCode::unknown when it has none.
std::uint16_t keyCodeOrUnknown(std::uint32_t keysym);
/// Shift, Control, Alt, Super and the lock keys: pressed alone they make no key-down for
/// the core (macOS reports them as a change of modifiers).
bool isModifierQtKey(int key);

} // namespace quillo::keys
