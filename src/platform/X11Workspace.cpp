#include "X11Workspace.h"

namespace quillo {

X11Workspace::X11Workspace(std::optional<X11Connection> connection) : connection_(connection) {
    if (connection_) {
        activeWindowAtom_ = connection_->atom("_NET_ACTIVE_WINDOW");
        pidAtom_ = connection_->atom("_NET_WM_PID");
    }
}

std::optional<xcb_window_t> X11Workspace::activeWindow() const {
    if (!connection_)
        return std::nullopt;
    const auto window =
        connection_->property32(connection_->root(), activeWindowAtom_, XCB_ATOM_WINDOW);
    if (!window || *window == XCB_WINDOW_NONE)
        return std::nullopt;
    return *window;
}

std::optional<ApplicationHandle> X11Workspace::frontmostApplication() const {
    const auto window = activeWindow();
    if (!window)
        return std::nullopt;
    ApplicationHandle handle{.window = *window};
    handle.processID = connection_->property32(*window, pidAtom_, XCB_ATOM_CARDINAL).value_or(0);
    if (const auto names = connection_->windowClass(*window))
        handle.windowClass = names->className.empty() ? names->instance : names->className;
    return handle;
}

std::optional<WindowClass> X11Workspace::frontWindowClass() const {
    const auto window = activeWindow();
    if (!window)
        return std::nullopt;
    return connection_->windowClass(*window).value_or(WindowClass{});
}

} // namespace quillo
