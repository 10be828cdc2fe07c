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

/// A program the user copied from: it serves the targets from a thread of its own until
/// destroyed. Small data only (no incremental transfers).
class ForeignClipboardOwner : public OtherXClient {
public:
    using Offers = std::vector<std::pair<std::string, std::string>>;

    explicit ForeignClipboardOwner(const Offers& offers) : targets_{x().atom("TARGETS")} {
        for (const auto& [target, data] : offers) {
            offers_.emplace_back(x().atom(target.c_str()), data);
            targets_.push_back(offers_.back().first);
        }
        xcb_set_selection_owner(connection_, createWindow(), x().atom("CLIPBOARD"),
                                XCB_CURRENT_TIME);
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
            const XReply<xcb_generic_event_t> event(xcb_poll_for_event(connection_), &std::free);
            if (!event)
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            else if ((event->response_type & 0x7f) == XCB_SELECTION_REQUEST)
                answer(*reinterpret_cast<const xcb_selection_request_event_t*>(event.get()));
        }
    }

    void answer(const xcb_selection_request_event_t& request) {
        xcb_atom_t served = XCB_ATOM_NONE;
        if (request.target == targets_.front()) {
            xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, request.requestor,
                                request.property, XCB_ATOM_ATOM, 32,
                                static_cast<uint32_t>(targets_.size()), targets_.data());
            served = request.property;
        }
        for (const auto& [target, data] : offers_)
            if (target == request.target) {
                xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, request.requestor,
                                    request.property, target, 8, static_cast<uint32_t>(data.size()),
                                    data.data());
                served = request.property;
            }
        xcb_selection_notify_event_t notify{};
        notify.response_type = XCB_SELECTION_NOTIFY;
        notify.time = request.time;
        notify.requestor = request.requestor;
        notify.selection = request.selection;
        notify.target = request.target;
        notify.property = served;
        // X events travel as 32 bytes, more than this structure holds.
        char wire[32] = {};
        std::memcpy(wire, &notify, sizeof notify);
        xcb_send_event(connection_, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT, wire);
        xcb_flush(connection_);
    }

    /// TARGETS, then the offered ones.
    std::vector<xcb_atom_t> targets_;
    std::vector<std::pair<xcb_atom_t, std::string>> offers_;
    std::atomic<bool> stopped_ = false;
    std::thread server_;
};

} // namespace quillo::testing
