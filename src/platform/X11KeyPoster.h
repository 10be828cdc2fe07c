#pragma once

#include "X11Connection.h"
#include "core/platform/KeyPoster.h"

#include <chrono>
#include <functional>
#include <optional>

namespace quillo {

/// True for the terminal emulators that paste with Ctrl+Shift+V, told by an exact WM_CLASS
/// name (instance or class): a loose match would take "st" for every program with an "st".
bool isTerminalWindow(const WindowClass& names);

/// Key presses through the XTEST extension, as if typed on the keyboard. Command-V becomes
/// the paste chord of the window in front; other keys are sent as they are, with Command
/// as Ctrl. Nothing is posted when the keyboard has no key for the chord.
class X11KeyPoster final : public KeyPoster {
public:
    using FrontWindowClass = std::function<std::optional<WindowClass>()>;

    /// `frontWindowClass` names the window that will receive the keys. Keys are held back
    /// until the user has let go of every modifier key, or for `modifierWait` at most.
    /// Without a connection nothing is posted.
    X11KeyPoster(std::optional<X11Connection> connection, FrontWindowClass frontWindowClass,
                 std::chrono::milliseconds modifierWait = std::chrono::seconds(1));

    bool tapKey(std::uint16_t keyCode, std::uint64_t modifierFlags) override;

private:
    void waitForModifiersReleased() const;
    void fakeKey(std::uint8_t type, xcb_keycode_t keycode) const;

    std::optional<X11Connection> connection_;
    FrontWindowClass frontWindowClass_;
    std::chrono::milliseconds modifierWait_;
};

} // namespace quillo
