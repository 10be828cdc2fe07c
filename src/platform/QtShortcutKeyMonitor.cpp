#include "QtShortcutKeyMonitor.h"

#include "KeyTranslation.h"
#include "QtKeys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWindow>
#include <utility>

namespace quillo {

namespace {

std::uint64_t globalFlagsOf(Qt::KeyboardModifiers modifiers) {
    std::uint64_t flags = 0;
    if (modifiers.testFlag(Qt::ControlModifier))
        flags |= ModifierFlag::control;
    if (modifiers.testFlag(Qt::AltModifier))
        flags |= ModifierFlag::option;
    if (modifiers.testFlag(Qt::ShiftModifier))
        flags |= ModifierFlag::shift;
    if (modifiers.testFlag(Qt::MetaModifier))
        flags |= ModifierFlag::command;
    return flags;
}

// What a keysym of the printable ASCII range types; empty for any other.
std::string charactersOf(std::uint32_t keysym) {
    if (keysym >= 0x21 && keysym <= 0x7E)
        return std::string(1, static_cast<char>(keysym));
    return {};
}

} // namespace

QtShortcutKeyMonitor::QtShortcutKeyMonitor(std::optional<X11Connection> connection)
    : connection_(connection) {}

QtShortcutKeyMonitor::~QtShortcutKeyMonitor() {
    remove();
}

void QtShortcutKeyMonitor::install(Handler handler) {
    remove();
    handler_ = std::move(handler);
    qApp->installEventFilter(this);
}

void QtShortcutKeyMonitor::remove() {
    if (handler_ == nullptr)
        return;
    handler_ = nullptr;
    qApp->removeEventFilter(this);
}

KeyEvent QtShortcutKeyMonitor::translate(const QKeyEvent& event) const {
    std::optional<std::uint32_t> keysym;
    if (connection_ && event.nativeScanCode() != 0)
        if (const xcb_keysym_t unshifted =
                connection_->unshiftedKeysymOf(static_cast<xcb_keycode_t>(event.nativeScanCode()));
            unshifted != XCB_NO_SYMBOL)
            keysym = unshifted;
    if (!keysym)
        keysym = keys::keysymForQtKey(event.key());
    KeyEvent result;
    result.modifierFlags = globalFlagsOf(event.modifiers());
    result.keyCode = keysym ? keys::keyCodeOrUnknown(*keysym) : KeyCode::unknown;
    if (keysym)
        result.charactersIgnoringModifiers = charactersOf(*keysym);
    return result;
}

bool QtShortcutKeyMonitor::eventFilter(QObject* watched, QEvent* event) {
    if (handler_ == nullptr)
        return false;
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        // Taken, so no shortcut of a window (Ctrl+W, Ctrl+Q) fires: the press follows.
        event->accept();
        return true;
    case QEvent::KeyPress: {
        // Each press enters through its native window first, and goes on to the focused
        // widget from there; it is handled at the window, and never goes on.
        if (qobject_cast<QWindow*>(watched) == nullptr)
            return true;
        const auto& keyEvent = *static_cast<QKeyEvent*>(event);
        if (keys::isModifierQtKey(keyEvent.key()))
            return true;
        // A copy: the handler may remove this monitor.
        const Handler handler = handler_;
        handler(translate(keyEvent));
        return true;
    }
    default:
        return false;
    }
}

} // namespace quillo
