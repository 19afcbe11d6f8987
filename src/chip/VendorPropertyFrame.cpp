#include "chip/VendorPropertyFrame.h"

#include <algorithm>
#include <cstddef>

namespace zt {

namespace {

// A GUID as it lies in memory: the first three groups little-endian, the last
// eight bytes as written.
constexpr PropertySetGuid MakeGuid(uint32_t data1, uint16_t data2, uint16_t data3,
                                   const std::array<uint8_t, 8>& data4) {
    return {static_cast<uint8_t>(data1),
            static_cast<uint8_t>(data1 >> 8),
            static_cast<uint8_t>(data1 >> 16),
            static_cast<uint8_t>(data1 >> 24),
            static_cast<uint8_t>(data2),
            static_cast<uint8_t>(data2 >> 8),
            static_cast<uint8_t>(data3),
            static_cast<uint8_t>(data3 >> 8),
            data4[0],
            data4[1],
            data4[2],
            data4[3],
            data4[4],
            data4[5],
            data4[6],
            data4[7]};
}

void PutLe16(uint8_t* at, uint16_t v) {
    at[0] = static_cast<uint8_t>(v);
    at[1] = static_cast<uint8_t>(v >> 8);
}

void PutLe32(uint8_t* at, uint32_t v) {
    PutLe16(at, static_cast<uint16_t>(v));
    PutLe16(at + 2, static_cast<uint16_t>(v >> 16));
}

uint16_t Le16(const uint8_t* at) { return static_cast<uint16_t>(at[0] | (at[1] << 8)); }
uint32_t Le32(const uint8_t* at) { return Le16(at) | (uint32_t{Le16(at + 2)} << 16); }

// Frame layout: property set, id, flags, then the USB setup fields.
constexpr size_t kIdOffset = 16;
constexpr size_t kFlagsOffset = 20;
constexpr size_t kRequestTypeOffset = 24;
constexpr size_t kRequestOffset = 25;
constexpr size_t kValueOffset = 26;
constexpr size_t kIndexOffset = 28;

}  // namespace

const std::array<PropertySetGuid, 3> kVendorPropertySets = {
    MakeGuid(0x4C1D92A7, 0x3E05, 0x4B8F, {0xA6, 0xD2, 0x7F, 0x90, 0xC3, 0x5E, 0x1B, 0x48}),
    MakeGuid(0x9B6E0F31, 0xC2D8, 0x47A5, {0x8E, 0x14, 0xD0, 0x5B, 0x27, 0xA9, 0xF6, 0xC3}),
    MakeGuid(0x2AF75C08, 0x81B9, 0x4E63, {0xB7, 0xC0, 0x5E, 0x3D, 0x9A, 0x1F, 0x42, 0xD6}),
};

std::array<uint8_t, 48> BuildVendorPropertyFrame(int propertySet, uint32_t flags, uint8_t requestType,
                                                 uint8_t request, uint16_t value, uint16_t index) {
    std::array<uint8_t, 48> frame{};
    if (propertySet >= 1 && propertySet <= static_cast<int>(kVendorPropertySets.size())) {
        const PropertySetGuid& set = kVendorPropertySets[static_cast<size_t>(propertySet - 1)];
        std::copy(set.begin(), set.end(), frame.begin());
    }
    PutLe32(&frame[kIdOffset], kVendorPropertyId);
    PutLe32(&frame[kFlagsOffset], flags);
    frame[kRequestTypeOffset] = requestType;
    frame[kRequestOffset] = request;
    PutLe16(&frame[kValueOffset], value);
    PutLe16(&frame[kIndexOffset], index);
    return frame;
}

VendorPropertyFrame ParseVendorPropertyFrame(const uint8_t (&frame)[48]) {
    VendorPropertyFrame parsed;
    for (size_t i = 0; i < kVendorPropertySets.size(); ++i) {
        const PropertySetGuid& set = kVendorPropertySets[i];
        if (std::equal(set.begin(), set.end(), frame)) parsed.propertySet = static_cast<int>(i) + 1;
    }
    parsed.propertyId = Le32(frame + kIdOffset);
    parsed.flags = Le32(frame + kFlagsOffset);
    parsed.requestType = frame[kRequestTypeOffset];
    parsed.request = frame[kRequestOffset];
    parsed.value = Le16(frame + kValueOffset);
    parsed.index = Le16(frame + kIndexOffset);
    return parsed;
}

}  // namespace zt
