#include "QtKeys.h"

#include "KeyTranslation.h"
#include "core/hotkey/Shortcut.h"
#include "core/platform/KeyEvent.h"

#include <QChar>
#include <Qt>
#include <X11/keysym.h>
#include <algorithm>
#include <array>
#include <utility>

namespace quillo::keys {

namespace {

struct NamedKey {
    int qtKey;
    std::uint32_t keysym;
};

// Keys Qt does not number by their keysym. The first entry of a keysym is the one Qt
// reports for it.
constexpr std::array namedKeys{
    NamedKey{Qt::Key_Return, XK_Return},
    NamedKey{Qt::Key_Enter, XK_KP_Enter},
    NamedKey{Qt::Key_Escape, XK_Escape},
    NamedKey{Qt::Key_Tab, XK_Tab},
    NamedKey{Qt::Key_Backtab, XK_Tab}, // Shift+Tab arrives as Backtab
    NamedKey{Qt::Key_Backspace, XK_BackSpace},
    NamedKey{Qt::Key_Delete, XK_Delete},
    NamedKey{Qt::Key_Left, XK_Left},
    NamedKey{Qt::Key_Right, XK_Right},
    NamedKey{Qt::Key_Up, XK_Up},
    NamedKey{Qt::Key_Down, XK_Down},
    NamedKey{Qt::Key_Home, XK_Home},
    NamedKey{Qt::Key_End, XK_End},
    NamedKey{Qt::Key_PageUp, XK_Page_Up},
    NamedKey{Qt::Key_PageDown, XK_Page_Down},
};

// Carbon bits of a global shortcut as Qt modifiers: Command is the Super key, Meta to Qt.
constexpr std::array<std::pair<std::uint32_t, int>, 4> shortcutModifierTable{{
    {ShortcutModifier::control, Qt::ControlModifier},
    {ShortcutModifier::shift, Qt::ShiftModifier},
    {ShortcutModifier::option, Qt::AltModifier},
    {ShortcutModifier::command, Qt::MetaModifier},
}};

constexpr std::uint32_t unicodeKeysymBase = 0x1000000;

} // namespace

std::optional<std::uint32_t> keysymForQtKey(int key) {
    // Qt numbers printable ASCII keys as their keysyms, letters in upper case.
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return XK_a + static_cast<std::uint32_t>(key - Qt::Key_A);
    if (key >= Qt::Key_Space && key <= Qt::Key_AsciiTilde)
        return static_cast<std::uint32_t>(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12)
        return XK_F1 + static_cast<std::uint32_t>(key - Qt::Key_F1);
    const auto named = std::ranges::find(namedKeys, key, &NamedKey::qtKey);
    if (named == namedKeys.end())
        return std::nullopt;
    return named->keysym;
}

std::optional<int> qtKeyForKeysym(std::uint32_t keysym) {
    if (keysym >= XK_F1 && keysym <= XK_F12)
        return Qt::Key_F1 + static_cast<int>(keysym - XK_F1);
    const auto named = std::ranges::find(namedKeys, keysym, &NamedKey::keysym);
    if (named != namedKeys.end())
        return named->qtKey;
    // Characters are Qt keys by their upper-case code point; Latin-1 keysyms are their code
    // points, other characters' keysyms are theirs plus a base.
    char32_t character = 0;
    if ((keysym >= XK_space && keysym <= XK_asciitilde) ||
        (keysym >= XK_nobreakspace && keysym <= XK_ydiaeresis))
        character = keysym;
    else if (keysym > unicodeKeysymBase && keysym <= unicodeKeysymBase + 0x10FFFF)
        character = keysym - unicodeKeysymBase;
    if (character == 0)
        return std::nullopt;
    return static_cast<int>(QChar::toUpper(character));
}

int qtModifiersForShortcut(std::uint32_t shortcutModifiers) {
    int modifiers = 0;
    for (const auto& [bit, qtModifier] : shortcutModifierTable)
        if ((shortcutModifiers & bit) != 0)
            modifiers |= qtModifier;
    return modifiers;
}

std::uint16_t keyCodeOrUnknown(std::uint32_t keysym) {
    return keyCodeForKeysym(keysym).value_or(KeyCode::unknown);
}

std::uint16_t keyCodeForQtKey(int key) {
    const std::optional<std::uint32_t> keysym = keysymForQtKey(key);
    return keysym ? keyCodeOrUnknown(*keysym) : KeyCode::unknown;
}

bool isModifierQtKey(int key) {
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
        return true;
    default:
        return false;
    }
}

} // namespace quillo::keys
