#include "station/presentation/UiCallQueue.h"

namespace zt {

UiCallQueue::UiCallQueue(std::function<void()> nudge) : nudge_(std::move(nudge)) {}

UiCallQueue::~UiCallQueue() { BeginClosing(); }

bool UiCallQueue::Run(std::function<void()> work) {
    if (OnUiThread()) {
        if (IsClosing()) return false;
        work();
        return true;
    }
    return RunUntilDone([work = std::move(work)](Done done) {
        work();
        done();
    });
}

bool UiCallQueue::RunUntilDone(std::function<void(Done)> work) {
    auto call = std::make_shared<Call>();
    call->work = std::move(work);
    std::unique_lock lock(mutex_);
    if (closing_) return false;
    queue_.push_back(call);
    nudge_();
    changed_.wait(lock, [&] { return call->done || closing_; });
    if (call->done) return true;
    call->abandoned = true;
    return false;
}

void UiCallQueue::Drain() {
    for (;;) {
        std::shared_ptr<Call> call;
        {
            std::lock_guard lock(mutex_);
            if (queue_.empty()) return;
            call = std::move(queue_.front());
            queue_.pop_front();
            if (call->abandoned || closing_) continue;
        }
        call->work([this, call] {
            {
                std::lock_guard lock(mutex_);
                call->done = true;
            }
            changed_.notify_all();
        });
    }
}

void UiCallQueue::BeginClosing() {
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
        queue_.clear();
    }
    changed_.notify_all();
}

bool UiCallQueue::IsClosing() const {
    std::lock_guard lock(mutex_);
    return closing_;
}

}  // namespace zt
