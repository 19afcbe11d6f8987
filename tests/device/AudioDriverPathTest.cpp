#include <string>

#include "device/AudioDriverPath.h"
#include "device/DebugOutput.h"
#include "support/SimDialogFixture.h"

namespace zt {
namespace {

using Kind = sim::SimLogEntry::Kind;
using Bytes = std::vector<uint8_t>;

TEST(VendorPropertyFrame, IsLaidOutByteForByte) {
    const auto frame =
        BuildVendorPropertyFrame(1, kPropertyTypeSet, kRequestTypeVendorOut, 0x13, 0x40A0, 0x031C);
    const Bytes expected = {0xA7, 0x92, 0x1D, 0x4C, 0x05, 0x3E, 0x8F, 0x4B, 0xA6,
                            0xD2, 0x7F, 0x90, 0xC3, 0x5E, 0x1B, 0x48,  // set 1
                            0x60, 0x50, 0x00, 0x00,                    // property id
                            0x02, 0x00, 0x00, 0x00,                    // SET
                            0x40, 0x13, 0xA0, 0x40, 0x1C, 0x03,        // request type, request, value, index
                            0,    0,    0,    0,    0,    0,    0,    0,    0,
                            0,    0,    0,    0,    0,    0,    0,    0,    0};
    EXPECT_EQ(Bytes(frame.begin(), frame.end()), expected);

    const auto in = BuildVendorPropertyFrame(3, kPropertyTypeGet, kRequestTypeVendorIn, 0x22, 0xB900, 0);
    EXPECT_EQ(Bytes(in.begin(), in.begin() + 16), (Bytes{0x08, 0x5C, 0xF7, 0x2A, 0xB9, 0x81, 0x63, 0x4E, 0xB7,
                                                         0xC0, 0x5E, 0x3D, 0x9A, 0x1F, 0x42, 0xD6}));
    EXPECT_EQ(Bytes(in.begin() + 20, in.begin() + 30), (Bytes{1, 0, 0, 0, 0xC0, 0x22, 0x00, 0xB9, 0, 0}));
    EXPECT_EQ(Bytes(kVendorPropertySets[1].begin(), kVendorPropertySets[1].end()),
              (Bytes{0x31, 0x0F, 0x6E, 0x9B, 0xD8, 0xC2, 0xA5, 0x47, 0x8E, 0x14, 0xD0, 0x5B, 0x27, 0xA9, 0xF6,
                     0xC3}));
}

struct AudioDriverPath : test::SimDialogFixture {
    DeviceAccess* d = nullptr;
    std::vector<std::string> debugText;
    void SetUp() override {
        bus.AddFactoryChip(sim::ChipVariant::A);
        d = &MakeDialog().Job().Device();
        d->SetAudioDeviceName("MarluUAC");
        SetDebugOutputSink([this](std::string_view t) { debugText.emplace_back(t); });
    }
    void TearDown() override {
        SetDebugOutputSink(nullptr);
        SimDialogFixture::TearDown();
    }
    std::vector<Bytes> Frames() const {
        std::vector<Bytes> out;
        for (const auto& e : bus.Log())
            if (e.kind == Kind::VendorRequest) out.push_back(e.bytes);
        return out;
    }
};

TEST_F(AudioDriverPath, FallsBackThroughThePropertySetsInOrder) {
    bus.SetAcceptedPropertySet(3);
    ASSERT_EQ(d->AudioVendorWrite("MarluUAC", 0x21, 0xC400, 0x000C), kOk);
    const auto frames = Frames();
    ASSERT_EQ(frames.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_TRUE(
            std::equal(kVendorPropertySets[i].begin(), kVendorPropertySets[i].end(), frames[i].begin()));
        EXPECT_EQ(Bytes(frames[i].begin() + 16, frames[i].end()),
                  Bytes(frames[0].begin() + 16, frames[0].end()));
    }
    EXPECT_EQ(bus.RegisterWrites().back(), (std::pair<uint8_t, uint8_t>{0xC4, 0x0C}));
    EXPECT_FALSE(d->AudioFilterOpen());

    bus.SetRegister(0, 0xB9, 0x73);
    uint8_t value = 0;
    ASSERT_EQ(d->AudioReadRegister(0xB9, &value), kOk);
    EXPECT_EQ(value, 0x73);
}

// A driver that refuses every set, or answers an IN request with fewer than
// 4 bytes, yields success with the value 0.
TEST_F(AudioDriverPath, RefusedAndShortRepliesReadAsZero) {
    bus.SetRegister(0, 0xB9, 0x73);
    struct Case {
        int acceptedSet;
        uint32_t replyLength;
        size_t debugLines;
    };
    for (const Case& c : {Case{0, 4, 0}, Case{1, 3, 1}}) {
        bus.SetAcceptedPropertySet(c.acceptedSet);
        bus.SetInReplyLength(c.replyLength);
        debugText.clear();
        uint8_t value = 0xEE;
        EXPECT_EQ(d->AudioReadRegister(0xB9, &value), kOk);
        EXPECT_EQ(value, 0);
        ASSERT_EQ(debugText.size(), c.debugLines);
        if (c.debugLines) {
            EXPECT_EQ(debugText[0], "WDM Topology: GetVendorDefCom: ");
        }
    }
    bus.SetAcceptedPropertySet(0);
    EXPECT_EQ(d->AudioVendorWrite("MarluUAC", 0x21, 0xC400, 0x000C), kOk);
}

TEST_F(AudioDriverPath, NoAudioDeviceFailsEveryOperation) {
    for (bool present : {false, true}) {
        bus.SetAudioPresent(present);
        const char* name = present ? "OtherUAC" : "MarluUAC";
        d->SetAudioDeviceName(name);
        uint8_t value = 0;
        EXPECT_EQ(d->AudioVendorWrite(name, 0x21, 0xC400, 0x000C), kFail);
        EXPECT_EQ(d->AudioReadRegister(0xB9, &value), kFail);
        EXPECT_EQ(d->AudioVendorWrite(nullptr, 0x21, 0xC400, 0x000C), kFail);
        EXPECT_FALSE(d->AudioFilterOpen());
        EXPECT_TRUE(Frames().empty());
    }
}

}  // namespace
}  // namespace zt

namespace zt {
namespace {

// What a driver reads back must be what the tool built, under every set.
TEST(VendorPropertyFrameRoundTrip, ParseReadsBackEveryFieldTheBuilderWrote) {
    for (int set = 0; set <= 3; ++set) {
        const auto built =
            BuildVendorPropertyFrame(set, kPropertyTypeGet, kRequestTypeVendorIn, 0x22, 0xB900, 0x1234);
        uint8_t frame[48];
        std::copy(built.begin(), built.end(), frame);
        const VendorPropertyFrame parsed = ParseVendorPropertyFrame(frame);
        EXPECT_EQ(parsed.propertySet, set);
        EXPECT_EQ(parsed.propertyId, kVendorPropertyId);
        EXPECT_EQ(parsed.flags, kPropertyTypeGet);
        EXPECT_EQ(parsed.requestType, kRequestTypeVendorIn);
        EXPECT_EQ(parsed.request, 0x22);
        EXPECT_EQ(parsed.value, 0xB900);
        EXPECT_EQ(parsed.index, 0x1234);
    }
}

}  // namespace
}  // namespace zt
