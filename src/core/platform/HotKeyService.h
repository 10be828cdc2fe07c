#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace quillo {

/// A system-wide key combination that reaches this program whatever application is in front.
class HotKeyService {
public:
    virtual ~HotKeyService() = default;
    /// Takes the combination (a virtual key code and Carbon modifier bits: Command 0x100,
    /// Shift 0x200, Option 0x800, Control 0x1000). Returns 0 on success, else the system's
    /// error code (for instance when another program holds the combination).
    virtual int registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers) = 0;
    /// Gives the combination up, if one is held.
    virtual void unregisterHotKey() = 0;
    /// Called on the main thread each time the combination is pressed.
    virtual void setPressedHandler(std::function<void()> handler) = 0;
    /// Where the desktop only keeps the combination until it reloads its configuration: the
    /// line for the user to add there. Empty elsewhere.
    virtual std::string configurationLine() const { return {}; }
};

} // namespace quillo
