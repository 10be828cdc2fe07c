#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>

struct xkb_keymap;
struct zwp_virtual_keyboard_v1;

namespace quillo {

class WaylandConnection;

/// The modifiers VirtualKeyboard holds, as X core modifier bits (KeyTranslation's masks).
namespace VirtualModifier {
inline constexpr std::uint16_t shift = 0x01;
inline constexpr std::uint16_t control = 0x04;
inline constexpr std::uint16_t alt = 0x08;   // Mod1
inline constexpr std::uint16_t super = 0x40; // Mod4
} // namespace VirtualModifier

/// A keyboard of the program's own on the compositor's seat (zwp_virtual_keyboard_v1),
/// typing through its own "us" keymap: the user's layout (Dvorak, Cyrillic) cannot change
/// what its keys type. Make it once and keep it: applications bind to a new keyboard only
/// after it appears, and the first key of a fresh one is lost meanwhile.
class VirtualKeyboard {
public:
    /// Null when the compositor offers no virtual keyboard or no seat, or when the keymap
    /// cannot be built (no XKB data).
    static std::unique_ptr<VirtualKeyboard> create(std::shared_ptr<WaylandConnection> connection);
    ~VirtualKeyboard();
    VirtualKeyboard(const VirtualKeyboard&) = delete;
    VirtualKeyboard& operator=(const VirtualKeyboard&) = delete;

    /// Presses and releases the key that types `keysym` while `modifiers` (VirtualModifier
    /// bits) are held; a keysym of the shifted level holds Shift too. Sends nothing and
    /// returns false when no key types it.
    bool tap(std::uint32_t keysym, std::uint16_t modifiers = 0);

private:
    struct Key {
        std::uint32_t keycode = 0;      // evdev numbering, as the protocol wants
        std::uint32_t levelModifiers{}; // XKB modifier mask that reaches the keysym's level
    };

    static std::map<std::uint32_t, Key> keysOf(xkb_keymap* keymap);
    VirtualKeyboard(std::shared_ptr<WaylandConnection> connection,
                    zwp_virtual_keyboard_v1* keyboard, std::map<std::uint32_t, Key> keys,
                    std::array<std::uint32_t, 8> modifierMasks);
    std::uint32_t xkbModifiers(std::uint16_t modifiers) const;

    std::shared_ptr<WaylandConnection> connection_;
    zwp_virtual_keyboard_v1* keyboard_;
    std::map<std::uint32_t, Key> keys_;
    /// The XKB mask of each X core modifier bit (Shift, Lock, Control, Mod1..Mod5).
    std::array<std::uint32_t, 8> modifierMasks_;
};

} // namespace quillo
