#pragma once

#include "KeyEvent.h"

#include <functional>

namespace quillo {

/// The picker's floating window, as the picker's logic drives it.
class PickerPanel {
public:
    virtual ~PickerPanel() = default;
    virtual bool isVisible() const = 0;
    /// Places the panel on the screen under the mouse.
    virtual void positionOnActiveScreen() = 0;
    /// Shows the panel in front and gives it the keyboard.
    virtual void show() = 0;
    /// Hides the panel (it is kept for the next time).
    virtual void hide() = 0;
};

/// Sees the key presses meant for the picker's window before its controls do.
class KeyMonitor {
public:
    /// Returns true when it has dealt with the key (the controls then never see it).
    using Handler = std::function<bool(const KeyEvent&)>;
    virtual ~KeyMonitor() = default;
    virtual void install(Handler handler) = 0;
    virtual void remove() = 0;
};

} // namespace quillo
