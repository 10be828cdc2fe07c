#include "X11KeyPoster.h"

#include "KeyTranslation.h"
#include "TerminalApps.h"

#include <X11/keysym.h>
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <thread>
#include <xcb/xtest.h>
#include <xkbcommon/xkbcommon-x11.h>

namespace quillo {

bool isTerminalWindow(const WindowClass& names) {
    return isTerminalApp(names.instance) || isTerminalApp(names.className);
}

namespace {

std::optional<xcb_keycode_t> keycodeOf(const KeyboardMap& keyboard, xcb_keysym_t keysym) {
    const auto keycodes = keyboard.keycodesOf(keysym);
    return keycodes.empty() ? std::nullopt : std::optional(keycodes.front());
}

/// The key that types `keysym` with no modifier in the keyboard's active group. Where that
/// group has it nowhere (Russian beside US English), the key that types it in another group:
/// Qt takes Ctrl with a key of a non-Latin group by the key's Latin letter in another group.
/// Absent when no group has it (Russian alone): Ctrl+Cyrillic_em is no paste chord to Qt.
std::optional<xcb_keycode_t> keycodeForActiveGroup(xcb_connection_t* connection,
                                                   xkb_keysym_t keysym) {
    if (xkb_x11_setup_xkb_extension(
            connection, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
            XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, nullptr, nullptr) == 0)
        return std::nullopt;
    const std::int32_t device = xkb_x11_get_core_keyboard_device_id(connection);
    const std::unique_ptr<xkb_context, decltype(&xkb_context_unref)> context(
        xkb_context_new(XKB_CONTEXT_NO_FLAGS), &xkb_context_unref);
    if (device == -1 || !context)
        return std::nullopt;
    const std::unique_ptr<xkb_keymap, decltype(&xkb_keymap_unref)> keymap(
        xkb_x11_keymap_new_from_device(context.get(), connection, device,
                                       XKB_KEYMAP_COMPILE_NO_FLAGS),
        &xkb_keymap_unref);
    const std::unique_ptr<xkb_state, decltype(&xkb_state_unref)> state(
        keymap ? xkb_x11_state_new_from_device(keymap.get(), connection, device) : nullptr,
        &xkb_state_unref);
    if (!state)
        return std::nullopt;

    // A key with fewer groups wraps into them, as the server does.
    const auto keyIn = [&](xkb_layout_index_t layout) -> std::optional<xcb_keycode_t> {
        for (xkb_keycode_t code = xkb_keymap_min_keycode(keymap.get());
             code <= xkb_keymap_max_keycode(keymap.get()); ++code) {
            const xkb_keysym_t* syms = nullptr;
            if (xkb_keymap_key_get_syms_by_level(keymap.get(), code, layout, 0, &syms) == 1 &&
                syms[0] == keysym)
                return static_cast<xcb_keycode_t>(code);
        }
        return std::nullopt;
    };
    const xkb_layout_index_t active =
        xkb_state_serialize_layout(state.get(), XKB_STATE_LAYOUT_EFFECTIVE);
    if (const auto code = keyIn(active))
        return code;
    for (xkb_layout_index_t layout = 0; layout < xkb_keymap_num_layouts(keymap.get()); ++layout)
        if (const auto code = layout != active ? keyIn(layout) : std::nullopt)
            return code;
    return std::nullopt;
}

} // namespace

X11KeyPoster::X11KeyPoster(std::optional<X11Connection> connection,
                           FrontWindowClass frontWindowClass,
                           std::chrono::milliseconds modifierWait)
    : connection_(connection), frontWindowClass_(std::move(frontWindowClass)),
      modifierWait_(modifierWait) {}

bool X11KeyPoster::tapKey(std::uint16_t keyCode, std::uint64_t modifierFlags) {
    if (!connection_)
        return false;
    const bool paste = keys::isPasteCommand(keyCode, modifierFlags);
    std::optional<std::uint32_t> keysym;
    std::uint16_t modifiers = 0;
    if (paste) {
        const auto front = frontWindowClass_ ? frontWindowClass_() : std::nullopt;
        keysym = XK_v;
        modifiers = XCB_MOD_MASK_CONTROL;
        if (front && isTerminalWindow(*front))
            modifiers |= XCB_MOD_MASK_SHIFT;
    } else {
        keysym = keys::keysymForKeyCode(keyCode);
        modifiers = keys::xModifiersForFlags(modifierFlags);
    }
    if (!keysym)
        return false;

    // A modifier the user still holds would join ours: Alt+Ctrl+V pastes nothing. The group
    // is read after: a layout switch happens as its keys go up.
    waitForModifiersReleased();
    const KeyboardMap keyboard(connection_->get());
    // Applications match the paste chord by what its key types in the active group.
    const std::optional<xcb_keycode_t> key =
        paste ? keycodeForActiveGroup(connection_->get(), *keysym) : keycodeOf(keyboard, *keysym);
    if (!key)
        return false;
    std::vector<xcb_keycode_t> modifierKeys;
    for (const auto modifier : keys::keysymsForXModifiers(modifiers)) {
        const auto code = keycodeOf(keyboard, modifier);
        // A chord with a key left out would be another chord.
        if (!code)
            return false;
        modifierKeys.push_back(*code);
    }

    for (const auto modifier : modifierKeys)
        fakeKey(XCB_KEY_PRESS, modifier);
    fakeKey(XCB_KEY_PRESS, *key);
    fakeKey(XCB_KEY_RELEASE, *key);
    for (auto modifier = modifierKeys.rbegin(); modifier != modifierKeys.rend(); ++modifier)
        fakeKey(XCB_KEY_RELEASE, *modifier);
    xcb_flush(connection_->get());
    return true;
}

void X11KeyPoster::waitForModifiersReleased() const {
    std::vector<xcb_keycode_t> modifierKeys;
    for (const auto& keycodes : connection_->modifierKeycodes())
        modifierKeys.insert(modifierKeys.end(), keycodes.begin(), keycodes.end());
    const auto anyHeld = [&] {
        const std::unique_ptr<xcb_query_keymap_reply_t, decltype(&std::free)> keymap(
            xcb_query_keymap_reply(connection_->get(), xcb_query_keymap(connection_->get()),
                                   nullptr),
            &std::free);
        return keymap && std::ranges::any_of(modifierKeys, [&](xcb_keycode_t code) {
                   return (keymap->keys[code / 8] & (1U << (code % 8))) != 0;
               });
    };
    const auto deadline = std::chrono::steady_clock::now() + modifierWait_;
    while (anyHeld() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

void X11KeyPoster::fakeKey(std::uint8_t type, xcb_keycode_t keycode) const {
    xcb_test_fake_input(connection_->get(), type, keycode, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0,
                        0);
}

} // namespace quillo
