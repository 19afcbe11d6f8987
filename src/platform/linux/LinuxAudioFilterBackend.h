#pragma once
#include <map>
#include <mutex>
#include <string>

#include "platform/AudioFilterBackend.h"

struct libusb_context;
struct libusb_device_handle;

namespace zt::platform_linux {

// The name the dialog looks our audio device up by. Linux has no driver
// services, so the backend answers to this one name (ignoring case) and
// means by it "our USB audio device".
inline constexpr const char* kOurAudioServiceName = "MarluUAC";

// The audio-driver path without an audio driver in between: the vendor
// request that a property frame carries goes straight to the device as a USB
// control transfer on endpoint 0 through libusb (usbfs), which works while
// the kernel's audio driver keeps the audio interfaces.
//
// Open picks the first present USB device (in sysfs order) whose vendor and
// product ID are in the known-device table as the tool starts and that has
// an audio-class interface, opens its usbfs node and hands the descriptor
// to libusb; libusb is told not to scan the bus itself. SendProperty accepts
// only our own property set and returns false for a refused frame and for a
// transfer that fails (stall, unplug, time-out of 1000 ms).
class LinuxAudioFilterBackend final : public AudioFilterBackend {
public:
    LinuxAudioFilterBackend();
    ~LinuxAudioFilterBackend() override;

    Handle Open(const std::string& serviceName) override;
    bool SendProperty(Handle handle, const uint8_t (&frame)[48], uint8_t (&reply)[4],
                      uint32_t& replyLength) override;
    void Close(Handle handle) override;
    Handle OpenAtPort(const std::string& serviceName, const std::string& port) override;

    // The usbfs node of the device Open would pick (at `port` only, when one
    // is given), "" when there is none.
    static std::string FindAudioDeviceNode(const std::string& port = "");

private:
    struct Device {
        int fd;
        libusb_device_handle* usb;
    };
    bool EnsureContext();

    std::mutex mutex_;
    libusb_context* context_ = nullptr;
    std::map<Handle, Device> devices_;
    Handle nextHandle_ = 1;
};

}  // namespace zt::platform_linux
