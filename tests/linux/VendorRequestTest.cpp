// Property frames into USB vendor requests: what reaches endpoint 0.
#include <gtest/gtest.h>

#include <cstring>

#include "device/AudioDriverPath.h"
#include "platform/linux/VendorRequest.h"

namespace zt::platform_linux {
namespace {

struct Frame {
    uint8_t bytes[48] = {};
};

Frame Make(int set, uint32_t flags, uint8_t type, uint8_t request, uint16_t value, uint16_t index,
           uint32_t id = kVendorPropertyId) {
    Frame f;
    std::memcpy(f.bytes, kVendorPropertySets[set].data(), 16);
    for (int i = 0; i < 4; ++i) {
        f.bytes[16 + i] = static_cast<uint8_t>(id >> (8 * i));
        f.bytes[20 + i] = static_cast<uint8_t>(flags >> (8 * i));
    }
    f.bytes[24] = type;
    f.bytes[25] = request;
    f.bytes[26] = value & 0xFF;
    f.bytes[27] = value >> 8;
    f.bytes[28] = index & 0xFF;
    f.bytes[29] = index >> 8;
    return f;
}

TEST(VendorRequest, OutAndInFramesOfOurSetBecomeControlRequests) {
    const Frame out = Make(0, kPropertyTypeSet, 0x40, 0x13, 0x40A0, 0x5A1C);
    const auto w = DecodeVendorPropertyFrame(out.bytes);
    ASSERT_TRUE(w);
    EXPECT_EQ(w->requestType, 0x40);
    EXPECT_EQ(w->request, 0x13);
    EXPECT_EQ(w->value, 0x40A0);
    EXPECT_EQ(w->index, 0x5A1C);
    EXPECT_FALSE(w->isIn());

    const Frame in = Make(0, kPropertyTypeGet, 0xC0, 0x22, 0xB900, 0);
    const auto r = DecodeVendorPropertyFrame(in.bytes);
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->isIn());
    EXPECT_EQ(r->request, 0x22);
    EXPECT_EQ(r->value, 0xB900);
}

TEST(VendorRequest, RefusesOtherSetsIdsAndMismatchedDirections) {
    EXPECT_FALSE(DecodeVendorPropertyFrame(Make(1, kPropertyTypeSet, 0x40, 0x13, 1, 2).bytes));
    EXPECT_FALSE(DecodeVendorPropertyFrame(Make(2, kPropertyTypeGet, 0xC0, 0x22, 1, 0).bytes));
    EXPECT_FALSE(DecodeVendorPropertyFrame(Make(0, kPropertyTypeSet, 0x40, 0x13, 1, 2, 0x5061).bytes));
    EXPECT_FALSE(DecodeVendorPropertyFrame(Make(0, kPropertyTypeSet, 0xC0, 0x22, 1, 0).bytes));
    EXPECT_FALSE(DecodeVendorPropertyFrame(Make(0, kPropertyTypeGet, 0x40, 0x13, 1, 2).bytes));
    EXPECT_FALSE(DecodeVendorPropertyFrame(Make(0, 3, 0x40, 0x13, 1, 2).bytes));
}

}  // namespace
}  // namespace zt::platform_linux
