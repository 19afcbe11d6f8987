#pragma once
#include "platform/HidBackend.h"

namespace zt {

// A HidBackend that passes every call on to another one. The views of HID
// access that change one or two calls (a job narrowed to one port, reads a
// user can cancel, a trace of the IDs a job talked to) derive from it and
// override only those, so none of them can forget to pass on the rest.
class ForwardingHidBackend : public HidBackend {
public:
    explicit ForwardingHidBackend(HidBackend& backend) : backend_(backend) {}

    std::vector<std::string> ListInterfaces() override { return backend_.ListInterfaces(); }
    Handle Open(const std::string& path, bool forReading) override { return backend_.Open(path, forReading); }
    bool GetAttributes(Handle handle, uint16_t& vendorId, uint16_t& productId) override {
        return backend_.GetAttributes(handle, vendorId, productId);
    }
    bool GetCaps(Handle handle, uint16_t& inputReportLength, uint16_t& outputReportLength) override {
        return backend_.GetCaps(handle, inputReportLength, outputReportLength);
    }
    int Write(Handle handle, const uint8_t* data, size_t length) override {
        return backend_.Write(handle, data, length);
    }
    int Read(Handle handle, uint8_t* buffer, size_t length, uint32_t timeoutMs) override {
        return backend_.Read(handle, buffer, length, timeoutMs);
    }
    void Close(Handle handle) override { backend_.Close(handle); }
    std::string PortOf(const std::string& path) override { return backend_.PortOf(path); }

protected:
    HidBackend& backend_;
};

}  // namespace zt
