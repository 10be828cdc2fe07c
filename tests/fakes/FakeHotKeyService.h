#pragma once

#include "core/platform/HotKeyService.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quillo::testing {

/// Holds at most one combination and records every call; asking for one in `taken` (another
/// program's) fails with the status given there.
class FakeHotKeyService final : public HotKeyService {
public:
    using Combination = std::pair<std::uint32_t, std::uint32_t>; // key code, modifiers

    /// What the X server answers when another client holds the grab.
    static constexpr int badAccess = 10;
    /// Returned when a second combination is asked for without giving up the first.
    static constexpr int alreadyHolding = -9878;

    int registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers) override {
        calls.push_back("register " + std::to_string(keyCode) + " " + std::to_string(modifiers));
        if (held)
            return alreadyHolding;
        if (const auto found = taken.find({keyCode, modifiers}); found != taken.end())
            return found->second;
        held = Combination{keyCode, modifiers};
        return 0;
    }
    void unregisterHotKey() override {
        calls.push_back("unregister");
        held.reset();
    }
    void setPressedHandler(std::function<void()> handler) override {
        ++handlerInstallations;
        handler_ = std::move(handler);
    }

    /// The user presses the held combination: whether the handler was called.
    bool press() {
        if (!held || !handler_)
            return false;
        handler_();
        return true;
    }

    /// Another program holds the combination.
    void take(std::uint32_t keyCode, std::uint32_t modifiers, int status = badAccess) {
        taken[{keyCode, modifiers}] = status;
    }

    // A desktop that runs the shortcut itself once it is added there, and names holders.
    std::optional<std::string> holderOf(std::uint32_t keyCode,
                                        std::uint32_t modifiers) const override {
        if (!taken.contains({keyCode, modifiers}))
            return std::nullopt;
        return holder;
    }
    bool offersDesktopSetUp() const override { return desktopSetUp.has_value(); }
    bool isSetUpInDesktop() const override { return desktopSetUp.value_or(false); }
    int setUpInDesktop(bool on) override {
        desktopSetUp = on;
        return 0;
    }

    std::optional<std::string> holder;
    /// Set when the desktop runs the shortcut itself: whether it was added there.
    std::optional<bool> desktopSetUp;

    std::map<Combination, int> taken;
    std::optional<Combination> held;
    std::vector<std::string> calls;
    int handlerInstallations = 0;

private:
    std::function<void()> handler_;
};

} // namespace quillo::testing
