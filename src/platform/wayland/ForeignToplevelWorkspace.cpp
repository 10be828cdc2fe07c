#include "ForeignToplevelWorkspace.h"

#include "WaylandConnection.h"

#include <QTimer>
#include <vector>
#include <wayland-client.h>
#include <wayland/wlr-foreign-toplevel-management-unstable-v1-client-protocol.h>

namespace quillo {

namespace {

ForeignToplevelWorkspace* workspaceOf(void* data) {
    return static_cast<ForeignToplevelWorkspace*>(data);
}

} // namespace

// The handle's events reach the workspace through these; each finds its toplevel by handle.
struct ForeignToplevelEvents {
    static void title(void*, zwlr_foreign_toplevel_handle_v1*, const char*) {}
    static void appId(void* data, zwlr_foreign_toplevel_handle_v1* handle, const char* appId);
    static void outputEnter(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}
    static void outputLeave(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}
    static void state(void* data, zwlr_foreign_toplevel_handle_v1* handle, wl_array* states);
    static void done(void* data, zwlr_foreign_toplevel_handle_v1* handle);
    static void closed(void* data, zwlr_foreign_toplevel_handle_v1* handle);
    static void parent(void*, zwlr_foreign_toplevel_handle_v1*, zwlr_foreign_toplevel_handle_v1*) {}
};

namespace {

constexpr zwlr_foreign_toplevel_handle_v1_listener handleListener{
    ForeignToplevelEvents::title,       ForeignToplevelEvents::appId,
    ForeignToplevelEvents::outputEnter, ForeignToplevelEvents::outputLeave,
    ForeignToplevelEvents::state,       ForeignToplevelEvents::done,
    ForeignToplevelEvents::closed,      ForeignToplevelEvents::parent,
};

} // namespace

ForeignToplevelWorkspace::ForeignToplevelWorkspace(std::shared_ptr<WaylandConnection> connection,
                                                   std::chrono::milliseconds focusWait)
    : connection_(std::move(connection)), focusWait_(focusWait) {
    if (!connection_)
        return;
    manager_ = connection_->bind<zwlr_foreign_toplevel_manager_v1>(
        zwlr_foreign_toplevel_manager_v1_interface, 3);
    if (!manager_)
        return;
    static constexpr zwlr_foreign_toplevel_manager_v1_listener listener{
        &ForeignToplevelWorkspace::onToplevel, &ForeignToplevelWorkspace::onFinished};
    zwlr_foreign_toplevel_manager_v1_add_listener(manager_, &listener, this);
    // The compositor lists the windows open now in answer.
    connection_->roundtrip();
}

ForeignToplevelWorkspace::~ForeignToplevelWorkspace() {
    stopListening(false);
    if (connection_)
        connection_->flush();
}

void ForeignToplevelWorkspace::stopListening(bool finished) {
    for (const auto& [handle, toplevel] : toplevels_)
        zwlr_foreign_toplevel_handle_v1_destroy(handle);
    toplevels_.clear();
    if (manager_) {
        // The protocol has no destructor: ask for no more (unless the compositor is through
        // already and has dropped the object), and forget it.
        if (!finished)
            zwlr_foreign_toplevel_manager_v1_stop(manager_);
        zwlr_foreign_toplevel_manager_v1_destroy(manager_);
        manager_ = nullptr;
    }
}

void ForeignToplevelWorkspace::onToplevel(void* data, zwlr_foreign_toplevel_manager_v1*,
                                          zwlr_foreign_toplevel_handle_v1* handle) {
    ForeignToplevelWorkspace* self = workspaceOf(data);
    self->toplevels_[handle].window = ++self->lastWindow_;
    zwlr_foreign_toplevel_handle_v1_add_listener(handle, &handleListener, self);
}

void ForeignToplevelWorkspace::onFinished(void* data, zwlr_foreign_toplevel_manager_v1*) {
    workspaceOf(data)->stopListening(true);
}

void ForeignToplevelEvents::appId(void* data, zwlr_foreign_toplevel_handle_v1* handle,
                                  const char* appId) {
    auto& toplevels = workspaceOf(data)->toplevels_;
    if (const auto found = toplevels.find(handle); found != toplevels.end())
        found->second.pendingAppId = appId;
}

void ForeignToplevelEvents::state(void* data, zwlr_foreign_toplevel_handle_v1* handle,
                                  wl_array* states) {
    auto& toplevels = workspaceOf(data)->toplevels_;
    const auto found = toplevels.find(handle);
    if (found == toplevels.end())
        return;
    bool activated = false;
    const auto* entries = static_cast<const std::uint32_t*>(states->data);
    for (std::size_t i = 0; i < states->size / sizeof(std::uint32_t); ++i)
        activated = activated || entries[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED;
    found->second.pendingActivated = activated;
}

void ForeignToplevelEvents::done(void* data, zwlr_foreign_toplevel_handle_v1* handle) {
    workspaceOf(data)->toplevelDone(handle);
}

void ForeignToplevelEvents::closed(void* data, zwlr_foreign_toplevel_handle_v1* handle) {
    workspaceOf(data)->toplevelClosed(handle);
}

void ForeignToplevelWorkspace::toplevelDone(zwlr_foreign_toplevel_handle_v1* handle) {
    const auto found = toplevels_.find(handle);
    if (found == toplevels_.end())
        return;
    Toplevel& toplevel = found->second;
    if (toplevel.pendingAppId)
        toplevel.appId = *std::exchange(toplevel.pendingAppId, std::nullopt);
    if (toplevel.pendingActivated)
        toplevel.activated = *std::exchange(toplevel.pendingActivated, std::nullopt);
    if (!toplevel.activated)
        return;
    // Whoever waited for this window goes on from the event loop, not from inside the
    // dispatch of Wayland events, where another round trip would nest.
    for (const auto& [wait, waiting] : waits_)
        if (waiting.window == toplevel.window)
            QTimer::singleShot(0, &receiver_, [this, wait = wait] { finishWait(wait); });
}

void ForeignToplevelWorkspace::toplevelClosed(zwlr_foreign_toplevel_handle_v1* handle) {
    // A wait for the window lasts until its time is up.
    zwlr_foreign_toplevel_handle_v1_destroy(handle);
    toplevels_.erase(handle);
}

void ForeignToplevelWorkspace::finishWait(std::uint64_t wait) {
    const auto found = waits_.find(wait);
    if (found == waits_.end())
        return;
    const std::function<void()> then = std::move(found->second.then);
    waits_.erase(found);
    then();
}

const ForeignToplevelWorkspace::Toplevel* ForeignToplevelWorkspace::front() const {
    if (!manager_)
        return nullptr;
    // Changes of focus the compositor has sent but the event loop has not yet taken in.
    connection_->roundtrip();
    for (const auto& [handle, toplevel] : toplevels_)
        if (toplevel.activated)
            return &toplevel;
    return nullptr;
}

std::optional<ApplicationHandle> ForeignToplevelWorkspace::frontmostApplication() const {
    const Toplevel* toplevel = front();
    if (!toplevel)
        return std::nullopt;
    return ApplicationHandle{toplevel->window, 0, toplevel->appId};
}

std::string ForeignToplevelWorkspace::frontAppId() const {
    const Toplevel* toplevel = front();
    return toplevel ? toplevel->appId : std::string();
}

void ForeignToplevelWorkspace::afterFocusReturnsTo(const std::optional<ApplicationHandle>& target,
                                                   std::function<void()> then) {
    const std::optional<ApplicationHandle> now = frontmostApplication();
    if (!target || !manager_ || (now && sameApplication(*now, *target))) {
        then();
        return;
    }
    const std::uint64_t wait = ++lastWait_;
    waits_.emplace(wait, Wait{target->window, std::move(then)});
    // The paste itself sees another window in front then, and only copies.
    QTimer::singleShot(focusWait_, &receiver_, [this, wait] { finishWait(wait); });
}

} // namespace quillo
