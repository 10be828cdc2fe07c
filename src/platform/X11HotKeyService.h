#pragma once

#include "X11Connection.h"
#include "core/platform/HotKeyService.h"

#include <QAbstractNativeEventFilter>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace quillo {

/// The global shortcut as passive key grabs on the root window. The lock keys change the
/// modifier state X matches grabs against, so each combination is grabbed four times: as
/// it is, with Caps Lock, with Num Lock and with both. Presses reach the program through
/// Qt's event stream, where a native event filter takes them out. Must be destroyed before
/// the connection closes.
class X11HotKeyService final : public HotKeyService, private QAbstractNativeEventFilter {
public:
    /// Returned by registerHotKey without an X connection (offscreen, Wayland).
    static constexpr int noXConnection = -1;
    /// Returned by registerHotKey for a key this keyboard cannot type (or one the program
    /// does not know).
    static constexpr int keyNotOnKeyboard = -2;

    /// Without a connection, every registration fails with `noXConnection`.
    explicit X11HotKeyService(std::optional<X11Connection> connection);
    ~X11HotKeyService() override;
    X11HotKeyService(const X11HotKeyService&) = delete;
    X11HotKeyService& operator=(const X11HotKeyService&) = delete;

    /// 0 on success, else the X error of the first grab refused (10, BadAccess, when another
    /// program holds the combination) or one of the codes above; a failure holds nothing.
    int registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers) override;
    void unregisterHotKey() override;
    void setPressedHandler(std::function<void()> handler) override;

private:
    struct Grab {
        xcb_keycode_t keycode = 0;
        std::uint16_t modifiers = 0;
        std::uint16_t lockMask = 0; // Caps Lock and Num Lock, ignored when matching presses
        std::vector<std::uint16_t> grabbedVariants{};
    };

    /// Longer than the longest delay desktops offer before a held key starts repeating (2 s).
    static constexpr xcb_timestamp_t longestRepeatGapMs = 3000;
    static constexpr int releaseWatchMs = 50;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
    void ungrab(const Grab& grab);

    std::optional<X11Connection> connection_;
    std::optional<Grab> grab_;
    std::function<void()> handler_;
    // Holding the shortcut opens the picker once: the keyboard's repeats are ignored.
    bool held_ = false;
    xcb_timestamp_t lastPressTime_ = 0;
    /// The time of the last release seen during a hold; absent when none came since the press.
    std::optional<xcb_timestamp_t> releaseTime_;
    /// True when the release watch, not a release, ended the last hold.
    bool clearedByWatch_ = false;
    // While held, the key's state is read from the server now and then: its release goes to
    // another window when one of our own grabs ends before it (a press that closes the picker).
    QTimer releaseWatch_;
};

} // namespace quillo
