#pragma once

#include <cstdint>

namespace quillo {

/// Synthetic key presses into the application in front.
class KeyPoster {
public:
    virtual ~KeyPoster() = default;
    /// Presses and releases a key (a virtual key code with ModifierFlag bits). Command-V
    /// means "paste": the platform sends the chord the window in front expects. False when
    /// the keys couldn't be posted (no key on the keyboard types them, nothing to post with).
    virtual bool tapKey(std::uint16_t keyCode, std::uint64_t modifierFlags) = 0;
};

} // namespace quillo
