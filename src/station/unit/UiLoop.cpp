#include "station/unit/UiLoop.h"

namespace zt::station {

void UiLoop::Post(Task task) {
    {
        std::lock_guard lock(mutex_);
        if (closed_) return;
        tasks_.push_back(std::move(task));
        ++posted_;
    }
    changed_.notify_all();
}

void UiLoop::Wake() {
    {
        std::lock_guard lock(mutex_);
        wakeRequested_ = true;
    }
    changed_.notify_all();
}

bool UiLoop::Flush() {
    std::unique_lock lock(mutex_);
    const uint64_t target = posted_;
    changed_.wait(lock, [&] { return closed_ || finished_ >= target; });
    return finished_ >= target && !closed_;
}

void UiLoop::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds recheck) {
    std::unique_lock lock(mutex_);
    for (;;) {
        lock.unlock();
        const bool finished = done();
        lock.lock();
        if (finished || closed_) return;
        if (RunOne(lock)) continue;
        const TimePoint deadline = std::min(NextTimerDue(), std::chrono::steady_clock::now() + recheck);
        changed_.wait_until(lock, deadline, [this] { return wakeRequested_ || !tasks_.empty() || closed_; });
        wakeRequested_ = false;
    }
}

void UiLoop::RunPending() {
    std::unique_lock lock(mutex_);
    uint64_t left = tasks_.size();
    while (left-- > 0 && !closed_ && RunOne(lock)) {
    }
}

bool UiLoop::RunOne(std::unique_lock<std::mutex>& lock) {
    if (!tasks_.empty()) {
        Task task = std::move(tasks_.front());
        tasks_.pop_front();
        lock.unlock();
        task();
        lock.lock();
        ++finished_;
        changed_.notify_all();  // Flush waiters
        return true;
    }
    const auto now = std::chrono::steady_clock::now();
    for (auto& [id, timer] : timers_) {
        if (timer.next > now) continue;
        // Late ticks are not made up: like a window timer, at most one is due.
        timer.next = now + timer.period;
        TimerTick tick = timer.tick;
        const uint32_t timerId = id;
        lock.unlock();
        tick(timerId);
        lock.lock();
        return true;
    }
    return false;
}

UiLoop::TimePoint UiLoop::NextTimerDue() const {
    TimePoint next = TimePoint::max();
    for (const auto& [id, timer] : timers_) next = std::min(next, timer.next);
    return next;
}

void UiLoop::Close() {
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
        finished_ += tasks_.size();
        tasks_.clear();
        timers_.clear();
    }
    changed_.notify_all();
}

bool UiLoop::IsClosed() const {
    std::lock_guard lock(mutex_);
    return closed_;
}

void UiLoop::StartTimer(uint32_t timerId, uint32_t periodMs, TimerTick tick) {
    {
        std::lock_guard lock(mutex_);
        if (closed_) return;
        const auto period = std::chrono::milliseconds(periodMs == 0 ? 1 : periodMs);
        timers_[timerId] = Timer{period, std::chrono::steady_clock::now() + period, std::move(tick)};
    }
    changed_.notify_all();
}

void UiLoop::StopTimer(uint32_t timerId) {
    std::lock_guard lock(mutex_);
    timers_.erase(timerId);
}

}  // namespace zt::station
