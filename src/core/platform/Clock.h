#pragma once

#include <chrono>

namespace quillo {

/// A moment on the wall clock, to the microsecond. (Microseconds reach far beyond the
/// years 0 to 9999 that the library file can hold; nanoseconds would not.)
using Date = std::chrono::sys_time<std::chrono::microseconds>;

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
    Date now() const override {
        return std::chrono::floor<std::chrono::microseconds>(std::chrono::system_clock::now());
    }
};

} // namespace quillo
