#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

namespace quillo {

/// The two names of a window's WM_CLASS: the instance ("xterm") and the class ("XTerm").
struct WindowClass {
    std::string instance{};
    std::string className{};
    friend bool operator==(const WindowClass&, const WindowClass&) = default;
};

/// The keyboard mapping of a connection, fetched on first use and then kept: one table
/// serves the several look-ups of one task.
class KeyboardMap {
public:
    explicit KeyboardMap(xcb_connection_t* connection);

    /// The keycodes that type a keysym, best first; empty when no key does.
    std::vector<xcb_keycode_t> keycodesOf(xcb_keysym_t keysym) const;
    /// What a key types with no modifier held; XCB_NO_SYMBOL when nothing.
    xcb_keysym_t unshiftedKeysymOf(xcb_keycode_t keycode) const;

private:
    std::unique_ptr<xcb_key_symbols_t, decltype(&xcb_key_symbols_free)> symbols_;
};

/// A connection to an X server and the root window of its screen. A plain handle: whoever
/// opened the connection (for the program, the QApplication) keeps it open for as long as
/// the handle is used.
class X11Connection {
public:
    X11Connection(xcb_connection_t* connection, xcb_window_t root);

    /// The running QApplication's connection; absent unless Qt runs on X11 (offscreen,
    /// Wayland).
    static std::optional<X11Connection> ofApplication();

    xcb_connection_t* get() const { return connection_; }
    xcb_window_t root() const { return root_; }

    /// Returns once the server has carried out every request sent before: other clients
    /// then see their effect.
    void sync() const;
    /// Whether the server has the XTEST extension, which posts keys as if typed.
    bool hasXTest() const;

    /// The atom of a name, interned when new; XCB_ATOM_NONE when the server does not answer.
    xcb_atom_t atom(const char* name) const;
    /// A property of 32-bit items (WINDOW, CARDINAL) holding at least one item: the first.
    std::optional<std::uint32_t> property32(xcb_window_t window, xcb_atom_t property,
                                            xcb_atom_t type) const;
    /// The bytes of an 8-bit property; absent when the window has no such property.
    std::optional<std::string> property8(xcb_window_t window, xcb_atom_t property,
                                         xcb_atom_t type) const;
    /// The window's WM_CLASS; absent when it has none.
    std::optional<WindowClass> windowClass(xcb_window_t window) const;

    /// The keycodes that type a keysym on the current keyboard mapping, best first.
    std::vector<xcb_keycode_t> keycodesOf(xcb_keysym_t keysym) const;
    /// What a key types with no modifier held on the current mapping; XCB_NO_SYMBOL when
    /// nothing.
    xcb_keysym_t unshiftedKeysymOf(xcb_keycode_t keycode) const;
    /// The keycodes bound to each of the eight modifiers (Shift, Lock, Control, Mod1..Mod5).
    std::array<std::vector<xcb_keycode_t>, 8> modifierKeycodes() const;
    /// Whether the key is down now, as the server sees it; false when it does not answer.
    bool isKeyDown(xcb_keycode_t keycode) const;
    /// The modifier mask a keysym's key sets (Num_Lock: Mod2 on most servers); 0 when none.
    std::uint16_t modifierMaskOf(xcb_keysym_t keysym) const;

private:
    xcb_connection_t* connection_;
    xcb_window_t root_;
};

/// WM_CLASS's value: two NUL-terminated strings, instance then class. A value with one
/// string gives an empty class.
WindowClass parseWindowClass(const std::string& value);

} // namespace quillo
