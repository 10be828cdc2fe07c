#pragma once

#include "platform/X11Connection.h"

#include <initializer_list>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

namespace quillo {

/// Another program on the test run's display, with its own connection: it types through
/// XTEST as a user would. Tests add what else they need it to do.
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
