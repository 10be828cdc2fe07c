// A keyboard for the end-to-end tests under a Wayland compositor: one keyboard kept for the
// tool's whole life (a fresh one loses its first key), a virtual keyboard where the compositor
// lends one (wlroots) and KWin's fake input elsewhere (granted through a desktop entry naming
// this tool), typing what it is told line by line on standard input, and answering "ok" to
// each line once the keys are sent:
//   key ctrl+alt+space     a chord: modifiers (ctrl, shift, alt, super) and an XKB keysym name
//   type Hello, world!     text of the US layout
// It prints "ready" once the keyboard is there. WAYLAND_DISPLAY names the compositor.
#include "platform/KeyboardLayout.h"
#include "platform/wayland/VirtualKeyboard.h"
#include "platform/wayland/WaylandConnection.h"

#include <cctype>
#include <cstdio>
#include <functional>
#include <iostream>
#include <linux/input-event-codes.h>
#include <map>
#include <optional>
#include <string>
#include <wayland-client.h>
#include <wayland/fake-input-client-protocol.h>
#include <xkbcommon/xkbcommon.h>

namespace {

using quillo::VirtualKeyboard;
namespace VirtualModifier = quillo::VirtualModifier;

const std::map<std::string, std::uint16_t> modifierNames{
    {"ctrl", VirtualModifier::control}, {"control", VirtualModifier::control},
    {"shift", VirtualModifier::shift},  {"alt", VirtualModifier::alt},
    {"super", VirtualModifier::super},  {"logo", VirtualModifier::super},
};

std::optional<std::uint32_t> keysymNamed(const std::string& name) {
    xkb_keysym_t keysym = xkb_keysym_from_name(name.c_str(), XKB_KEYSYM_NO_FLAGS);
    if (keysym == XKB_KEY_NoSymbol)
        keysym = xkb_keysym_from_name(name.c_str(), XKB_KEYSYM_CASE_INSENSITIVE);
    if (keysym == XKB_KEY_NoSymbol)
        return std::nullopt;
    return keysym;
}

/// Presses and releases the key of a keysym with modifiers (VirtualModifier bits) held.
using Tap = std::function<bool(std::uint32_t keysym, std::uint16_t modifiers)>;

/// Taps through KWin's fake input, on the key positions of a US keyboard (KWin's own layout
/// unless told otherwise).
Tap fakeInputTap(const std::shared_ptr<quillo::WaylandConnection>& connection) {
    auto* fakeInput =
        connection->bind<org_kde_kwin_fake_input>(org_kde_kwin_fake_input_interface, 4, 4);
    std::optional<quillo::KeyboardLayout> us = quillo::KeyboardLayout::fromNames("us");
    if (!fakeInput || !us)
        return {};
    org_kde_kwin_fake_input_authenticate(fakeInput, "Quillo tests", "Typing in the tests");
    return [fakeInput, us = std::move(*us)](std::uint32_t keysym, std::uint16_t modifiers) {
        std::uint32_t unshifted = xkb_keysym_to_lower(keysym);
        if (unshifted != keysym)
            modifiers |= VirtualModifier::shift;
        const std::optional<std::uint32_t> code = us.evdevCodeOf(unshifted);
        if (!code)
            return false;
        const std::pair<std::uint16_t, std::uint32_t> held[] = {
            {VirtualModifier::control, KEY_LEFTCTRL},
            {VirtualModifier::shift, KEY_LEFTSHIFT},
            {VirtualModifier::alt, KEY_LEFTALT},
            {VirtualModifier::super, KEY_LEFTMETA}};
        const auto key = [fakeInput](std::uint32_t evdev, bool down) {
            org_kde_kwin_fake_input_keyboard_key(fakeInput, evdev,
                                                 down ? WL_KEYBOARD_KEY_STATE_PRESSED
                                                      : WL_KEYBOARD_KEY_STATE_RELEASED);
        };
        for (const auto& [bit, evdev] : held)
            if (modifiers & bit)
                key(evdev, true);
        key(*code, true);
        key(*code, false);
        for (const auto& [bit, evdev] : held)
            if (modifiers & bit)
                key(evdev, false);
        return true;
    };
}

bool pressChord(const Tap& tap, const std::string& chord) {
    std::uint16_t modifiers = 0;
    std::string rest = chord;
    for (std::size_t plus = rest.find('+'); plus != std::string::npos && plus + 1 < rest.size();
         plus = rest.find('+')) {
        std::string name = rest.substr(0, plus);
        for (char& c : name)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        const auto modifier = modifierNames.find(name);
        if (modifier == modifierNames.end())
            return false;
        modifiers |= modifier->second;
        rest = rest.substr(plus + 1);
    }
    const std::optional<std::uint32_t> keysym = keysymNamed(rest);
    return keysym && tap(*keysym, modifiers);
}

bool typeText(const Tap& tap, const std::string& text) {
    // One character at a time: decode UTF-8 to code points, code points to keysyms.
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t codePoint = length == 1 ? lead : lead & (0x3F >> (length - 1));
        for (int k = 1; k < length && i + static_cast<std::size_t>(k) < text.size(); ++k)
            codePoint = (codePoint << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        i += static_cast<std::size_t>(length);
        if (!tap(xkb_utf32_to_keysym(codePoint), 0))
            return false;
    }
    return true;
}

} // namespace

int main() {
    const auto connection = quillo::WaylandConnection::open();
    if (!connection) {
        std::fprintf(stderr, "wl-keyboard: no Wayland compositor answers\n");
        return 1;
    }
    const std::shared_ptr<VirtualKeyboard> keyboard = VirtualKeyboard::create(connection);
    Tap tap = keyboard ? Tap([keyboard](std::uint32_t keysym, std::uint16_t modifiers) {
        return keyboard->tap(keysym, modifiers);
    })
                       : fakeInputTap(connection);
    if (!tap) {
        std::fprintf(stderr, "wl-keyboard: the compositor lends no keyboard to this program\n");
        return 1;
    }
    // The compositor has the keyboard and its keymap once it answers.
    connection->roundtrip();
    std::cout << "ready" << std::endl;

    std::string line;
    while (std::getline(std::cin, line)) {
        const std::size_t space = line.find(' ');
        const std::string command = line.substr(0, space);
        const std::string argument = space == std::string::npos ? "" : line.substr(space + 1);
        bool done = false;
        if (command == "key") {
            done = pressChord(tap, argument);
        } else if (command == "type") {
            done = typeText(tap, argument);
        }
        // The keys are sent once the compositor has answered what came after them.
        done = done && connection->roundtrip();
        std::cout << (done ? "ok" : "error " + line) << std::endl;
    }
    return 0;
}
