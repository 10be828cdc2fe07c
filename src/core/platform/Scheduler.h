#pragma once

#include <chrono>
#include <functional>
#include <memory>

namespace quillo {

/// Handle of a task waiting in a Scheduler. Cancelling is idempotent and safe at any
/// time, also after the task ran or after the scheduler is gone.
class ScheduledTask {
public:
    ScheduledTask() = default;
    explicit ScheduledTask(std::shared_ptr<bool> cancelled) : cancelled_(std::move(cancelled)) {}

    void cancel() {
        if (cancelled_)
            *cancelled_ = true;
    }
    bool isCancelled() const { return !cancelled_ || *cancelled_; }

private:
    std::shared_ptr<bool> cancelled_;
};

/// Runs work later on the main thread. Everything in the program runs on that one thread,
/// so a task never runs while other code of the program is running.
class Scheduler {
public:
    using Task = std::function<void()>;

    virtual ~Scheduler() = default;
    /// Runs `task` once, `delay` from now, unless the returned handle is cancelled first.
    virtual ScheduledTask schedule(std::chrono::milliseconds delay, Task task) = 0;
};

/// For commands that end without an event loop: scheduled tasks never run. Only for
/// callers that never depend on one (they save at once, or change nothing).
class NoLoopScheduler final : public Scheduler {
public:
    ScheduledTask schedule(std::chrono::milliseconds, Task) override { return {}; }
};

} // namespace quillo
