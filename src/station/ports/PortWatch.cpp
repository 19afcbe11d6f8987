#include "station/ports/PortWatch.h"

#include <chrono>

namespace zt::station {

void PortWatch::PostDeviceChange(const DeviceNotice& notice) {
    if (notice.port.empty()) return;  // a device no port names cannot be told apart
    std::function<void(const std::string&, uint16_t, uint16_t)> onArrival;
    {
        std::lock_guard lock(mutex_);
        PortState& state = ports_[notice.port];
        if (notice.kind == DeviceNotice::Kind::Arrival) {
            state.present = true;
            state.vendorId = notice.vendorId;
            state.productId = notice.productId;
            ++state.arrivals;
            onArrival = onArrival_;
        } else {
            state.present = false;
            ++state.removals;
        }
    }
    changed_.notify_all();
    if (onArrival) onArrival(notice.port, notice.vendorId, notice.productId);
}

void PortWatch::MarkPresent(const std::string& port, uint16_t vendorId, uint16_t productId) {
    {
        std::lock_guard lock(mutex_);
        PortState& state = ports_[port];
        state.present = true;
        state.vendorId = vendorId;
        state.productId = productId;
    }
    changed_.notify_all();
}

PortState PortWatch::StateOf(const std::string& port) const {
    std::lock_guard lock(mutex_);
    const auto found = ports_.find(port);
    return found == ports_.end() ? PortState{} : found->second;
}

bool PortWatch::WaitFor(const std::string& port, const std::function<bool(const PortState&)>& reached,
                        const std::function<bool()>& stop, std::optional<uint32_t> limitMs) {
    constexpr uint32_t kStepMs = 10;
    const uint64_t deadline = limitMs ? clock_.NowUs() + uint64_t{*limitMs} * 1000 : 0;
    std::unique_lock lock(mutex_);
    for (;;) {
        if (reached(ports_[port])) return true;
        if (stop()) return false;
        if (!limitMs) {
            // `stop` is looked at again at least every 50 ms.
            changed_.wait_for(lock, std::chrono::milliseconds(50));
            continue;
        }
        if (clock_.NowUs() >= deadline) return false;
        lock.unlock();
        clock_.SleepMs(kStepMs);
        lock.lock();
    }
}

void PortWatch::Nudge() { changed_.notify_all(); }

void PortWatch::OnArrival(std::function<void(const std::string&, uint16_t, uint16_t)> onArrival) {
    std::lock_guard lock(mutex_);
    onArrival_ = std::move(onArrival);
}

}  // namespace zt::station
