#include "QtScheduler.h"

#include <QTimer>
#include <algorithm>
#include <memory>
#include <utility>

namespace quillo {

ScheduledTask QtScheduler::schedule(std::chrono::milliseconds delay, Task task) {
    auto cancelled = std::make_shared<bool>(false);
    // Precise timers keep tasks in the order of their due times; coarse ones (Qt's default
    // from two seconds on) may fire a later task first.
    QTimer::singleShot(std::max(delay, std::chrono::milliseconds::zero()), Qt::PreciseTimer,
                       &timerOwner_, [cancelled, task = std::move(task)] {
                           if (!*cancelled)
                               task();
                       });
    return ScheduledTask(std::move(cancelled));
}

} // namespace quillo
