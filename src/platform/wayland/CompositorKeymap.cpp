#include "CompositorKeymap.h"

#include "WaylandConnection.h"

#include <string_view>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

namespace quillo {

namespace {

void ignoreSeatName(void*, wl_seat*, const char*) {}
void ignoreEnter(void*, wl_keyboard*, std::uint32_t, wl_surface*, wl_array*) {}
void ignoreLeave(void*, wl_keyboard*, std::uint32_t, wl_surface*) {}
void ignoreKey(void*, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) {}
void ignoreModifiers(void*, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t,
                     std::uint32_t, std::uint32_t) {}
void ignoreRepeatInfo(void*, wl_keyboard*, std::int32_t, std::int32_t) {}

} // namespace

std::unique_ptr<CompositorKeymap>
CompositorKeymap::create(std::shared_ptr<WaylandConnection> connection) {
    if (!connection)
        return nullptr;
    auto* seat = connection->bind<wl_seat>(wl_seat_interface, 5);
    if (!seat)
        return nullptr;
    std::unique_ptr<CompositorKeymap> keymap(new CompositorKeymap(connection, seat));
    // One round trip brings the seat's capabilities, the next the keyboard's keymap.
    connection->roundtrip();
    connection->roundtrip();
    return keymap;
}

CompositorKeymap::CompositorKeymap(std::shared_ptr<WaylandConnection> connection, wl_seat* seat)
    : connection_(std::move(connection)), seat_(seat) {
    static constexpr wl_seat_listener listener{&CompositorKeymap::onCapabilities, &ignoreSeatName};
    wl_seat_add_listener(seat_, &listener, this);
}

CompositorKeymap::~CompositorKeymap() {
    if (keyboard_) {
        if (wl_keyboard_get_version(keyboard_) >= WL_KEYBOARD_RELEASE_SINCE_VERSION)
            wl_keyboard_release(keyboard_);
        else
            wl_keyboard_destroy(keyboard_);
    }
    if (wl_seat_get_version(seat_) >= WL_SEAT_RELEASE_SINCE_VERSION)
        wl_seat_release(seat_);
    else
        wl_seat_destroy(seat_);
    connection_->flush();
}

void CompositorKeymap::onCapabilities(void* data, wl_seat* seat, std::uint32_t capabilities) {
    auto* self = static_cast<CompositorKeymap*>(data);
    const bool hasKeyboard = (capabilities & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
    if (hasKeyboard && !self->keyboard_) {
        static constexpr wl_keyboard_listener listener{&CompositorKeymap::onKeymap,
                                                       &ignoreEnter,
                                                       &ignoreLeave,
                                                       &ignoreKey,
                                                       &ignoreModifiers,
                                                       &ignoreRepeatInfo};
        self->keyboard_ = wl_seat_get_keyboard(seat);
        wl_keyboard_add_listener(self->keyboard_, &listener, self);
    } else if (!hasKeyboard && self->keyboard_) {
        wl_keyboard_destroy(self->keyboard_);
        self->keyboard_ = nullptr;
        self->layout_.reset();
    }
}

void CompositorKeymap::onKeymap(void* data, wl_keyboard*, std::uint32_t format, int fd,
                                std::uint32_t size) {
    auto* self = static_cast<CompositorKeymap*>(data);
    if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1) {
        // Private: from seat version 7 on, the compositor may share one read-only mapping.
        void* text = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (text != MAP_FAILED) {
            if (auto layout = KeyboardLayout::fromKeymapText(
                    std::string_view(static_cast<char*>(text), size)))
                self->layout_ = std::move(layout);
            munmap(text, size);
        }
    }
    close(fd);
}

} // namespace quillo
