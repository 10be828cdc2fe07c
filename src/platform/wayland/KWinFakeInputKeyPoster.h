#pragma once

#include "core/platform/KeyPoster.h"
#include "platform/KeyboardLayout.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

struct org_kde_kwin_fake_input;

namespace quillo {

class CompositorKeymap;
class WaylandConnection;

/// Key presses through KWin's fake input (org_kde_kwin_fake_input), as if typed on the
/// keyboard. KWin offers it only to a program whose installed desktop entry asks for it
/// (X-KDE-Wayland-Interfaces) and whose Exec is the program's absolute path. Command-V
/// becomes the paste chord of the application in front; other keys are sent as they are,
/// with Command as Ctrl.
///
/// Keys are sent as key positions, which the user's layout reads: the position that types
/// each keysym is looked up in the compositor's keymap, in its first layout. With several
/// layouts, the one in use is not told to us.
class KWinFakeInputKeyPoster final : public KeyPoster {
public:
    using FrontAppId = std::function<std::string()>;

    /// `frontAppId` names the application that will receive the keys (its Wayland app id;
    /// KWin tells none, so it may well be empty). Work the connection holds back (a
    /// clipboard write) is sent before the keys.
    KWinFakeInputKeyPoster(std::shared_ptr<WaylandConnection> connection, FrontAppId frontAppId);
    ~KWinFakeInputKeyPoster() override;
    KWinFakeInputKeyPoster(const KWinFakeInputKeyPoster&) = delete;
    KWinFakeInputKeyPoster& operator=(const KWinFakeInputKeyPoster&) = delete;

    /// True when KWin offered fake input to this program; without it nothing is posted.
    bool granted() const { return fakeInput_ != nullptr; }

    bool tapKey(std::uint16_t keyCode, std::uint64_t modifierFlags) override;

private:
    std::optional<std::uint32_t> evdevCodeOf(std::uint32_t keysym) const;
    void sendKey(std::uint32_t evdevCode, bool pressed) const;

    std::shared_ptr<WaylandConnection> connection_;
    FrontAppId frontAppId_;
    org_kde_kwin_fake_input* fakeInput_ = nullptr;
    std::unique_ptr<CompositorKeymap> keymap_;
    // For a seat without a keyboard, whose keymap nobody could tell.
    std::optional<KeyboardLayout> usLayout_;
};

} // namespace quillo
