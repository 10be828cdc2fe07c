#include "QtKeys.h"

#include "KeyTranslation.h"
#include "core/platform/KeyEvent.h"

#include <Qt>
#include <X11/keysym.h>

namespace quillo::keys {

std::optional<std::uint32_t> keysymForQtKey(int key) {
    // Qt numbers printable ASCII keys as their keysyms, letters in upper case.
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return XK_a + static_cast<std::uint32_t>(key - Qt::Key_A);
    if (key >= Qt::Key_Space && key <= Qt::Key_AsciiTilde)
        return static_cast<std::uint32_t>(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12)
        return XK_F1 + static_cast<std::uint32_t>(key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Return:
        return XK_Return;
    case Qt::Key_Enter:
        return XK_KP_Enter;
    case Qt::Key_Escape:
        return XK_Escape;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return XK_Tab; // Shift+Tab arrives as Backtab
    case Qt::Key_Backspace:
        return XK_BackSpace;
    case Qt::Key_Delete:
        return XK_Delete;
    case Qt::Key_Left:
        return XK_Left;
    case Qt::Key_Right:
        return XK_Right;
    case Qt::Key_Up:
        return XK_Up;
    case Qt::Key_Down:
        return XK_Down;
    case Qt::Key_Home:
        return XK_Home;
    case Qt::Key_End:
        return XK_End;
    case Qt::Key_PageUp:
        return XK_Page_Up;
    case Qt::Key_PageDown:
        return XK_Page_Down;
    default:
        return std::nullopt;
    }
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
