#pragma once
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace zt {

// A manual-reset event: once set it stays set, and every waiter returns.
class ManualResetEvent {
public:
    void Set() {
        {
            std::lock_guard lock(mutex_);
            set_ = true;
        }
        cv_.notify_all();
    }
    void Reset() {
        std::lock_guard lock(mutex_);
        set_ = false;
    }
    // True when the event was set within `timeout` (real time).
    bool WaitFor(std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        return cv_.wait_for(lock, timeout, [this] { return set_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool set_ = false;
};

}  // namespace zt
