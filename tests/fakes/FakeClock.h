#pragma once

#include "core/platform/Clock.h"

namespace quillo::testing {

/// A clock that stands still until the test moves it.
class FakeClock final : public Clock {
public:
    explicit FakeClock(Date start) : now_(start) {}
    Date now() const override { return now_; }
    void set(Date date) { now_ = date; }
    void advance(std::chrono::microseconds by) { now_ += by; }

private:
    Date now_;
};

} // namespace quillo::testing
