#pragma once

#include "core/platform/KeyPoster.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace quillo::testing {

/// One key press posted to the application in front.
struct KeyTap {
    std::uint16_t keyCode = 0;
    std::uint64_t modifierFlags = 0;
    friend bool operator==(const KeyTap&, const KeyTap&) = default;
};

/// Keeps every key press posted; `onTap` runs at each, for a look at the clipboard then.
class RecordingKeyPoster final : public KeyPoster {
public:
    bool tapKey(std::uint16_t keyCode, std::uint64_t modifierFlags) override {
        if (!posts)
            return false;
        taps.push_back({keyCode, modifierFlags});
        if (onTap)
            onTap(taps.back());
        return posts;
    }

    std::vector<KeyTap> taps;
    std::function<void(const KeyTap&)> onTap;
    /// False: a keyboard that can't type the keys, so none is posted.
    bool posts = true;
};

} // namespace quillo::testing
