#pragma once

#include "core/platform/Clock.h"

namespace quillo::testing {

/// A moment given in UTC.
inline Date utc(int y, unsigned m, unsigned d, int h = 0, int mi = 0, int s = 0) {
    using namespace std::chrono;
    return Date{sys_days{year{y} / month{m} / day{d}} + hours{h} + minutes{mi} + seconds{s}};
}

} // namespace quillo::testing
