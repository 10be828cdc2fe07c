#include "VirtualKeyboard.h"

#include "WaylandConnection.h"

#include <bit>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <utility>
#include <wayland-client.h>
#include <wayland/virtual-keyboard-unstable-v1-client-protocol.h>
#include <xkbcommon/xkbcommon.h>

namespace quillo {

namespace {

template <typename T, void (*Free)(T*)> struct Deleter {
    void operator()(T* object) const { Free(object); }
};
using Context = std::unique_ptr<xkb_context, Deleter<xkb_context, xkb_context_unref>>;
using Keymap = std::unique_ptr<xkb_keymap, Deleter<xkb_keymap, xkb_keymap_unref>>;

/// The names of the X core modifier bits in XKB, bit by bit.
constexpr std::array<const char*, 8> modifierNames{XKB_MOD_NAME_SHIFT, XKB_MOD_NAME_CAPS,
                                                   XKB_MOD_NAME_CTRL,  XKB_MOD_NAME_ALT,
                                                   XKB_MOD_NAME_NUM,   "Mod3",
                                                   XKB_MOD_NAME_LOGO,  "Mod5"};

/// The plain US layout, whatever XKB_DEFAULT_* or the user's settings say.
Keymap ownKeymap(xkb_context* context) {
    const xkb_rule_names names{"evdev", "pc105", "us", "", ""};
    return Keymap(xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS));
}

/// The keymap's text in a sealed memory file, as the compositor maps it.
int keymapFile(const std::string& text, std::size_t size) {
    const int fd = memfd_create("quillo-keymap", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd < 0)
        return -1;
    std::size_t written = 0;
    while (written < size) {
        const ssize_t count = write(fd, text.c_str() + written, size - written);
        if (count <= 0) {
            close(fd);
            return -1;
        }
        written += static_cast<std::size_t>(count);
    }
    fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL);
    return fd;
}

std::uint32_t milliseconds() {
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

} // namespace

std::map<std::uint32_t, VirtualKeyboard::Key> VirtualKeyboard::keysOf(xkb_keymap* keymap) {
    // Every keysym the keymap types, on the key and level that need the fewest modifiers.
    std::map<std::uint32_t, Key> keys;
    for (xkb_keycode_t code = xkb_keymap_min_keycode(keymap);
         code <= xkb_keymap_max_keycode(keymap); ++code) {
        if (code < 8) // below the evdev numbering
            continue;
        const xkb_level_index_t levels = xkb_keymap_num_levels_for_key(keymap, code, 0);
        for (xkb_level_index_t level = 0; level < levels; ++level) {
            xkb_mod_mask_t mask = 0;
            if (level > 0 &&
                xkb_keymap_key_get_mods_for_level(keymap, code, 0, level, &mask, 1) < 1)
                continue;
            const xkb_keysym_t* syms = nullptr;
            const int count = xkb_keymap_key_get_syms_by_level(keymap, code, 0, level, &syms);
            for (int i = 0; i < count; ++i) {
                const auto known = keys.find(syms[i]);
                if (known == keys.end() ||
                    std::popcount(mask) < std::popcount(known->second.levelModifiers))
                    keys[syms[i]] = Key{code - 8, mask};
            }
        }
    }
    return keys;
}

std::unique_ptr<VirtualKeyboard>
VirtualKeyboard::create(std::shared_ptr<WaylandConnection> connection) {
    if (!connection || !connection->seat())
        return nullptr;
    const Context context(xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES));
    if (!context)
        return nullptr;
    const Keymap keymap = ownKeymap(context.get());
    if (!keymap)
        return nullptr;

    std::map<std::uint32_t, Key> keys = keysOf(keymap.get());
    std::array<std::uint32_t, 8> modifierMasks{};
    for (std::size_t bit = 0; bit < modifierNames.size(); ++bit) {
        const xkb_mod_index_t index = xkb_keymap_mod_get_index(keymap.get(), modifierNames[bit]);
        if (index != XKB_MOD_INVALID)
            modifierMasks[bit] = 1U << index;
    }

    const std::unique_ptr<char, decltype(&std::free)> text(
        xkb_keymap_get_as_string(keymap.get(), XKB_KEYMAP_FORMAT_TEXT_V1), &std::free);
    if (!text)
        return nullptr;
    const std::string keymapText(text.get());
    const std::size_t size = keymapText.size() + 1; // the compositor wants the final NUL
    const int fd = keymapFile(keymapText, size);
    if (fd < 0)
        return nullptr;

    auto* manager = connection->bind<zwp_virtual_keyboard_manager_v1>(
        zwp_virtual_keyboard_manager_v1_interface, 1);
    if (!manager) {
        close(fd);
        return nullptr;
    }
    zwp_virtual_keyboard_v1* keyboard =
        zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(manager, connection->seat());
    zwp_virtual_keyboard_manager_v1_destroy(manager);
    zwp_virtual_keyboard_v1_keymap(keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd,
                                   static_cast<std::uint32_t>(size));
    close(fd); // the request carries a copy
    connection->flush();
    return std::unique_ptr<VirtualKeyboard>(
        new VirtualKeyboard(std::move(connection), keyboard, std::move(keys), modifierMasks));
}

VirtualKeyboard::VirtualKeyboard(std::shared_ptr<WaylandConnection> connection,
                                 zwp_virtual_keyboard_v1* keyboard,
                                 std::map<std::uint32_t, Key> keys,
                                 std::array<std::uint32_t, 8> modifierMasks)
    : connection_(std::move(connection)), keyboard_(keyboard), keys_(std::move(keys)),
      modifierMasks_(modifierMasks) {}

VirtualKeyboard::~VirtualKeyboard() {
    zwp_virtual_keyboard_v1_destroy(keyboard_);
    connection_->flush();
}

std::uint32_t VirtualKeyboard::xkbModifiers(std::uint16_t modifiers) const {
    std::uint32_t mask = 0;
    for (std::size_t bit = 0; bit < modifierMasks_.size(); ++bit)
        if ((modifiers & (1U << bit)) != 0)
            mask |= modifierMasks_[bit];
    return mask;
}

bool VirtualKeyboard::tap(std::uint32_t keysym, std::uint16_t modifiers) {
    const auto key = keys_.find(keysym);
    if (key == keys_.end())
        return false;
    // Key events of a virtual keyboard leave the compositor's modifier state alone: the
    // modifiers are announced around the key instead of pressed as keys.
    const std::uint32_t held = xkbModifiers(modifiers) | key->second.levelModifiers;
    const std::uint32_t time = milliseconds();
    zwp_virtual_keyboard_v1_modifiers(keyboard_, held, 0, 0, 0);
    zwp_virtual_keyboard_v1_key(keyboard_, time, key->second.keycode,
                                WL_KEYBOARD_KEY_STATE_PRESSED);
    zwp_virtual_keyboard_v1_key(keyboard_, time, key->second.keycode,
                                WL_KEYBOARD_KEY_STATE_RELEASED);
    zwp_virtual_keyboard_v1_modifiers(keyboard_, 0, 0, 0, 0);
    connection_->flush();
    return true;
}

} // namespace quillo
