#pragma once

#include <chrono>

namespace quillo {

/// A moment on the wall clock, to the clock's full precision.
using Date = std::chrono::system_clock::time_point;

/// The current moment. The program reads the system clock; tests set the time.
class Clock {
public:
    virtual ~Clock() = default;
    /// Now, as a wall-clock moment.
    virtual Date now() const = 0;
};

/// The system's wall clock.
class SystemClock final : public Clock {
public:
    Date now() const override { return std::chrono::system_clock::now(); }
};

} // namespace quillo
