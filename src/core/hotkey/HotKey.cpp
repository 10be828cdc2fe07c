#include "HotKey.h"

#include <chrono>
#include <optional>
#include <stdexcept>
#include <string>

namespace quillo {

namespace {

struct SharedEnvironment {
    HotKeyService& service;
    Scheduler& scheduler;
    Log& log;
};

std::optional<SharedEnvironment>& sharedEnvironment() {
    static std::optional<SharedEnvironment> environment;
    return environment;
}

} // namespace

HotKey::HotKey(HotKeyService& service, Scheduler& scheduler, Log& log)
    : service_(service), scheduler_(scheduler), log_(log), self_(std::make_shared<HotKey*>(this)) {}

HotKey::~HotKey() {
    unregister();
}

void HotKey::configureShared(HotKeyService& service, Scheduler& scheduler, Log& log) {
    sharedEnvironment().emplace(SharedEnvironment{service, scheduler, log});
}

HotKey& HotKey::shared() {
    // Made once and never destroyed: the service may deliver a press at any time.
    static HotKey* const hotKey = [] {
        if (!sharedEnvironment())
            throw std::logic_error("HotKey::configureShared must be called before shared()");
        const SharedEnvironment& environment = *sharedEnvironment();
        return new HotKey(environment.service, environment.scheduler, environment.log);
    }();
    return *hotKey;
}

bool HotKey::registerShortcut(const Shortcut& shortcut) {
    // The old combination is given up before anything else, even if the new one fails.
    unregister();
    if (!handlerInstalled_) {
        service_.setPressedHandler([weak = std::weak_ptr<HotKey*>(self_)] {
            if (const auto self = weak.lock())
                (*self)->pressed();
        });
        handlerInstalled_ = true;
    }
    const int status = service_.registerHotKey(shortcut.keyCode, shortcut.modifiers);
    if (status != 0) {
        log_.write("Quillo: hotkey registration failed (" + std::to_string(status) + ")");
        return false;
    }
    registered_ = true;
    return true;
}

void HotKey::unregister() {
    if (!registered_)
        return;
    service_.unregisterHotKey();
    registered_ = false;
}

void HotKey::pressed() {
    // Deferred so the action never runs inside the service's event delivery.
    scheduler_.schedule(std::chrono::milliseconds(0), [weak = std::weak_ptr<HotKey*>(self_)] {
        const auto self = weak.lock();
        if (!self)
            return;
        // A copy, so an action that replaces `action` does not destroy itself mid-call.
        const std::function<void()> current = (*self)->action;
        if (current)
            current();
    });
}

} // namespace quillo
