#include "ui/qt/UiThreadCalls.h"

#include <QMetaObject>
#include <QThread>

namespace zt::qt {

UiThreadCalls::UiThreadCalls(QObject* parent)
    : QObject(parent),
      queue_([this] { QMetaObject::invokeMethod(this, "DrainQueue", Qt::QueuedConnection); }) {}

UiThreadCalls::~UiThreadCalls() { BeginClosing(); }

bool UiThreadCalls::OnUiThread() const { return QThread::currentThread() == thread(); }

bool UiThreadCalls::Run(std::function<void()> work) { return queue_.Run(std::move(work)); }

bool UiThreadCalls::RunUntilDone(std::function<void(Done)> work) {
    return queue_.RunUntilDone(std::move(work));
}

void UiThreadCalls::DrainQueue() { queue_.Drain(); }

void UiThreadCalls::BeginClosing() { queue_.BeginClosing(); }

bool UiThreadCalls::IsClosing() const { return queue_.IsClosing(); }

}  // namespace zt::qt
