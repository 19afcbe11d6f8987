#include "station/run/ReplugGate.h"

#include <algorithm>
#include <chrono>

namespace zt::station {

ReplugGate::ReplugGate(int units, std::function<void()> prompt, std::function<bool()> cancelled)
    : prompt_(std::move(prompt)), cancelled_(std::move(cancelled)), units_(static_cast<size_t>(units)) {}

bool ReplugGate::Due() const {
    if (released_ || prompting_) return false;
    const bool anyRunning =
        std::any_of(units_.begin(), units_.end(), [](State s) { return s == State::Running; });
    const bool anyArrived =
        std::any_of(units_.begin(), units_.end(), [](State s) { return s == State::Arrived; });
    return !anyRunning && anyArrived;
}

void ReplugGate::PromptAndRelease(std::unique_lock<std::mutex>& lock) {
    prompting_ = true;
    lock.unlock();  // the operator may take minutes; the others keep waiting
    prompt_();
    lock.lock();
    released_ = true;
    changed_.notify_all();
}

bool ReplugGate::Arrive(int unit) {
    std::unique_lock lock(mutex_);
    if (released_) return true;
    units_[static_cast<size_t>(unit)] = State::Arrived;
    if (Due()) PromptAndRelease(lock);
    while (!released_) {
        if (cancelled_()) return false;
        changed_.wait_for(lock, std::chrono::milliseconds(50));
    }
    return true;
}

void ReplugGate::Leave(int unit) {
    std::unique_lock lock(mutex_);
    State& state = units_[static_cast<size_t>(unit)];
    if (state != State::Running) return;  // it arrived before its job ended
    state = State::Left;
    // The last unit the others were waiting for has gone: prompt for them.
    if (Due()) PromptAndRelease(lock);
}

}  // namespace zt::station
