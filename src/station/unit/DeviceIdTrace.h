#pragma once
#include <cstdint>
#include <mutex>
#include <optional>
#include <utility>

#include "platform/ForwardingHidBackend.h"

namespace zt::station {

// The HID access of one job, noting the vendor and product IDs of the
// devices it sends requests to: the first is the unit as the job found it,
// the last the unit as it came back after the re-plug (an updater device
// keeps its IDs). Only devices that were sent a request count, so the
// interfaces the open merely looked at are left out.
class DeviceIdTrace final : public ForwardingHidBackend {
public:
    using Ids = std::pair<uint16_t, uint16_t>;

    explicit DeviceIdTrace(HidBackend& backend) : ForwardingHidBackend(backend) {}

    int Write(Handle handle, const uint8_t* data, size_t length) override;
    void Close(Handle handle) override;

    std::optional<Ids> First() const;
    std::optional<Ids> Last() const;
    // Forgets what earlier jobs sent to, for a window that runs one job
    // after another on the same access.
    void Reset();

private:
    mutable std::mutex mutex_;
    std::optional<Handle> lastHandle_;
    std::optional<Ids> first_, last_;
};

}  // namespace zt::station
