#pragma once

#include <set>
#include <string>

namespace quillo {

/// What the desktop session offers, as found at start.
struct SessionFacts {
    /// `XDG_SESSION_TYPE`, as the login manager set it ("x11", "wayland", "tty" or empty).
    std::string sessionType;
    /// True when a Wayland compositor answered on `WAYLAND_DISPLAY`.
    bool waylandAnswered = false;
    /// True when an X server answered on `DISPLAY` (XWayland counts).
    bool x11Answered = false;
    /// True when that X server has the XTEST extension.
    bool xtest = false;
    /// The interfaces the compositor advertises.
    std::set<std::string> waylandGlobals{};
    /// The names on the session bus.
    std::set<std::string> busNames{};
    /// True when sway's command socket (`SWAYSOCK`) is there.
    bool swaySocket = false;
    /// True when the desktop portal offers remote desktop sessions.
    bool remoteDesktopPortal = false;
    /// True when the desktop portal offers global shortcuts.
    bool globalShortcutsPortal = false;
};

/// Which implementation serves each part of the desktop in this session.
struct SessionBackends {
    enum class Windowing { x11, wayland, none };
    /// Typing the paste keys into the application in front.
    enum class Keys { xtest, virtualKeyboard, kwinFakeInput, remoteDesktop, none };
    /// Reading and restoring the clipboard: Qt's own, the compositor's data control, which
    /// works without the focus, or Qt's with the focus borrowed for a moment by an invisible
    /// window of ours, where only the focused window may set the clipboard.
    enum class Clipboard { qt, dataControl, borrowedFocus };
    /// Telling which application is in front.
    enum class Front { x11, foreignToplevel, unknown };
    /// The global shortcut.
    enum class Shortcut {
        x11Grab,
        swayCommand,
        kglobalaccel,
        /// A custom keybinding of GNOME's that runs `quillo --picker`, added with consent.
        gnomeKeybinding,
        /// The desktop portal's global shortcuts, with the desktop's own way behind it where
        /// the portal turns out not to bind.
        globalShortcutsPortal,
        none
    };

    Windowing windowing = Windowing::none;
    Keys keys = Keys::none;
    Clipboard clipboard = Clipboard::qt;
    Front front = Front::unknown;
    Shortcut shortcut = Shortcut::none;
    /// What serves the shortcut where the portal doesn't.
    Shortcut shortcutFallback = Shortcut::none;
    /// True when the desktop asks the user before it lets the keys through (GNOME's remote
    /// desktop dialog): the question is asked only once the user knows why.
    bool keysNeedConsent = false;

    friend bool operator==(const SessionBackends&, const SessionBackends&) = default;
};

/// Decides from what the session offers, never from the desktop's name. In a Wayland session
/// nothing of X11 serves, even when XWayland answers: its keys and grabs never reach Wayland
/// windows.
SessionBackends chooseSessionBackends(const SessionFacts& facts);

/// Interface and bus names the choice looks for.
namespace SessionOffer {
inline constexpr const char* virtualKeyboard = "zwp_virtual_keyboard_manager_v1";
inline constexpr const char* kwinFakeInput = "org_kde_kwin_fake_input";
inline constexpr const char* dataControl = "zwlr_data_control_manager_v1";
inline constexpr const char* foreignToplevel = "zwlr_foreign_toplevel_manager_v1";
inline constexpr const char* kglobalaccel = "org.kde.kglobalaccel";
/// GNOME's daemon that runs custom keybindings.
inline constexpr const char* gnomeMediaKeys = "org.gnome.SettingsDaemon.MediaKeys";
} // namespace SessionOffer

} // namespace quillo
