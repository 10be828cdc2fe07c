#include "TerminalApps.h"

#include <ranges>

namespace quillo {

namespace {

// The names terminal emulators give themselves, one space apart: WM_CLASS names (instance or
// class) under X11 and XWayland, app ids under Wayland. GNOME Terminal and Console, Ptyxis,
// Konsole, the Xfce, MATE, LXDE and LXQt terminals, Tilix, Terminator, kitty, Alacritty,
// foot, WezTerm, Ghostty, Guake, Sakura, Terminology, xterm, rxvt, st.
constexpr std::string_view terminalNames =
    "gnome-terminal-server Gnome-terminal gnome-terminal org.gnome.Terminal kgx Kgx "
    "org.gnome.Console org.gnome.Ptyxis konsole Konsole org.kde.konsole xfce4-terminal "
    "Xfce4-terminal mate-terminal Mate-terminal lxterminal Lxterminal qterminal tilix Tilix "
    "com.gexperts.Tilix terminator Terminator kitty Alacritty alacritty foot footclient "
    "org.wezfurlong.wezterm com.mitchellh.ghostty guake Guake sakura Sakura terminology "
    "Terminology xterm XTerm UXTerm urxvt URxvt st-256color";

} // namespace

bool isTerminalApp(std::string_view name) {
    if (name.empty() || name.find(' ') != std::string_view::npos)
        return false;
    for (const auto known : std::views::split(terminalNames, ' '))
        if (std::string_view(known.begin(), known.end()) == name)
            return true;
    return false;
}

} // namespace quillo
