#include "X11Connection.h"

#include <QGuiApplication>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <xcb/xtest.h>

namespace quillo {

namespace {

// xcb hands out replies and lists allocated with malloc.
struct FreeDeleter {
    void operator()(void* pointer) const { std::free(pointer); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeDeleter>;

// The screen DISPLAY names (":0.1" is screen 1), which is the one Qt opens.
xcb_window_t rootOfDefaultScreen(xcb_connection_t* connection) {
    int screenNumber = 0;
    char* host = nullptr;
    int display = 0;
    if (xcb_parse_display(nullptr, &host, &display, &screenNumber) == 0)
        screenNumber = 0;
    std::free(host);
    auto screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && screens.rem > 1; ++i)
        xcb_screen_next(&screens);
    return screens.rem > 0 ? screens.data->root : xcb_window_t{XCB_WINDOW_NONE};
}

} // namespace

X11Connection::X11Connection(xcb_connection_t* connection, xcb_window_t root)
    : connection_(connection), root_(root) {}

std::optional<X11Connection> X11Connection::ofApplication() {
    if (qGuiApp == nullptr)
        return std::nullopt;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->connection() == nullptr)
        return std::nullopt;
    xcb_connection_t* connection = x11->connection();
    return X11Connection(connection, rootOfDefaultScreen(connection));
}

bool X11Connection::hasXTest() const {
    // xcb asks the server once and remembers the answer.
    const xcb_query_extension_reply_t* xtest = xcb_get_extension_data(connection_, &xcb_test_id);
    return xtest != nullptr && xtest->present != 0;
}

void X11Connection::sync() const {
    std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
}

xcb_atom_t X11Connection::atom(const char* name) const {
    const auto cookie =
        xcb_intern_atom(connection_, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
    const Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(connection_, cookie, nullptr));
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

std::optional<std::uint32_t> X11Connection::property32(xcb_window_t window, xcb_atom_t property,
                                                       xcb_atom_t type) const {
    const auto cookie = xcb_get_property(connection_, 0, window, property, type, 0, 1);
    const Reply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(connection_, cookie, nullptr));
    if (!reply || reply->type != type || reply->format != 32 ||
        xcb_get_property_value_length(reply.get()) < 4)
        return std::nullopt;
    std::uint32_t value = 0;
    std::memcpy(&value, xcb_get_property_value(reply.get()), sizeof value);
    return value;
}

std::optional<std::string> X11Connection::property8(xcb_window_t window, xcb_atom_t property,
                                                    xcb_atom_t type) const {
    // Lengths are in 32-bit units; a window class is far shorter than 4 KiB.
    const auto cookie = xcb_get_property(connection_, 0, window, property, type, 0, 1024);
    const Reply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(connection_, cookie, nullptr));
    if (!reply || reply->type != type || reply->format != 8)
        return std::nullopt;
    const auto* bytes = static_cast<const char*>(xcb_get_property_value(reply.get()));
    return std::string(bytes, static_cast<std::size_t>(xcb_get_property_value_length(reply.get())));
}

std::optional<WindowClass> X11Connection::windowClass(xcb_window_t window) const {
    const auto value = property8(window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING);
    if (!value)
        return std::nullopt;
    return parseWindowClass(*value);
}

KeyboardMap::KeyboardMap(xcb_connection_t* connection)
    : symbols_(xcb_key_symbols_alloc(connection), &xcb_key_symbols_free) {}

std::vector<xcb_keycode_t> KeyboardMap::keycodesOf(xcb_keysym_t keysym) const {
    if (!symbols_)
        return {};
    const Reply<xcb_keycode_t> codes(xcb_key_symbols_get_keycode(symbols_.get(), keysym));
    std::vector<xcb_keycode_t> result;
    for (const xcb_keycode_t* code = codes.get(); code != nullptr && *code != XCB_NO_SYMBOL; ++code)
        result.push_back(*code);
    return result;
}

xcb_keysym_t KeyboardMap::unshiftedKeysymOf(xcb_keycode_t keycode) const {
    return symbols_ ? xcb_key_symbols_get_keysym(symbols_.get(), keycode, 0) : XCB_NO_SYMBOL;
}

std::vector<xcb_keycode_t> X11Connection::keycodesOf(xcb_keysym_t keysym) const {
    return KeyboardMap(connection_).keycodesOf(keysym);
}

xcb_keysym_t X11Connection::unshiftedKeysymOf(xcb_keycode_t keycode) const {
    return KeyboardMap(connection_).unshiftedKeysymOf(keycode);
}

std::array<std::vector<xcb_keycode_t>, 8> X11Connection::modifierKeycodes() const {
    std::array<std::vector<xcb_keycode_t>, 8> result;
    const Reply<xcb_get_modifier_mapping_reply_t> reply(xcb_get_modifier_mapping_reply(
        connection_, xcb_get_modifier_mapping(connection_), nullptr));
    if (!reply)
        return result;
    const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(reply.get());
    const int perModifier = reply->keycodes_per_modifier;
    for (std::size_t modifier = 0; modifier < result.size(); ++modifier)
        for (int i = 0; i < perModifier; ++i)
            if (const xcb_keycode_t code = codes[modifier * perModifier + i]; code != 0)
                result[modifier].push_back(code);
    return result;
}

bool X11Connection::isKeyDown(xcb_keycode_t keycode) const {
    const Reply<xcb_query_keymap_reply_t> reply(
        xcb_query_keymap_reply(connection_, xcb_query_keymap(connection_), nullptr));
    return reply && (reply->keys[keycode / 8] & (1U << (keycode % 8))) != 0;
}

std::uint16_t X11Connection::modifierMaskOf(xcb_keysym_t keysym) const {
    const auto keycodes = keycodesOf(keysym);
    const auto modifiers = modifierKeycodes();
    for (std::size_t modifier = 0; modifier < modifiers.size(); ++modifier)
        for (const xcb_keycode_t code : modifiers[modifier])
            if (std::ranges::find(keycodes, code) != keycodes.end())
                return static_cast<std::uint16_t>(1U << modifier);
    return 0;
}

WindowClass parseWindowClass(const std::string& value) {
    const std::string_view all(value);
    const auto firstEnd = std::min(all.find('\0'), all.size());
    const auto rest = all.substr(std::min(firstEnd + 1, all.size()));
    return {std::string(all.substr(0, firstEnd)), std::string(rest.substr(0, rest.find('\0')))};
}

} // namespace quillo
