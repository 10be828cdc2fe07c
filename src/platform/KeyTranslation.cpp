#include "KeyTranslation.h"

#include "core/hotkey/Shortcut.h"
#include "core/platform/KeyEvent.h"

#include <X11/keysym.h>
#include <algorithm>
#include <array>
#include <utility>
#include <xcb/xproto.h>
#include <xkbcommon/xkbcommon.h>

namespace quillo::keys {

namespace {

struct KeyEntry {
    std::uint16_t keyCode;
    std::uint32_t keysym;
};

// The ANSI layout's macOS virtual key codes.
constexpr std::array keyTable{
    KeyEntry{0x00, XK_a},       KeyEntry{0x01, XK_s},         KeyEntry{0x02, XK_d},
    KeyEntry{0x03, XK_f},       KeyEntry{0x04, XK_h},         KeyEntry{0x05, XK_g},
    KeyEntry{0x06, XK_z},       KeyEntry{0x07, XK_x},         KeyEntry{0x08, XK_c},
    KeyEntry{0x09, XK_v},       KeyEntry{0x0B, XK_b},         KeyEntry{0x0C, XK_q},
    KeyEntry{0x0D, XK_w},       KeyEntry{0x0E, XK_e},         KeyEntry{0x0F, XK_r},
    KeyEntry{0x10, XK_y},       KeyEntry{0x11, XK_t},         KeyEntry{0x12, XK_1},
    KeyEntry{0x13, XK_2},       KeyEntry{0x14, XK_3},         KeyEntry{0x15, XK_4},
    KeyEntry{0x16, XK_6},       KeyEntry{0x17, XK_5},         KeyEntry{0x18, XK_equal},
    KeyEntry{0x19, XK_9},       KeyEntry{0x1A, XK_7},         KeyEntry{0x1B, XK_minus},
    KeyEntry{0x1C, XK_8},       KeyEntry{0x1D, XK_0},         KeyEntry{0x1E, XK_bracketright},
    KeyEntry{0x1F, XK_o},       KeyEntry{0x20, XK_u},         KeyEntry{0x21, XK_bracketleft},
    KeyEntry{0x22, XK_i},       KeyEntry{0x23, XK_p},         KeyEntry{0x24, XK_Return},
    KeyEntry{0x25, XK_l},       KeyEntry{0x26, XK_j},         KeyEntry{0x27, XK_apostrophe},
    KeyEntry{0x28, XK_k},       KeyEntry{0x29, XK_semicolon}, KeyEntry{0x2A, XK_backslash},
    KeyEntry{0x2B, XK_comma},   KeyEntry{0x2C, XK_slash},     KeyEntry{0x2D, XK_n},
    KeyEntry{0x2E, XK_m},       KeyEntry{0x2F, XK_period},    KeyEntry{0x30, XK_Tab},
    KeyEntry{0x31, XK_space},   KeyEntry{0x32, XK_grave},     KeyEntry{0x33, XK_BackSpace},
    KeyEntry{0x35, XK_Escape},  KeyEntry{0x4C, XK_KP_Enter},  KeyEntry{0x60, XK_F5},
    KeyEntry{0x61, XK_F6},      KeyEntry{0x62, XK_F7},        KeyEntry{0x63, XK_F3},
    KeyEntry{0x64, XK_F8},      KeyEntry{0x65, XK_F9},        KeyEntry{0x67, XK_F11},
    KeyEntry{0x6D, XK_F10},     KeyEntry{0x6F, XK_F12},       KeyEntry{0x73, XK_Home},
    KeyEntry{0x74, XK_Page_Up}, KeyEntry{0x75, XK_Delete},    KeyEntry{0x76, XK_F4},
    KeyEntry{0x77, XK_End},     KeyEntry{0x78, XK_F2},        KeyEntry{0x79, XK_Page_Down},
    KeyEntry{0x7A, XK_F1},      KeyEntry{0x7B, XK_Left},      KeyEntry{0x7C, XK_Right},
    KeyEntry{0x7D, XK_Down},    KeyEntry{0x7E, XK_Up},
};

struct ModifierEntry {
    std::uint32_t shortcutBit;
    std::uint16_t xMask;
    std::uint32_t keysym;
};

// In pressing order.
constexpr std::array modifierTable{
    ModifierEntry{ShortcutModifier::control, XCB_MOD_MASK_CONTROL, XK_Control_L},
    ModifierEntry{ShortcutModifier::shift, XCB_MOD_MASK_SHIFT, XK_Shift_L},
    ModifierEntry{ShortcutModifier::option, XCB_MOD_MASK_1, XK_Alt_L},
    ModifierEntry{ShortcutModifier::command, XCB_MOD_MASK_4, XK_Super_L},
};

constexpr std::array<std::pair<std::uint64_t, std::uint16_t>, 4> flagTable{{
    {ModifierFlag::command, XCB_MOD_MASK_CONTROL},
    {ModifierFlag::control, XCB_MOD_MASK_CONTROL},
    {ModifierFlag::option, XCB_MOD_MASK_1},
    {ModifierFlag::shift, XCB_MOD_MASK_SHIFT},
}};

} // namespace

std::optional<std::uint32_t> keysymForKeyCode(std::uint16_t keyCode) {
    const auto entry = std::ranges::find(keyTable, keyCode, &KeyEntry::keyCode);
    if (entry == keyTable.end())
        return std::nullopt;
    return entry->keysym;
}

std::optional<std::string> keysymNameForKeyCode(std::uint32_t keyCode) {
    const std::optional<std::uint32_t> keysym =
        keyCode <= 0xFFFF ? keysymForKeyCode(static_cast<std::uint16_t>(keyCode)) : std::nullopt;
    std::array<char, 64> name{};
    if (!keysym || xkb_keysym_get_name(*keysym, name.data(), name.size()) <= 0)
        return std::nullopt;
    return std::string(name.data());
}

std::optional<std::uint16_t> keyCodeForKeysym(std::uint32_t keysym) {
    if (keysym >= XK_A && keysym <= XK_Z)
        keysym += XK_a - XK_A;
    const auto entry = std::ranges::find(keyTable, keysym, &KeyEntry::keysym);
    if (entry == keyTable.end())
        return std::nullopt;
    return entry->keyCode;
}

std::uint16_t xModifiersForShortcut(std::uint32_t shortcutModifiers) {
    std::uint16_t mask = 0;
    for (const auto& modifier : modifierTable)
        if ((shortcutModifiers & modifier.shortcutBit) != 0)
            mask |= modifier.xMask;
    return mask;
}

std::uint32_t shortcutModifiersForX(std::uint16_t xState) {
    std::uint32_t bits = 0;
    for (const auto& modifier : modifierTable)
        if ((xState & modifier.xMask) != 0)
            bits |= modifier.shortcutBit;
    return bits;
}

std::uint16_t xModifiersForFlags(std::uint64_t modifierFlags) {
    std::uint16_t mask = 0;
    for (const auto& [flag, xMask] : flagTable)
        if ((modifierFlags & flag) != 0)
            mask |= xMask;
    return mask;
}

bool isPasteCommand(std::uint16_t keyCode, std::uint64_t modifierFlags) {
    constexpr std::uint64_t modifiers =
        ModifierFlag::shift | ModifierFlag::control | ModifierFlag::option | ModifierFlag::command;
    return keyCode == KeyCode::v && (modifierFlags & modifiers) == ModifierFlag::command;
}

std::vector<std::uint32_t> keysymsForXModifiers(std::uint16_t xMask) {
    std::vector<std::uint32_t> keysyms;
    for (const auto& modifier : modifierTable)
        if ((xMask & modifier.xMask) != 0)
            keysyms.push_back(modifier.keysym);
    return keysyms;
}

} // namespace quillo::keys
