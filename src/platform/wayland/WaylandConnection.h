#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct wl_display;
struct wl_interface;
struct wl_registry;
struct wl_seat;
class QSocketNotifier;

namespace quillo {

/// The program's own connection to the Wayland compositor, apart from Qt's: the protocols
/// the platform layer speaks (virtual keyboard, clipboard control, window list) are bound
/// here. Events are dispatched from the Qt event loop when there is one; without one (a
/// command-line tool) whoever waits dispatches through `roundtrip()`.
class WaylandConnection {
public:
    /// One global object the compositor announced.
    struct Global {
        std::string interface;
        std::uint32_t name = 0;
        std::uint32_t version = 0;
    };

    /// Connects to the compositor named by WAYLAND_DISPLAY and reads its globals; null when
    /// no compositor answers.
    static std::shared_ptr<WaylandConnection> open();
    ~WaylandConnection();
    WaylandConnection(const WaylandConnection&) = delete;
    WaylandConnection& operator=(const WaylandConnection&) = delete;

    wl_display* display() const { return display_; }
    /// The first seat; null when the compositor has none.
    wl_seat* seat() const { return seat_; }

    /// True when the compositor offers the interface at `minVersion` or later.
    bool offers(std::string_view interface, std::uint32_t minVersion = 1) const;
    /// The names of every interface offered, in the compositor's order.
    std::vector<std::string> interfaceNames() const;

    /// Binds the global of `interface` at the highest version both sides know, up to
    /// `maxVersion`; null when it is not offered at `minVersion` or later. The caller owns
    /// the proxy.
    void* bind(const wl_interface& interface, std::uint32_t maxVersion,
               std::uint32_t minVersion = 1) const;
    template <typename Proxy>
    Proxy* bind(const wl_interface& interface, std::uint32_t maxVersion,
                std::uint32_t minVersion = 1) const {
        return static_cast<Proxy*>(bind(interface, maxVersion, minVersion));
    }

    /// Sends the requests made so far, waiting briefly when the socket is full.
    void flush() const;
    /// Dispatches the events that have arrived, without waiting for more.
    void dispatchPending() const;
    /// Waits until the compositor has handled every request sent so far, dispatching the
    /// events they caused. False once the connection is lost.
    bool roundtrip() const;
    /// False once the compositor closed the connection or reported a protocol error.
    bool isAlive() const;

    /// Work held back to be sent in one piece, such as a clipboard write being assembled,
    /// that must reach the compositor before any input this program makes: the keys that
    /// paste it. `owner` names the work; a second call replaces it.
    void holdBack(const void* owner, std::function<void()> send);
    void dropHeldBack(const void* owner);
    /// Sends every piece of held-back work. Called before synthetic input.
    void sendHeldBack();

private:
    explicit WaylandConnection(wl_display* display);
    void readEvents() const;

    static void onGlobal(void* data, wl_registry* registry, std::uint32_t name,
                         const char* interface, std::uint32_t version);
    static void onGlobalRemove(void* data, wl_registry* registry, std::uint32_t name);

    wl_display* display_;
    wl_registry* registry_ = nullptr;
    wl_seat* seat_ = nullptr;
    std::vector<Global> globals_;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::map<const void*, std::function<void()>> heldBack_;
};

} // namespace quillo
