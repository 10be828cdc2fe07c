#include "GnomeHotKeyService.h"

#include "KeyTranslation.h"
#include "core/hotkey/GnomeAccelerators.h"

namespace quillo {

GnomeHotKeyService::GnomeHotKeyService(const std::string& program)
    : keybindings_(GnomeKeybindings::pickerCommand(program)) {}

std::optional<std::string> GnomeHotKeyService::acceleratorOf(std::uint32_t keyCode,
                                                             std::uint32_t modifiers) {
    const std::optional<std::string> name = keys::keysymNameForKeyCode(keyCode);
    if (!name)
        return std::nullopt;
    return gnomeAccelerator(*name, modifiers);
}

int GnomeHotKeyService::check(const std::optional<std::string>& accelerator) const {
    if (!GnomeKeybindings::isAvailable())
        return noSettings;
    if (!accelerator)
        return unknownKey;
    if (keybindings_.holderOf(*accelerator))
        return heldByOther;
    return 0;
}

int GnomeHotKeyService::registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers) {
    accelerator_.reset();
    const std::optional<std::string> accelerator = acceleratorOf(keyCode, modifiers);
    if (const int refused = check(accelerator))
        return refused;
    // A new shortcut recorded in our settings moves the one in GNOME along.
    if (keybindings_.installedAccelerator() && !keybindings_.install(*accelerator))
        return noSettings;
    accelerator_ = accelerator;
    return 0;
}

void GnomeHotKeyService::unregisterHotKey() {
    accelerator_.reset();
}

void GnomeHotKeyService::setPressedHandler(std::function<void()>) {}

std::optional<std::string> GnomeHotKeyService::holderOf(std::uint32_t keyCode,
                                                        std::uint32_t modifiers) const {
    const std::optional<std::string> accelerator = acceleratorOf(keyCode, modifiers);
    return accelerator ? keybindings_.holderOf(*accelerator) : std::nullopt;
}

bool GnomeHotKeyService::isSetUpInDesktop() const {
    return keybindings_.installedAccelerator().has_value();
}

int GnomeHotKeyService::setUpInDesktop(bool on) {
    int result = 0;
    if (on) {
        result = check(accelerator_);
        if (result == 0 && !keybindings_.install(*accelerator_))
            result = noSettings;
    } else {
        keybindings_.remove();
    }
    if (changed_)
        changed_();
    return result;
}

void GnomeHotKeyService::setChangedHandler(std::function<void()> handler) {
    changed_ = std::move(handler);
}

} // namespace quillo
