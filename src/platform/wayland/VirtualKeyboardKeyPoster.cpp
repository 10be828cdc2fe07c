#include "VirtualKeyboardKeyPoster.h"

#include "VirtualKeyboard.h"
#include "WaylandConnection.h"
#include "platform/KeyTranslation.h"
#include "platform/TerminalApps.h"

#include <optional>
#include <xkbcommon/xkbcommon-keysyms.h>

namespace quillo {

VirtualKeyboardKeyPoster::VirtualKeyboardKeyPoster(std::shared_ptr<WaylandConnection> connection,
                                                   FrontAppId frontAppId)
    : connection_(std::move(connection)), keyboard_(VirtualKeyboard::create(connection_)),
      frontAppId_(std::move(frontAppId)) {}

VirtualKeyboardKeyPoster::~VirtualKeyboardKeyPoster() = default;

bool VirtualKeyboardKeyPoster::tapKey(std::uint16_t keyCode, std::uint64_t modifierFlags) {
    if (!keyboard_)
        return false;
    std::optional<std::uint32_t> keysym;
    std::uint16_t modifiers = 0;
    if (keys::isPasteCommand(keyCode, modifierFlags)) {
        keysym = XKB_KEY_v;
        modifiers = VirtualModifier::control;
        if (frontAppId_ && isTerminalApp(frontAppId_()))
            modifiers |= VirtualModifier::shift;
    } else {
        keysym = keys::keysymForKeyCode(keyCode);
        // X modifier masks are the keyboard's modifier bits.
        modifiers = keys::xModifiersForFlags(modifierFlags);
    }
    if (!keysym)
        return false;
    // What the keys act on must be there first: the clipboard write they paste.
    connection_->sendHeldBack();
    return keyboard_->tap(*keysym, modifiers);
}

} // namespace quillo
