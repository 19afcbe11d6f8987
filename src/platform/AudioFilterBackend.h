#pragma once
#include <cstdint>
#include <string>

#include "platform/Status.h"

namespace zt {

// The audio-driver command path: a handle on the audio device that can carry
// one vendor property frame (48 bytes, built by BuildVendorPropertyFrame) to
// the chip as a USB vendor control request.
//
// Contract (blocking, caller's thread; one operation at a time per handle):
//  - Open: finds the present audio device whose driver service (or, where the
//    platform has no services, the backend's own notion of "our audio device")
//    is `serviceName`, compared ignoring case, and opens it. kInvalidHandle
//    when there is none or it cannot be opened.
//  - SendProperty: hands one property frame to the driver. Returns false when
//    the driver refuses the frame (for example an unknown property set), true
//    when it accepted it. For a GET frame (IN request) up to 4 reply bytes go
//    to `reply` and their count to `replyLength`.
//  - Close: closes a valid handle.
//  - OpenAtPort: as Open, but only the audio device at that USB port (named as
//    HidBackend::PortOf names it). A backend that cannot tell ports opens as
//    Open does.
class AudioFilterBackend {
public:
    virtual ~AudioFilterBackend() = default;
    virtual Handle Open(const std::string& serviceName) = 0;
    virtual bool SendProperty(Handle handle, const uint8_t (&frame)[48], uint8_t (&reply)[4],
                              uint32_t& replyLength) = 0;
    virtual void Close(Handle handle) = 0;
    virtual Handle OpenAtPort(const std::string& serviceName, const std::string& port) {
        (void)port;
        return Open(serviceName);
    }
};

}  // namespace zt
