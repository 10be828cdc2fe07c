#pragma once

#include "core/platform/PickerPanel.h"

namespace quillo::testing {

/// A panel that only remembers whether it is shown, and how often it was placed.
class FakePickerPanel final : public PickerPanel {
public:
    bool isVisible() const override { return visible; }
    void positionOnActiveScreen() override { ++positioned; }
    void show() override { visible = true; }
    void hide() override { visible = false; }

    bool visible = false;
    int positioned = 0;
};

/// Holds the installed handler, so a test can type into the "panel".
class FakeKeyMonitor final : public KeyMonitor {
public:
    void install(Handler h) override { handler = std::move(h); }
    void remove() override { handler = nullptr; }

    /// What the picker did with a key: true when it dealt with it, false when it let it
    /// through to the focused control (or when no monitor is installed).
    bool press(std::uint16_t keyCode, std::uint64_t flags = 0, bool marked = false) {
        if (!handler)
            return false;
        return handler(KeyEvent{.keyCode = keyCode,
                                .modifierFlags = flags,
                                .charactersIgnoringModifiers = {},
                                .hasMarkedText = marked});
    }

    Handler handler;
};

} // namespace quillo::testing
