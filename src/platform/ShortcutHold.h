#pragma once

#include <chrono>

namespace quillo {

/// Where the desktop repeats a held shortcut's press and says when the keys are let go, a
/// hold opens the picker once. The presses carry no usable time, so our own clock tells a
/// repeat from a new press.
class ShortcutHold {
public:
    /// True for a new press, false for a repeat of the hold.
    bool press() {
        // A hold longer than any repeat gap means its release never reached us: press anew.
        const auto now = std::chrono::steady_clock::now();
        const bool repeat = held_ && now - lastPress_ < longestRepeatGap;
        held_ = true;
        lastPress_ = now;
        return !repeat;
    }
    void release() { held_ = false; }

private:
    /// Longer than the longest delay desktops offer before a held key starts repeating (2 s).
    static constexpr std::chrono::milliseconds longestRepeatGap{3000};

    bool held_ = false;
    std::chrono::steady_clock::time_point lastPress_{};
};

} // namespace quillo
