#pragma once

#include "core/platform/Scheduler.h"

#include <algorithm>
#include <chrono>
#include <vector>

namespace quillo::testing {

/// A scheduler on virtual time: tasks run only when the test advances the time, in the
/// order they fall due (ties in the order they were scheduled).
class ManualScheduler final : public Scheduler {
public:
    ScheduledTask schedule(std::chrono::milliseconds delay, Task task) override {
        auto cancelled = std::make_shared<bool>(false);
        pending_.push_back({now_ + delay, sequence_++, std::move(task), cancelled});
        return ScheduledTask(cancelled);
    }

    /// Moves virtual time forward, running every task that falls due on the way.
    void advance(std::chrono::milliseconds by) {
        const std::chrono::milliseconds until = now_ + by;
        for (;;) {
            std::erase_if(pending_, [](const Entry& e) { return *e.cancelled; });
            const auto next = std::min_element(pending_.begin(), pending_.end());
            if (next == pending_.end() || next->due > until)
                break;
            Entry entry = std::move(*next);
            pending_.erase(next);
            now_ = entry.due;
            *entry.cancelled = true; // it has run: its handle no longer matters
            entry.task();
        }
        now_ = until;
    }

    /// Tasks waiting and not cancelled.
    std::size_t pendingCount() const {
        return static_cast<std::size_t>(std::count_if(
            pending_.begin(), pending_.end(), [](const Entry& e) { return !*e.cancelled; }));
    }

private:
    struct Entry {
        std::chrono::milliseconds due;
        std::uint64_t sequence;
        Task task;
        std::shared_ptr<bool> cancelled;
        bool operator<(const Entry& other) const {
            return due != other.due ? due < other.due : sequence < other.sequence;
        }
    };

    std::chrono::milliseconds now_{0};
    std::uint64_t sequence_ = 0;
    std::vector<Entry> pending_;
};

} // namespace quillo::testing
