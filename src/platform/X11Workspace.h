#pragma once

#include "X11Connection.h"
#include "core/platform/Workspace.h"

#include <optional>

namespace quillo {

/// The application in front as an EWMH window manager names it: the root window's
/// _NET_ACTIVE_WINDOW, with that window's _NET_WM_PID and WM_CLASS.
class X11Workspace final : public Workspace {
public:
    /// Without a connection there is never an application in front.
    explicit X11Workspace(std::optional<X11Connection> connection);

    /// The handle's windowClass is WM_CLASS's class ("XTerm"), or its instance when the
    /// window gives only one name.
    std::optional<ApplicationHandle> frontmostApplication() const override;
    /// Both names of the active window's WM_CLASS; absent without an active window.
    std::optional<WindowClass> frontWindowClass() const;

private:
    std::optional<xcb_window_t> activeWindow() const;

    std::optional<X11Connection> connection_;
    xcb_atom_t activeWindowAtom_ = XCB_ATOM_NONE;
    xcb_atom_t pidAtom_ = XCB_ATOM_NONE;
};

} // namespace quillo
