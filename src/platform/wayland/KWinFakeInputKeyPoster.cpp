#include "KWinFakeInputKeyPoster.h"

#include "CompositorKeymap.h"
#include "WaylandConnection.h"
#include "core/util/Translation.h"
#include "platform/KeyTranslation.h"
#include "platform/TerminalApps.h"

#include <algorithm>
#include <array>
#include <linux/input-event-codes.h>
#include <optional>
#include <vector>
#include <wayland-client.h>
#include <wayland/fake-input-client-protocol.h>
#include <xkbcommon/xkbcommon-keysyms.h>

namespace quillo {

namespace {

// keyboard_key came with version 4.
constexpr std::uint32_t fakeInputVersion = 4;

// The modifier keys of both hands. KWin keeps one keyboard state for all devices, so a
// modifier the user still holds (Alt of Alt+Return in the picker) would join our chord:
// Ctrl+Alt+V pastes nothing. Releasing them first clears it; a release of a key that is
// not down changes nothing.
constexpr std::array heldModifierKeys{KEY_LEFTCTRL, KEY_RIGHTCTRL, KEY_LEFTSHIFT, KEY_RIGHTSHIFT,
                                      KEY_LEFTALT,  KEY_RIGHTALT,  KEY_LEFTMETA,  KEY_RIGHTMETA};

struct ModifierKey {
    std::uint32_t keysym;
    std::uint32_t evdevCode;
};

// Where US English has the modifier keys, for when the keymap doesn't say.
constexpr std::array modifierKeys{
    ModifierKey{XKB_KEY_Control_L, KEY_LEFTCTRL},
    ModifierKey{XKB_KEY_Shift_L, KEY_LEFTSHIFT},
    ModifierKey{XKB_KEY_Alt_L, KEY_LEFTALT},
    ModifierKey{XKB_KEY_Super_L, KEY_LEFTMETA},
};

} // namespace

KWinFakeInputKeyPoster::KWinFakeInputKeyPoster(std::shared_ptr<WaylandConnection> connection,
                                               FrontAppId frontAppId)
    : connection_(std::move(connection)), frontAppId_(std::move(frontAppId)) {
    if (!connection_)
        return;
    fakeInput_ = connection_->bind<org_kde_kwin_fake_input>(org_kde_kwin_fake_input_interface,
                                                            fakeInputVersion, fakeInputVersion);
    if (!fakeInput_)
        return;
    // KWin 5.27 grants every client it offered the interface to; the reason is for a
    // compositor that asks the user.
    // TRANSLATORS: Why Quillo asks KDE Plasma to let it type into other programs.
    org_kde_kwin_fake_input_authenticate(
        fakeInput_, "Quillo", i18n("Paste snippets into the application in front").c_str());
    keymap_ = CompositorKeymap::create(connection_);
    usLayout_ = KeyboardLayout::fromNames("us");
}

KWinFakeInputKeyPoster::~KWinFakeInputKeyPoster() {
    keymap_.reset();
    if (fakeInput_) {
        // The protocol has no destructor request: this only forgets the object.
        org_kde_kwin_fake_input_destroy(fakeInput_);
        connection_->flush();
    }
}

std::optional<std::uint32_t> KWinFakeInputKeyPoster::evdevCodeOf(std::uint32_t keysym) const {
    if (keymap_ && keymap_->layout())
        return keymap_->layout()->evdevCodeOf(keysym);
    return usLayout_ ? usLayout_->evdevCodeOf(keysym) : std::nullopt;
}

void KWinFakeInputKeyPoster::sendKey(std::uint32_t evdevCode, bool pressed) const {
    org_kde_kwin_fake_input_keyboard_key(fakeInput_, evdevCode,
                                         pressed ? WL_KEYBOARD_KEY_STATE_PRESSED
                                                 : WL_KEYBOARD_KEY_STATE_RELEASED);
}

bool KWinFakeInputKeyPoster::tapKey(std::uint16_t keyCode, std::uint64_t modifierFlags) {
    if (!fakeInput_)
        return false;
    std::optional<std::uint32_t> key;
    std::vector<std::uint32_t> modifierKeysyms;
    if (keys::isPasteCommand(keyCode, modifierFlags)) {
        // A layout without a Latin "v" (Cyrillic alone) still pastes on the V position:
        // applications fall back to the Latin keysym for shortcuts.
        key = evdevCodeOf(XKB_KEY_v).value_or(KEY_V);
        modifierKeysyms = {XKB_KEY_Control_L};
        if (frontAppId_ && isTerminalApp(frontAppId_()))
            modifierKeysyms.push_back(XKB_KEY_Shift_L);
    } else if (const auto keysym = keys::keysymForKeyCode(keyCode)) {
        key = evdevCodeOf(*keysym);
        modifierKeysyms = keys::keysymsForXModifiers(keys::xModifiersForFlags(modifierFlags));
    }
    if (!key)
        return false;
    std::vector<std::uint32_t> modifierCodes;
    for (const std::uint32_t keysym : modifierKeysyms) {
        const auto* us = std::ranges::find(modifierKeys, keysym, &ModifierKey::keysym);
        if (const auto code = evdevCodeOf(keysym))
            modifierCodes.push_back(*code);
        else if (us != modifierKeys.end())
            modifierCodes.push_back(us->evdevCode);
    }

    // What the keys act on must be there first: the clipboard write they paste.
    connection_->sendHeldBack();
    for (const std::uint32_t held : heldModifierKeys)
        sendKey(held, false);
    for (const std::uint32_t code : modifierCodes)
        sendKey(code, true);
    sendKey(*key, true);
    sendKey(*key, false);
    for (auto code = modifierCodes.rbegin(); code != modifierCodes.rend(); ++code)
        sendKey(*code, false);
    connection_->flush();
    return true;
}

} // namespace quillo
