#pragma once
#include <array>
#include <cstdint>

#include "chip/VendorPropertyFrame.h"
#include "platform/AudioFilterBackend.h"
#include "platform/Status.h"

namespace zt {

// Opens the audio device named `serviceName` into `handle` (kInvalidHandle on failure).
Status OpenVendorFilter(AudioFilterBackend& audio, Handle& handle, const char* serviceName);
Status VendorRequestOut(AudioFilterBackend& audio, Handle handle, uint8_t request, uint16_t value,
                        uint16_t index);
Status VendorRequestIn(AudioFilterBackend& audio, Handle handle, uint8_t request, uint16_t value,
                       uint32_t* result);

}  // namespace zt
