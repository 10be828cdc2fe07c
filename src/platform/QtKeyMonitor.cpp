#include "QtKeyMonitor.h"

#include "KeyTranslation.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QWidget>
#include <QWindow>
#include <X11/keysym.h>
#include <optional>
#include <utility>

namespace quillo {

namespace {

// The keysym a Qt key types with no modifier; Qt's letter and digit keys share the ASCII
// numbering of their keysyms.
std::optional<std::uint32_t> keysymOf(int key) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return XK_a + static_cast<std::uint32_t>(key - Qt::Key_A);
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return XK_0 + static_cast<std::uint32_t>(key - Qt::Key_0);
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
    case Qt::Key_Space:
        return XK_space;
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

// Pressing a modifier alone is no key-down for the core (macOS reports it as a change of
// flags), so these never reach the handler.
bool isModifierKey(int key) {
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

std::uint64_t flagsOf(Qt::KeyboardModifiers modifiers) {
    std::uint64_t flags = 0;
    if (modifiers.testFlag(Qt::ControlModifier))
        flags |= ModifierFlag::command;
    if (modifiers.testFlag(Qt::AltModifier))
        flags |= ModifierFlag::option;
    if (modifiers.testFlag(Qt::ShiftModifier))
        flags |= ModifierFlag::shift;
    // Super has no in-window meaning; reporting it keeps Super+Return from passing as Return.
    if (modifiers.testFlag(Qt::MetaModifier))
        flags |= ModifierFlag::control;
    return flags;
}

} // namespace

QtKeyMonitor::QtKeyMonitor(QWidget* panel) : panel_(panel) {}

QtKeyMonitor::~QtKeyMonitor() {
    remove();
}

void QtKeyMonitor::install(Handler handler) {
    remove();
    handler_ = std::move(handler);
    // An application filter sees input method events too, which go straight to the focused
    // widget; key presses are taken only where they enter the panel's native window, which
    // each one does exactly once.
    qApp->installEventFilter(this);
}

void QtKeyMonitor::remove() {
    if (handler_ == nullptr)
        return;
    handler_ = nullptr;
    qApp->removeEventFilter(this);
    preeditOwner_ = nullptr;
}

KeyEvent QtKeyMonitor::translate(const QKeyEvent& event) {
    KeyEvent result;
    result.modifierFlags = flagsOf(event.modifiers());
    const int key = event.key();
    if (const auto keysym = keysymOf(key))
        result.keyCode = keys::keyCodeForKeysym(*keysym).value_or(0);
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        result.charactersIgnoringModifiers =
            std::string(1, static_cast<char>('a' + (key - Qt::Key_A)));
    else if (!event.text().isEmpty() && event.text().front().isPrint())
        result.charactersIgnoringModifiers = event.text().toStdString();
    return result;
}

bool QtKeyMonitor::belongsToPanel(QObject* object) const {
    const auto* widget = qobject_cast<QWidget*>(object);
    return widget != nullptr && panel_ != nullptr && widget->window() == panel_;
}

bool QtKeyMonitor::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::InputMethod && belongsToPanel(watched)) {
        // A non-empty pre-edit string means the input method is composing; a commit (or an
        // empty pre-edit) ends it.
        const bool composing = !static_cast<QInputMethodEvent*>(event)->preeditString().isEmpty();
        if (composing)
            preeditOwner_ = watched;
        else if (preeditOwner_ == watched)
            preeditOwner_ = nullptr;
        return false;
    }
    if (event->type() != QEvent::KeyPress || panel_ == nullptr ||
        watched != panel_->windowHandle() || handler_ == nullptr)
        return false;
    const auto& keyEvent = *static_cast<QKeyEvent*>(event);
    if (isModifierKey(keyEvent.key()))
        return false;
    KeyEvent translated = translate(keyEvent);
    translated.hasMarkedText = preeditOwner_ != nullptr && preeditOwner_ == panel_->focusWidget();
    // A copy: the handler may remove this monitor.
    const Handler handler = handler_;
    return handler(translated);
}

} // namespace quillo
