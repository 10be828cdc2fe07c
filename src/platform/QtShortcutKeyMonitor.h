#pragma once

#include "X11Connection.h"
#include "core/platform/KeyEvent.h"
#include "core/platform/PickerPanel.h"

#include <QObject>
#include <optional>

class QKeyEvent;

namespace quillo {

/// The key monitor of the shortcut recorder: while installed it takes every key press of the
/// program, in any of its windows, before shortcuts and widgets see it. Modifiers are
/// reported as the global shortcut reads them: Ctrl as control, Alt as option, Super as
/// command. Modifier keys pressed alone are swallowed without reaching the handler.
class QtShortcutKeyMonitor final : public QObject, public KeyMonitor {
public:
    /// On X11 the key is read from the keyboard mapping, so Ctrl+Shift+1 is recorded as the 1
    /// key rather than as "!"; without a connection Qt's key is used.
    explicit QtShortcutKeyMonitor(std::optional<X11Connection> connection = std::nullopt);
    ~QtShortcutKeyMonitor() override;
    QtShortcutKeyMonitor(const QtShortcutKeyMonitor&) = delete;
    QtShortcutKeyMonitor& operator=(const QtShortcutKeyMonitor&) = delete;

    void install(Handler handler) override;
    void remove() override;

    /// A Qt key press as the shortcut recorder sees it.
    KeyEvent translate(const QKeyEvent& event) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::optional<X11Connection> connection_;
    Handler handler_;
};

} // namespace quillo
