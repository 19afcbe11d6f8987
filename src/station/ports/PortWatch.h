#pragma once
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "platform/Clock.h"
#include "platform/DeviceNotices.h"

namespace zt::station {

// What one port has seen since the watch began: whether a device sits there
// now, what it presented, and how many arrivals and removals there were.
struct PortState {
    bool present = false;
    uint16_t vendorId = 0, productId = 0;  // of the last arrival
    uint64_t arrivals = 0, removals = 0;
};

// Follows arrivals and removals per port, from the notices of a backend (it
// is registered as their recipient) or from what a scan found. Any thread may
// wait for a port to reach a state.
class PortWatch final : public DeviceNoticeRecipient {
public:
    explicit PortWatch(Clock& clock) : clock_(clock) {}

    void PostDeviceChange(const DeviceNotice& notice) override;
    // A device found present by a scan, before any notice about it.
    void MarkPresent(const std::string& port, uint16_t vendorId, uint16_t productId);

    PortState StateOf(const std::string& port) const;

    // Blocks until `reached` holds for the port, `stop` turns true or (with
    // a limit) `limitMs` of the clock's time have passed; true when reached.
    // Without a limit it waits on real time and wakes at once on a notice;
    // with one it passes the clock's time in 10 ms steps, so a simulated
    // clock runs it out at once when nothing comes.
    bool WaitFor(const std::string& port, const std::function<bool(const PortState&)>& reached,
                 const std::function<bool()>& stop, std::optional<uint32_t> limitMs = std::nullopt);

    // Wakes every wait to look at `stop` again.
    void Nudge();

    // Calls `onArrival` (outside the lock, on the notifying thread) for every
    // arrival from now on.
    void OnArrival(
        std::function<void(const std::string& port, uint16_t vendorId, uint16_t productId)> onArrival);

private:
    Clock& clock_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::map<std::string, PortState> ports_;
    std::function<void(const std::string&, uint16_t, uint16_t)> onArrival_;
};

}  // namespace zt::station
