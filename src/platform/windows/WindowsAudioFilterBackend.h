#pragma once
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/AudioFilterBackend.h"

namespace zt::platform_windows {

// The audio-driver path through kernel streaming. Open looks among the
// present devices with an audio (KSCATEGORY_AUDIO) interface for the first
// whose driver service (SPDRP_SERVICE) is `serviceName`, ignoring case, and
// opens that device's first audio interface for reading. SendProperty hands
// the 48-byte frame to the driver as one IOCTL_KS_PROPERTY request with a
// 4-byte reply buffer; a request the driver fails is a refusal, and the core
// then tries its next property set.
//
// A device whose service cannot be read is passed over and the search goes
// on: a device without a driver says nothing about the ones after it.
class WindowsAudioFilterBackend final : public AudioFilterBackend {
public:
    WindowsAudioFilterBackend();
    ~WindowsAudioFilterBackend() override;

    Handle Open(const std::string& serviceName) override;
    // As Open, among the devices at `port` (their USB device's location
    // path); a device whose port cannot be told is not passed over.
    Handle OpenAtPort(const std::string& serviceName, const std::string& port) override;
    bool SendProperty(Handle handle, const uint8_t (&frame)[48], uint8_t (&reply)[4],
                      uint32_t& replyLength) override;
    void Close(Handle handle) override;

private:
    std::mutex mutex_;
    std::map<Handle, void*> files_;  // our handle -> the Windows file handle
    Handle nextHandle_ = 1;
};

}  // namespace zt::platform_windows
