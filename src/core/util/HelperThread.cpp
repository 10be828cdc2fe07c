#include "HelperThread.h"

#include <utility>

namespace quillo {

HelperThread::HelperThread() : thread_([this] { loop(); }) {}

HelperThread::~HelperThread() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void HelperThread::start(std::function<void()> task) {
    {
        const std::lock_guard lock(mutex_);
        task_ = std::move(task);
        busy_ = true;
    }
    changed_.notify_all();
}

void HelperThread::wait() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !busy_; });
    if (failure_)
        std::rethrow_exception(std::exchange(failure_, nullptr));
}

void HelperThread::finish() {
    {
        const std::lock_guard lock(mutex_);
        if (busy_ && !running_) {
            task_ = nullptr;
            busy_ = false;
            return;
        }
    }
    wait();
}

void HelperThread::loop() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return busy_ || stopping_; });
        if (stopping_)
            return;
        const std::function<void()> task = std::move(task_);
        running_ = true;
        lock.unlock();
        std::exception_ptr failure;
        try {
            task();
        } catch (...) {
            // Handed to the caller: one that left the thread would end the program.
            failure = std::current_exception();
        }
        lock.lock();
        failure_ = failure;
        running_ = false;
        busy_ = false;
        changed_.notify_all();
    }
}

} // namespace quillo
