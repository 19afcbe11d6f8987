#pragma once
#include "platform/UsbTree.h"
#include "sim/SimBus.h"

namespace zt::sim {

// What a walk of the simulated bus sees: the root hub, one external hub, and
// behind it every plugged chip and other device in the order they were added.
class SimUsbTree final : public UsbTree {
public:
    static constexpr uint16_t kHubVendorId = 0x0000;  // no maker: the hubs are part of the test bench
    static constexpr uint16_t kRootHubProductId = 0x0002;
    static constexpr uint16_t kExternalHubProductId = 0x0003;

    explicit SimUsbTree(SimBus::State& state) : state_(state) {}
    std::vector<UsbDeviceEntry> ListDevices() override;

private:
    SimBus::State& state_;
};

}  // namespace zt::sim
