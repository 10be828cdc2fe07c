#include "QtKeyMonitor.h"

#include "KeyTranslation.h"
#include "QtKeys.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QWidget>
#include <QWindow>
#include <optional>
#include <utility>

namespace quillo {

namespace {

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
    result.keyCode = keys::keyCodeForQtKey(key);
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
    if (keys::isModifierQtKey(keyEvent.key()))
        return false;
    KeyEvent translated = translate(keyEvent);
    translated.hasMarkedText = preeditOwner_ != nullptr && preeditOwner_ == panel_->focusWidget();
    // A copy: the handler may remove this monitor.
    const Handler handler = handler_;
    return handler(translated);
}

} // namespace quillo
