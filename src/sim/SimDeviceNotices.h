#pragma once
#include "platform/DeviceNotices.h"
#include "sim/SimBus.h"

namespace zt::sim {

// Arrival and removal notices of the simulated bus. Notices are posted on the
// thread that plugged or unplugged the chip, after the bus has let go of its
// lock, in the order the events happened.
class SimDeviceNotices final : public DeviceNoticeSource {
public:
    explicit SimDeviceNotices(SimBus::State& state) : state_(state) {}
    uintptr_t Register(DeviceNoticeRecipient& recipient) override;
    void Unregister(uintptr_t registration) override;

private:
    SimBus::State& state_;
};

}  // namespace zt::sim
