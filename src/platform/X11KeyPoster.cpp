#include "X11KeyPoster.h"

#include "KeyTranslation.h"
#include "TerminalApps.h"

#include <X11/keysym.h>
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <thread>
#include <xcb/xtest.h>

namespace quillo {

bool isTerminalWindow(const WindowClass& names) {
    return isTerminalApp(names.instance) || isTerminalApp(names.className);
}

namespace {

std::optional<xcb_keycode_t> keycodeOf(const KeyboardMap& keyboard, xcb_keysym_t keysym) {
    const auto keycodes = keyboard.keycodesOf(keysym);
    return keycodes.empty() ? std::nullopt : std::optional(keycodes.front());
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
    std::optional<std::uint32_t> keysym;
    std::uint16_t modifiers = 0;
    if (keys::isPasteCommand(keyCode, modifierFlags)) {
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

    // A modifier the user still holds would join ours: Alt+Ctrl+V pastes nothing.
    waitForModifiersReleased();
    const KeyboardMap keyboard(connection_->get());
    const std::optional<xcb_keycode_t> key = keycodeOf(keyboard, *keysym);
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
