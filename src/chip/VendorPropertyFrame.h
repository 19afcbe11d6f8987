#pragma once
#include <array>
#include <cstdint>

// The frame of the audio driver's vendor property, which carries one USB
// vendor request: what the tool sends and what a driver (or the simulated
// one) reads back out of it.
namespace zt {

// Vendor property sets, tried in this order until the driver accepts one.
using PropertySetGuid = std::array<uint8_t, 16>;  // in-memory GUID layout
extern const std::array<PropertySetGuid, 3> kVendorPropertySets;

inline constexpr uint32_t kVendorPropertyId = 0x5060;
inline constexpr uint32_t kPropertyTypeGet = 1;
inline constexpr uint32_t kPropertyTypeSet = 2;
inline constexpr uint8_t kRequestTypeVendorOut = 0x40;
inline constexpr uint8_t kRequestTypeVendorIn = 0xC0;

// The 48-byte property frame that carries one vendor request. `propertySet`
// counts from 1 (kVendorPropertySets[0]); any other number leaves the set zero.
std::array<uint8_t, 48> BuildVendorPropertyFrame(int propertySet, uint32_t flags, uint8_t requestType,
                                                 uint8_t request, uint16_t value, uint16_t index);

// A property frame as a driver reads it: the inverse of BuildVendorPropertyFrame.
// `propertySet` is 1..3 for one of ours, 0 for any other set.
struct VendorPropertyFrame {
    int propertySet = 0;
    uint32_t propertyId = 0;
    uint32_t flags = 0;
    uint8_t requestType = 0;
    uint8_t request = 0;
    uint16_t value = 0;
    uint16_t index = 0;
};
VendorPropertyFrame ParseVendorPropertyFrame(const uint8_t (&frame)[48]);

}  // namespace zt
