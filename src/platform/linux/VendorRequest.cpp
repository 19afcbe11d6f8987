#include "platform/linux/VendorRequest.h"

#include <algorithm>

#include "device/AudioDriverPath.h"

namespace zt::platform_linux {

namespace {
uint32_t Le32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t{p[3]} << 24); }
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
}  // namespace

std::optional<VendorRequest> DecodeVendorPropertyFrame(const uint8_t (&frame)[48]) {
    const auto& ours = kVendorPropertySets[0];
    if (!std::equal(ours.begin(), ours.end(), frame)) return std::nullopt;
    if (Le32(frame + 16) != kVendorPropertyId) return std::nullopt;
    const uint32_t flags = Le32(frame + 20);
    VendorRequest r;
    r.requestType = frame[24];
    r.request = frame[25];
    r.value = Le16(frame + 26);
    r.index = Le16(frame + 28);
    const bool outOk = flags == kPropertyTypeSet && r.requestType == kRequestTypeVendorOut;
    const bool inOk = flags == kPropertyTypeGet && r.requestType == kRequestTypeVendorIn;
    if (!outOk && !inOk) return std::nullopt;
    return r;
}

}  // namespace zt::platform_linux
