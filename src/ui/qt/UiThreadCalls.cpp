#include "ui/qt/UiThreadCalls.h"

#include <QMetaObject>
#include <QThread>

namespace zt::qt {

UiThreadCalls::UiThreadCalls(QObject* parent) : QObject(parent) {}

UiThreadCalls::~UiThreadCalls() { BeginClosing(); }

bool UiThreadCalls::OnUiThread() const { return QThread::currentThread() == thread(); }

bool UiThreadCalls::Run(std::function<void()> work) {
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

bool UiThreadCalls::RunUntilDone(std::function<void(Done)> work) {
    auto call = std::make_shared<Call>();
    call->work = std::move(work);

    std::unique_lock lock(mutex_);
    if (closing_) return false;
    queue_.push_back(call);
    QMetaObject::invokeMethod(this, "DrainQueue", Qt::QueuedConnection);
    changed_.wait(lock, [&] { return call->done || closing_; });
    if (call->done) return true;
    call->abandoned = true;
    return false;
}

void UiThreadCalls::DrainQueue() {
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

void UiThreadCalls::BeginClosing() {
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
        queue_.clear();
    }
    changed_.notify_all();
}

bool UiThreadCalls::IsClosing() const {
    std::lock_guard lock(mutex_);
    return closing_;
}

}  // namespace zt::qt
