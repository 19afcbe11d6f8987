#pragma once
#include "platform/HidBackend.h"
#include "sim/SimBus.h"

namespace zt::sim {

// The HID face of the bus: one interface per plugged chip and per other HID
// device, in the order they were added. Every open handle on a chip receives
// its own copy of each input report the chip sends from then on. Reads wait on
// the bus's clock: a reply that is due comes back at once, a late one after
// its latency, none after the full time-out.
class SimHidBackend final : public HidBackend {
public:
    explicit SimHidBackend(SimBus::State& state) : state_(state) {}

    std::vector<std::string> ListInterfaces() override;
    Handle Open(const std::string& path, bool forReading) override;
    bool GetAttributes(Handle handle, uint16_t& vendorId, uint16_t& productId) override;
    bool GetCaps(Handle handle, uint16_t& inputReportLength, uint16_t& outputReportLength) override;
    int Write(Handle handle, const uint8_t* data, size_t length) override;
    int Read(Handle handle, uint8_t* buffer, size_t length, uint32_t timeoutMs) override;
    void Close(Handle handle) override;
    std::string PortOf(const std::string& path) override;

private:
    SimBus::State& state_;
};

}  // namespace zt::sim
