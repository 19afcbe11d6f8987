#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace zt::gadget {

// A control request as the host sent it (the eight setup bytes, decoded).
struct ControlSetup {
    uint8_t requestType = 0;
    uint8_t request = 0;
    uint16_t value = 0;
    uint16_t index = 0;
    uint16_t length = 0;
    bool isIn() const { return (requestType & 0x80) != 0; }
};

// Endpoint 0 of a FunctionFS function that declares the chip's audio-control
// interface (class 1, subclass 1, no endpoints) and asks for every control
// request, including vendor requests addressed to the device, which the
// audio driver's path sends. Mounts the instance and writes the descriptors;
// the gadget may be bound afterwards. Failures throw std::runtime_error.
class FunctionFsEndpoint0 {
public:
    FunctionFsEndpoint0(const std::string& instance, const std::string& mountPoint);
    ~FunctionFsEndpoint0();  // closes endpoint 0 and unmounts
    FunctionFsEndpoint0(const FunctionFsEndpoint0&) = delete;
    FunctionFsEndpoint0& operator=(const FunctionFsEndpoint0&) = delete;

    // For poll(): readable when events are pending.
    int fd() const { return fd_; }
    // The control requests among the pending events (bind, enable and the
    // like are only the gadget's life and are skipped). When `hostLetGo` is
    // given, it tells whether the newest of those life events was the host
    // disabling the function: a disconnect, such as its port losing power.
    std::vector<ControlSetup> ReadSetups(bool* hostLetGo = nullptr);
    // Data stage of an IN request (at most setup.length bytes are sent).
    void ReplyIn(const ControlSetup& setup, const uint8_t* data, size_t length);
    // Accepts an OUT request: reads its data stage, if any, and completes the status stage.
    std::vector<uint8_t> AcceptOut(const ControlSetup& setup);
    // Refuses the request with a stall.
    void Stall(const ControlSetup& setup);

private:
    std::string mountPoint_;
    int fd_ = -1;
};

}  // namespace zt::gadget
