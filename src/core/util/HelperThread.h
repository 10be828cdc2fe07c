#pragma once

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace quillo {

/// One thread that waits for work, to run part of a job beside the caller's thread: it is
/// made once, since starting a thread for each job would cost more than the job saves.
class HelperThread {
public:
    HelperThread();
    ~HelperThread();
    HelperThread(const HelperThread&) = delete;
    HelperThread& operator=(const HelperThread&) = delete;

    /// Starts `task` on the helper; the caller must `wait` before starting another.
    void start(std::function<void()> task);
    /// Returns once the task started last has run; throws what it threw.
    void wait();
    /// As `wait`, but a task the helper has not begun yet is dropped rather than waited
    /// for: on a busy machine the helper may get no processor for a while.
    void finish();

private:
    void loop();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::function<void()> task_;
    std::exception_ptr failure_;
    bool busy_ = false;
    bool running_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace quillo
