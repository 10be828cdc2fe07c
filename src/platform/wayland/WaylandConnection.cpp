#include "WaylandConnection.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <utility>
#include <wayland-client.h>

namespace quillo {

namespace {

// How long a full socket may stay full before requests are left queued: the compositor is
// then stuck, and waiting longer would freeze the program with it.
constexpr int flushWaitMs = 1000;

} // namespace

std::shared_ptr<WaylandConnection> WaylandConnection::open() {
    wl_display* display = wl_display_connect(nullptr);
    if (!display)
        return nullptr;
    std::shared_ptr<WaylandConnection> connection(new WaylandConnection(display));
    if (!connection->isAlive())
        return nullptr;
    return connection;
}

WaylandConnection::WaylandConnection(wl_display* display) : display_(display) {
    static constexpr wl_registry_listener listener{&WaylandConnection::onGlobal,
                                                   &WaylandConnection::onGlobalRemove};
    registry_ = wl_display_get_registry(display_);
    wl_registry_add_listener(registry_, &listener, this);
    if (!roundtrip())
        return;
    // The seat's own events (capabilities, name) are of no use here and go unheard.
    seat_ = bind<wl_seat>(wl_seat_interface, 5);
    flush();
    if (QCoreApplication::instance()) {
        notifier_ =
            std::make_unique<QSocketNotifier>(wl_display_get_fd(display_), QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { readEvents(); });
    }
}

WaylandConnection::~WaylandConnection() {
    notifier_.reset();
    if (seat_) {
        if (wl_seat_get_version(seat_) >= WL_SEAT_RELEASE_SINCE_VERSION)
            wl_seat_release(seat_);
        else
            wl_seat_destroy(seat_);
    }
    if (registry_)
        wl_registry_destroy(registry_);
    wl_display_disconnect(display_);
}

void WaylandConnection::onGlobal(void* data, wl_registry*, std::uint32_t name,
                                 const char* interface, std::uint32_t version) {
    static_cast<WaylandConnection*>(data)->globals_.push_back({interface, name, version});
}

void WaylandConnection::onGlobalRemove(void* data, wl_registry*, std::uint32_t name) {
    std::erase_if(static_cast<WaylandConnection*>(data)->globals_,
                  [name](const Global& global) { return global.name == name; });
}

bool WaylandConnection::offers(std::string_view interface, std::uint32_t minVersion) const {
    return std::ranges::any_of(globals_, [&](const Global& global) {
        return global.interface == interface && global.version >= minVersion;
    });
}

std::vector<std::string> WaylandConnection::interfaceNames() const {
    std::vector<std::string> names;
    for (const Global& global : globals_)
        names.push_back(global.interface);
    return names;
}

void* WaylandConnection::bind(const wl_interface& interface, std::uint32_t maxVersion,
                              std::uint32_t minVersion) const {
    const auto global = std::ranges::find_if(globals_, [&](const Global& candidate) {
        return candidate.interface == interface.name && candidate.version >= minVersion;
    });
    if (global == globals_.end())
        return nullptr;
    const std::uint32_t version =
        std::min({global->version, maxVersion, static_cast<std::uint32_t>(interface.version)});
    return wl_registry_bind(registry_, global->name, &interface, version);
}

void WaylandConnection::flush() const {
    while (wl_display_flush(display_) < 0 && errno == EAGAIN) {
        pollfd socket{wl_display_get_fd(display_), POLLOUT, 0};
        if (poll(&socket, 1, flushWaitMs) <= 0)
            return;
    }
}

void WaylandConnection::dispatchPending() const {
    readEvents();
}

void WaylandConnection::readEvents() const {
    if (!isAlive())
        return;
    // Events another caller already read sit in the queue and must go first.
    while (wl_display_prepare_read(display_) != 0)
        wl_display_dispatch_pending(display_);
    flush();
    pollfd socket{wl_display_get_fd(display_), POLLIN, 0};
    if (poll(&socket, 1, 0) > 0)
        wl_display_read_events(display_);
    else
        wl_display_cancel_read(display_);
    wl_display_dispatch_pending(display_);
    flush();
    // A closed socket stays readable: stop listening rather than spin.
    if (!isAlive() && notifier_)
        notifier_->setEnabled(false);
}

bool WaylandConnection::roundtrip() const {
    return isAlive() && wl_display_roundtrip(display_) >= 0;
}

bool WaylandConnection::isAlive() const {
    return wl_display_get_error(display_) == 0;
}

void WaylandConnection::holdBack(const void* owner, std::function<void()> send) {
    heldBack_[owner] = std::move(send);
}

void WaylandConnection::dropHeldBack(const void* owner) {
    heldBack_.erase(owner);
}

void WaylandConnection::sendHeldBack() {
    // Each piece may hold back more work while it runs: take them out first.
    auto pieces = std::exchange(heldBack_, {});
    for (auto& [owner, send] : pieces)
        send();
}

} // namespace quillo
