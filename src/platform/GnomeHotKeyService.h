#pragma once

#include "GnomeKeybindings.h"
#include "core/platform/HotKeyService.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace quillo {

/// The global shortcut on GNOME, whose Wayland session offers programs no shortcut of their
/// own: once the user agrees, the combination becomes one of GNOME's custom keyboard
/// shortcuts, running `quillo --picker`. The press reaches the running program through its
/// instance channel, never through the pressed handler. The shortcut stays in GNOME when the
/// program quits (pressed then, it starts Quillo with its picker) and is the user's to change
/// or remove in GNOME's Settings.
class GnomeHotKeyService final : public HotKeyService {
public:
    /// Returned when GNOME's settings are missing or refused the shortcut.
    static constexpr int noSettings = -1;
    /// Returned for a key the program cannot name, or when no combination is registered.
    static constexpr int unknownKey = -2;
    /// Returned when a shortcut of GNOME's or another custom one has the combination.
    static constexpr int heldByOther = -3;

    /// `program` is the path the shortcut runs.
    explicit GnomeHotKeyService(const std::string& program);

    /// Remembers the combination, and moves the shortcut in GNOME to it when it is there.
    /// 0 on success, else one of the codes above; a failure remembers nothing and leaves
    /// GNOME's shortcut as it was.
    int registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers) override;
    /// Forgets the combination; the shortcut in GNOME stays.
    void unregisterHotKey() override;
    /// GNOME runs the program instead: presses arrive as picker requests.
    void setPressedHandler(std::function<void()> handler) override;

    std::optional<std::string> holderOf(std::uint32_t keyCode,
                                        std::uint32_t modifiers) const override;
    bool offersDesktopSetUp() const override { return true; }
    bool isSetUpInDesktop() const override;
    int setUpInDesktop(bool on) override;
    void setChangedHandler(std::function<void()> handler) override;

    /// The GNOME accelerator of a key and modifiers ("<Control><Alt>space").
    static std::optional<std::string> acceleratorOf(std::uint32_t keyCode, std::uint32_t modifiers);

private:
    /// 0, or the code that refuses `accelerator`.
    int check(const std::optional<std::string>& accelerator) const;

    GnomeKeybindings keybindings_;
    std::optional<std::string> accelerator_;
    std::function<void()> changed_;
};

} // namespace quillo
