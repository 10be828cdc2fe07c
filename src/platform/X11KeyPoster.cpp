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

X11KeyPoster::X11KeyPoster(std::optional<X11Connection> connection,
                           FrontWindowClass frontWindowClass,
                           std::chrono::milliseconds modifierWait)
    : connection_(connection), frontWindowClass_(std::move(frontWindowClass)),
      modifierWait_(modifierWait) {}

void X11KeyPoster::tapKey(std::uint16_t keyCode, std::uint64_t modifierFlags) {
    if (!connection_)
        return;
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
        return;

    // A modifier the user still holds would join ours: Alt+Ctrl+V pastes nothing.
    waitForModifiersReleased();
    const KeyboardMap keyboard(connection_->get());
    const auto modifierKeys = keys::keysymsForXModifiers(modifiers);
    for (const auto modifier : modifierKeys)
        fakeKey(keyboard, XCB_KEY_PRESS, modifier);
    fakeKey(keyboard, XCB_KEY_PRESS, *keysym);
    fakeKey(keyboard, XCB_KEY_RELEASE, *keysym);
    for (auto modifier = modifierKeys.rbegin(); modifier != modifierKeys.rend(); ++modifier)
        fakeKey(keyboard, XCB_KEY_RELEASE, *modifier);
    xcb_flush(connection_->get());
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

void X11KeyPoster::fakeKey(const KeyboardMap& keyboard, std::uint8_t type,
                           xcb_keysym_t keysym) const {
    // A key this keyboard cannot type is left out, as a key event that cannot be made is.
    const auto keycodes = keyboard.keycodesOf(keysym);
    if (keycodes.empty())
        return;
    xcb_test_fake_input(connection_->get(), type, keycodes.front(), XCB_CURRENT_TIME,
                        XCB_WINDOW_NONE, 0, 0, 0);
}

} // namespace quillo
