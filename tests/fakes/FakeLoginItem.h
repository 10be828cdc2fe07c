#pragma once

#include "core/platform/LoginItem.h"

namespace quillo::testing {

/// A login item in memory; with `failure` set, every change throws it and changes nothing.
class FakeLoginItem final : public LoginItem {
public:
    bool isEnabled() const override { return enabled; }
    void setEnabled(bool on) override {
        ++changes;
        if (failure)
            throw LoginItemError(failure);
        enabled = on;
    }

    bool enabled = false;
    /// Attempts to change it, failed ones included.
    int changes = 0;
    const char* failure = nullptr;
};

} // namespace quillo::testing
