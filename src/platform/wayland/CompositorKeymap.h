#pragma once

#include "platform/KeyboardLayout.h"

#include <memory>
#include <optional>

struct wl_keyboard;
struct wl_seat;

namespace quillo {

class WaylandConnection;

/// The keyboard layout the compositor types with. It hands its keymap to every client that
/// holds a keyboard, and again whenever the user changes layouts; this holds one for that.
class CompositorKeymap {
public:
    /// Waits for the keymap. Null without a seat.
    static std::unique_ptr<CompositorKeymap> create(std::shared_ptr<WaylandConnection> connection);
    ~CompositorKeymap();
    CompositorKeymap(const CompositorKeymap&) = delete;
    CompositorKeymap& operator=(const CompositorKeymap&) = delete;

    /// The latest keymap; absent while the seat has no keyboard.
    const std::optional<KeyboardLayout>& layout() const { return layout_; }

private:
    CompositorKeymap(std::shared_ptr<WaylandConnection> connection, wl_seat* seat);

    static void onCapabilities(void* data, wl_seat* seat, std::uint32_t capabilities);
    static void onKeymap(void* data, wl_keyboard* keyboard, std::uint32_t format, int fd,
                         std::uint32_t size);

    std::shared_ptr<WaylandConnection> connection_;
    // A seat of our own: the connection's shared one has no listener to tell capabilities.
    wl_seat* seat_;
    wl_keyboard* keyboard_ = nullptr;
    std::optional<KeyboardLayout> layout_;
};

} // namespace quillo
