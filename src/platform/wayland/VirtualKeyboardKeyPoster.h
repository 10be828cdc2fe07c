#pragma once

#include "core/platform/KeyPoster.h"

#include <functional>
#include <memory>
#include <string>

namespace quillo {

class VirtualKeyboard;
class WaylandConnection;

/// Key presses through the program's own virtual keyboard on a wlroots compositor. Command-V
/// becomes the paste chord of the application in front; other keys are sent as they are,
/// with Command as Ctrl.
class VirtualKeyboardKeyPoster final : public KeyPoster {
public:
    using FrontAppId = std::function<std::string()>;

    /// Makes the keyboard at once, to be ready by the first paste. `frontAppId` names the
    /// application that will receive the keys (its Wayland app id). Without a keyboard
    /// (no connection, no virtual keyboard offered) nothing is posted. Work the connection
    /// holds back (a clipboard write) is sent before the keys.
    VirtualKeyboardKeyPoster(std::shared_ptr<WaylandConnection> connection, FrontAppId frontAppId);
    ~VirtualKeyboardKeyPoster() override;
    VirtualKeyboardKeyPoster(const VirtualKeyboardKeyPoster&) = delete;
    VirtualKeyboardKeyPoster& operator=(const VirtualKeyboardKeyPoster&) = delete;

    /// True when the compositor lent the keyboard.
    bool canPost() const { return keyboard_ != nullptr; }

    bool tapKey(std::uint16_t keyCode, std::uint64_t modifierFlags) override;

private:
    std::shared_ptr<WaylandConnection> connection_;
    std::unique_ptr<VirtualKeyboard> keyboard_;
    FrontAppId frontAppId_;
};

} // namespace quillo
