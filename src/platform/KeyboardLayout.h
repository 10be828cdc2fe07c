#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

struct xkb_keymap;

namespace quillo {

/// The keys of a keyboard layout as xkbcommon compiles it: which key types a keysym, and
/// what it types with Shift. Only the keymap's first layout is read: which of several is
/// active is told to the focused window alone.
class KeyboardLayout {
public:
    /// A keymap in xkb's text form, as a Wayland compositor hands it to its clients; absent
    /// when it does not compile.
    static std::optional<KeyboardLayout> fromKeymapText(std::string_view text);
    /// A layout by its xkb names ("us", "dvorak"); empty names take xkbcommon's defaults
    /// (XKB_DEFAULT_LAYOUT and the like, else US English). Absent when it does not compile.
    static std::optional<KeyboardLayout> fromNames(const char* layout = nullptr,
                                                   const char* variant = nullptr);

    /// The evdev code (KEY_*) of the key that types `keysym` with no modifier; absent when
    /// no key does.
    std::optional<std::uint32_t> evdevCodeOf(std::uint32_t keysym) const;
    /// What the key that types `keysym` types with Shift; absent when no key types it.
    std::optional<std::uint32_t> shiftedKeysymOf(std::uint32_t keysym) const;

private:
    explicit KeyboardLayout(xkb_keymap* keymap);

    std::optional<std::uint32_t> xkbKeycodeOf(std::uint32_t keysym) const;

    std::shared_ptr<xkb_keymap> keymap_;
};

} // namespace quillo
