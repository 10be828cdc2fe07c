#include "SessionBackends.h"

namespace quillo {

namespace {

bool isWaylandSession(const SessionFacts& facts) {
    return facts.waylandAnswered || facts.sessionType == "wayland";
}

} // namespace

SessionBackends chooseSessionBackends(const SessionFacts& facts) {
    using B = SessionBackends;
    B backends;
    if (isWaylandSession(facts)) {
        // A Wayland session whose compositor doesn't answer leaves nothing to work with.
        if (!facts.waylandAnswered)
            return backends;
        const auto offers = [&facts](const char* name) {
            return facts.waylandGlobals.contains(name);
        };
        backends.windowing = B::Windowing::wayland;
        // The virtual keyboard carries its own keymap, so it comes first.
        if (offers(SessionOffer::virtualKeyboard))
            backends.keys = B::Keys::virtualKeyboard;
        else if (offers(SessionOffer::kwinFakeInput))
            backends.keys = B::Keys::kwinFakeInput;
        // KWin lends its keyboard only to an installed Quillo; elsewhere its portal starts a
        // remote desktop session without asking. Other desktops' portals (GNOME's) ask first.
        else if (facts.remoteDesktopPortal) {
            backends.keys = B::Keys::remoteDesktop;
            backends.keysNeedConsent = !facts.busNames.contains(SessionOffer::kglobalaccel);
        }
        if (offers(SessionOffer::dataControl))
            backends.clipboard = B::Clipboard::dataControl;
        else
            backends.clipboard = B::Clipboard::borrowedFocus;
        if (offers(SessionOffer::foreignToplevel))
            backends.front = B::Front::foreignToplevel;
        if (facts.swaySocket)
            backends.shortcut = B::Shortcut::swayCommand;
        else if (facts.busNames.contains(SessionOffer::kglobalaccel))
            backends.shortcut = B::Shortcut::kglobalaccel;
        else if (facts.busNames.contains(SessionOffer::gnomeMediaKeys))
            backends.shortcut = B::Shortcut::gnomeKeybinding;
        // The portal is the desktop's own choice where it works; sway's socket binds at once.
        if (facts.globalShortcutsPortal && !facts.swaySocket) {
            backends.shortcutFallback = backends.shortcut;
            backends.shortcut = B::Shortcut::globalShortcutsPortal;
        }
        return backends;
    }
    if (!facts.x11Answered)
        return backends;
    backends.windowing = B::Windowing::x11;
    backends.keys = facts.xtest ? B::Keys::xtest : B::Keys::none;
    backends.front = B::Front::x11;
    backends.shortcut = B::Shortcut::x11Grab;
    return backends;
}

} // namespace quillo
