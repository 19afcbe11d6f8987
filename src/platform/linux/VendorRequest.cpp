#include "platform/linux/VendorRequest.h"

#include "chip/VendorPropertyFrame.h"

namespace zt::platform_linux {

std::optional<VendorRequest> DecodeVendorPropertyFrame(const uint8_t (&frame)[48]) {
    const VendorPropertyFrame parsed = ParseVendorPropertyFrame(frame);
    if (parsed.propertySet != 1 || parsed.propertyId != kVendorPropertyId) return std::nullopt;
    VendorRequest r;
    r.requestType = parsed.requestType;
    r.request = parsed.request;
    r.value = parsed.value;
    r.index = parsed.index;
    const bool outOk = parsed.flags == kPropertyTypeSet && r.requestType == kRequestTypeVendorOut;
    const bool inOk = parsed.flags == kPropertyTypeGet && r.requestType == kRequestTypeVendorIn;
    if (!outOk && !inOk) return std::nullopt;
    return r;
}

}  // namespace zt::platform_linux
