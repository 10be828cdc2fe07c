#pragma once

#include "core/platform/Sound.h"

namespace quillo::testing {

/// Counts the alert sounds instead of playing them.
class CountingSound final : public Sound {
public:
    void beep() override { ++beeps; }

    int beeps = 0;
};

} // namespace quillo::testing
