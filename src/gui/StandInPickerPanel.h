#pragma once

#include "core/platform/PickerPanel.h"

namespace quillo {

/// The picker's window until it has one of its own: it keeps the picker's state consistent
/// (shown, hidden) without drawing anything.
class StandInPickerPanel final : public PickerPanel {
public:
    bool isVisible() const override { return visible_; }
    void positionOnActiveScreen() override {}
    void show() override { visible_ = true; }
    void hide() override { visible_ = false; }

private:
    bool visible_ = false;
};

/// No window, so no keys to watch.
class StandInKeyMonitor final : public KeyMonitor {
public:
    void install(Handler) override {}
    void remove() override {}
};

} // namespace quillo
