#pragma once
#include <cstdint>
#include <mutex>
#include <optional>
#include <utility>

#include "platform/HidBackend.h"

namespace zt::cli {

// The HID access of one job, noting the vendor and product IDs of the
// devices it sends requests to: the first is the unit as the job found it,
// the last the unit as it came back after the re-plug (an updater device
// keeps its IDs). Only devices that were sent a request count, so the
// interfaces the open merely looked at are left out.
class DeviceIdTrace final : public HidBackend {
public:
    using Ids = std::pair<uint16_t, uint16_t>;

    explicit DeviceIdTrace(HidBackend& backend) : backend_(backend) {}

    std::vector<std::string> ListInterfaces() override { return backend_.ListInterfaces(); }
    Handle Open(const std::string& path, bool forReading) override { return backend_.Open(path, forReading); }
    bool GetAttributes(Handle handle, uint16_t& vendorId, uint16_t& productId) override {
        return backend_.GetAttributes(handle, vendorId, productId);
    }
    bool GetCaps(Handle handle, uint16_t& inputReportLength, uint16_t& outputReportLength) override {
        return backend_.GetCaps(handle, inputReportLength, outputReportLength);
    }
    int Write(Handle handle, const uint8_t* data, size_t length) override;
    int Read(Handle handle, uint8_t* buffer, size_t length, uint32_t timeoutMs) override {
        return backend_.Read(handle, buffer, length, timeoutMs);
    }
    void Close(Handle handle) override;
    std::string PortOf(const std::string& path) override { return backend_.PortOf(path); }

    std::optional<Ids> First() const;
    std::optional<Ids> Last() const;

private:
    HidBackend& backend_;
    mutable std::mutex mutex_;
    std::optional<Handle> lastHandle_;
    std::optional<Ids> first_, last_;
};

}  // namespace zt::cli
