#pragma once

#include "platform/X11Connection.h"

#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

namespace quillo {

/// A reply of the X server, freed with it.
template <typename T> using XReply = std::unique_ptr<T, decltype(&std::free)>;

/// Another program on the test run's display: it types through XTEST as a user would.
class OtherXClient {
public:
    OtherXClient() {
        int screen = 0;
        connection_ = xcb_connect(nullptr, &screen);
        auto roots = xcb_setup_roots_iterator(xcb_get_setup(connection_));
        for (; screen > 0; --screen)
            xcb_screen_next(&roots);
        root_ = roots.data->root;
    }
    virtual ~OtherXClient() { xcb_disconnect(connection_); }
    OtherXClient(const OtherXClient&) = delete;
    OtherXClient& operator=(const OtherXClient&) = delete;

    X11Connection x() const { return {connection_, root_}; }
    void sync() { x().sync(); }
    xcb_keycode_t keycode(xcb_keysym_t keysym) const { return x().keycodesOf(keysym).at(0); }

    void key(std::uint8_t type, xcb_keysym_t keysym) {
        xcb_test_fake_input(connection_, type, keycode(keysym), XCB_CURRENT_TIME, XCB_WINDOW_NONE,
                            0, 0, 0);
        sync();
    }
    void tap(xcb_keysym_t keysym) {
        key(XCB_KEY_PRESS, keysym);
        key(XCB_KEY_RELEASE, keysym);
    }
    /// A window of its own, unmapped; an input-output one can be mapped and take the focus.
    xcb_window_t createWindow(std::uint16_t windowClass = XCB_WINDOW_CLASS_INPUT_ONLY) {
        const xcb_window_t window = xcb_generate_id(connection_);
        xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window, root_, 0, 0, 50, 50, 0,
                          windowClass, XCB_COPY_FROM_PARENT, 0, nullptr);
        sync();
        return window;
    }
    void setProperty(xcb_window_t window, const char* name, xcb_atom_t type, std::uint8_t format,
                     const void* data, std::uint32_t length) {
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window, x().atom(name), type,
                            format, length, data);
        sync();
    }

    void chord(std::initializer_list<xcb_keysym_t> modifiers, xcb_keysym_t keysym) {
        for (const auto modifier : modifiers)
            key(XCB_KEY_PRESS, modifier);
        tap(keysym);
        for (const auto modifier : modifiers)
            key(XCB_KEY_RELEASE, modifier);
    }

protected:
    xcb_connection_t* connection_ = nullptr;
    xcb_window_t root_ = XCB_WINDOW_NONE;
};

} // namespace quillo
