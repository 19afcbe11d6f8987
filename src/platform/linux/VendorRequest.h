#pragma once
#include <cstdint>
#include <optional>

namespace zt::platform_linux {

// One USB vendor control request on endpoint 0, as a property frame asks
// for it: bmRequestType 0x40 (OUT, no data) or 0xC0 (IN, 4 bytes back).
struct VendorRequest {
    uint8_t requestType = 0;
    uint8_t request = 0;
    uint16_t value = 0;
    uint16_t index = 0;
    bool isIn() const { return requestType == 0xC0; }
};

// Reads the 48-byte property frame. We answer only to our own property set
// (the first of the three) with our property id, and only to frames whose
// direction agrees with their flags (SET with an OUT request, GET with an
// IN request); anything else is refused, as a driver refuses a property it
// does not know, so the caller's fallback to the other sets behaves as
// elsewhere.
std::optional<VendorRequest> DecodeVendorPropertyFrame(const uint8_t (&frame)[48]);

}  // namespace zt::platform_linux
