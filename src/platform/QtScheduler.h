#pragma once

#include "core/platform/Scheduler.h"

#include <QObject>

namespace quillo {

/// Runs scheduled work from the Qt event loop with single-shot timers.
class QtScheduler final : public Scheduler {
public:
    QtScheduler() = default;
    QtScheduler(const QtScheduler&) = delete;
    QtScheduler& operator=(const QtScheduler&) = delete;

    ScheduledTask schedule(std::chrono::milliseconds delay, Task task) override;

private:
    // The timers hang on this object, so destroying the scheduler drops every pending task.
    QObject timerOwner_;
};

} // namespace quillo
