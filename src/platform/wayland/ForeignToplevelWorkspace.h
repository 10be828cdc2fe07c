#pragma once

#include "core/platform/Workspace.h"

#include <QObject>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

struct zwlr_foreign_toplevel_handle_v1;
struct zwlr_foreign_toplevel_manager_v1;

namespace quillo {

class WaylandConnection;

/// The application in front as a wlroots compositor tells it (zwlr_foreign_toplevel_manager_v1):
/// the toplevel window in the "activated" state. Handles name windows by a number given to
/// each toplevel when it appears; the process is not told.
class ForeignToplevelWorkspace final : public Workspace {
public:
    /// Without a connection, or when the compositor offers no window list, no application is
    /// ever in front. `focusWait` bounds how long `afterFocusReturnsTo` waits.
    explicit ForeignToplevelWorkspace(
        std::shared_ptr<WaylandConnection> connection,
        std::chrono::milliseconds focusWait = std::chrono::seconds(1));
    ~ForeignToplevelWorkspace() override;
    ForeignToplevelWorkspace(const ForeignToplevelWorkspace&) = delete;
    ForeignToplevelWorkspace& operator=(const ForeignToplevelWorkspace&) = delete;

    /// The handle's windowClass is the window's app id.
    std::optional<ApplicationHandle> frontmostApplication() const override;
    /// At once when the target is in front; else once the compositor reports it activated,
    /// or after `focusWait` at the latest. Always from the event loop when not at once.
    void afterFocusReturnsTo(const std::optional<ApplicationHandle>& target,
                             std::function<void()> then) override;
    /// The app id of the window in front; empty when none is.
    std::string frontAppId() const;

private:
    friend struct ForeignToplevelEvents;

    struct Toplevel {
        std::uint64_t window = 0;
        std::string appId;
        bool activated = false;
        // What the compositor is telling, applied together on "done".
        std::optional<std::string> pendingAppId;
        std::optional<bool> pendingActivated;
    };

    const Toplevel* front() const;
    void stopListening(bool finished);
    void toplevelDone(zwlr_foreign_toplevel_handle_v1* handle);
    void toplevelClosed(zwlr_foreign_toplevel_handle_v1* handle);
    void finishWait(std::uint64_t wait);

    static void onToplevel(void* data, zwlr_foreign_toplevel_manager_v1* manager,
                           zwlr_foreign_toplevel_handle_v1* handle);
    static void onFinished(void* data, zwlr_foreign_toplevel_manager_v1* manager);

    std::shared_ptr<WaylandConnection> connection_;
    std::chrono::milliseconds focusWait_;
    zwlr_foreign_toplevel_manager_v1* manager_ = nullptr;
    std::map<zwlr_foreign_toplevel_handle_v1*, Toplevel> toplevels_;
    std::uint64_t lastWindow_ = 0;
    /// Callers waiting for a window to be activated, by a number of their own.
    struct Wait {
        std::uint64_t window;
        std::function<void()> then;
    };
    std::map<std::uint64_t, Wait> waits_;
    std::uint64_t lastWait_ = 0;
    /// Timers and deferred calls go with this object.
    QObject receiver_;
};

} // namespace quillo
