#pragma once

#include <cstdint>
#include <functional>
#include <optional>
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

    /// Who holds a combination that `registerHotKey` refused, as the desktop names the action
    /// ("Switch applications"); absent when it can't be told.
    virtual std::optional<std::string> holderOf(std::uint32_t keyCode,
                                                std::uint32_t modifiers) const {
        (void)keyCode;
        (void)modifiers;
        return std::nullopt;
    }

    /// Where the desktop runs the shortcut itself once the user agrees to add it there (GNOME's
    /// own keyboard shortcuts): true while it is there. The combination registered meanwhile is
    /// remembered and checked against the desktop's own, not yet active.
    virtual bool offersDesktopSetUp() const { return false; }
    virtual bool isSetUpInDesktop() const { return false; }
    /// Adds the last registered combination to the desktop, or takes it away. Returns 0 on
    /// success, else an error code as `registerHotKey` does.
    virtual int setUpInDesktop(bool on) {
        (void)on;
        return 0;
    }

    /// Where the desktop decides the combination in a dialog of its own: the trigger as the
    /// desktop describes it ("Ctrl+Alt+Space"). Empty elsewhere, and until the desktop said.
    virtual std::string desktopTrigger() const { return {}; }
    /// Called on the main thread when `desktopTrigger` or `isSetUpInDesktop` change.
    virtual void setChangedHandler(std::function<void()> handler) { (void)handler; }
};

} // namespace quillo
