#pragma once

#include "platform/OtherXClient.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace quillo::testing {

/// Another X client holding the CLIPBOARD, like a program the user copied from: it offers
/// the given targets and serves them from its own connection and thread until destroyed.
/// Small data only (no incremental transfers).
class ForeignClipboardOwner : public OtherXClient {
public:
    using Offers = std::vector<std::pair<std::string, std::string>>;

    explicit ForeignClipboardOwner(const Offers& offers) {
        window_ = xcb_generate_id(connection_);
        xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window_, root_, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
        targets_ = x().atom("TARGETS");
        for (const auto& [target, data] : offers)
            offers_.emplace_back(x().atom(target.c_str()), data);
        xcb_set_selection_owner(connection_, window_, x().atom("CLIPBOARD"), XCB_CURRENT_TIME);
        xcb_flush(connection_);
        server_ = std::thread([this] { serve(); });
    }

    ~ForeignClipboardOwner() override {
        stopped_ = true;
        server_.join();
    }

private:
    void serve() {
        while (!stopped_) {
            const std::unique_ptr<xcb_generic_event_t, decltype(&std::free)> event(
                xcb_poll_for_event(connection_), &std::free);
            if (!event)
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            else if ((event->response_type & 0x7f) == XCB_SELECTION_REQUEST)
                answer(*reinterpret_cast<const xcb_selection_request_event_t*>(event.get()));
        }
    }

    void answer(const xcb_selection_request_event_t& request) {
        xcb_selection_notify_event_t notify{};
        notify.response_type = XCB_SELECTION_NOTIFY;
        notify.time = request.time;
        notify.requestor = request.requestor;
        notify.selection = request.selection;
        notify.target = request.target;
        bool served = request.target == targets_;
        std::vector<xcb_atom_t> targets{targets_};
        for (const auto& [target, data] : offers_) {
            targets.push_back(target);
            if (target != request.target)
                continue;
            xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, request.requestor,
                                request.property, target, 8, static_cast<uint32_t>(data.size()),
                                data.data());
            served = true;
        }
        if (request.target == targets_)
            xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, request.requestor,
                                request.property, XCB_ATOM_ATOM, 32,
                                static_cast<uint32_t>(targets.size()), targets.data());
        notify.property = served ? request.property : xcb_atom_t{XCB_ATOM_NONE};
        // X events travel as 32 bytes, more than this structure holds.
        char wire[32] = {};
        std::memcpy(wire, &notify, sizeof notify);
        xcb_send_event(connection_, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT, wire);
        xcb_flush(connection_);
    }

    xcb_window_t window_ = 0;
    xcb_atom_t targets_ = XCB_ATOM_NONE;
    std::vector<std::pair<xcb_atom_t, std::string>> offers_;
    std::atomic<bool> stopped_ = false;
    std::thread server_;
};

} // namespace quillo::testing
