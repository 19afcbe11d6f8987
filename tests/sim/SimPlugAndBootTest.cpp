#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/DeviceNotices.h"
#include "sim/SimBus.h"
#include "sim/SimClock.h"
#include "sim/SimHost.h"

namespace zt::sim {
namespace {

using test::SimHost;

struct NoticeLog : DeviceNoticeRecipient {
    std::vector<DeviceNotice> notices;
    std::function<void()> onPost;
    void PostDeviceChange(const DeviceNotice& notice) override {
        notices.push_back(notice);
        if (onPost) onPost();
    }
};

// An EEPROM that boots as a programmed device: header magic, tail IDs and a
// high-speed device descriptor behind its tag.
std::vector<uint8_t> ProgrammedEeprom(uint16_t vid, uint16_t pid, uint16_t bcd) {
    std::vector<uint8_t> e(0x8000, 0xFF);
    const uint8_t magic[] = {'W', 'T', 'C', 0, 0x4F, 0x02, 0x10, 0x00};
    std::copy(std::begin(magic), std::end(magic), e.begin());
    const std::string tag = "ZTHsDTag";
    std::copy(tag.begin(), tag.end(), e.begin() + 0x224B);
    const uint8_t descriptor[18] = {18,
                                    1,
                                    0x00,
                                    0x02,
                                    0,
                                    0,
                                    0,
                                    64,
                                    static_cast<uint8_t>(vid),
                                    static_cast<uint8_t>(vid >> 8),
                                    static_cast<uint8_t>(pid),
                                    static_cast<uint8_t>(pid >> 8),
                                    static_cast<uint8_t>(bcd),
                                    static_cast<uint8_t>(bcd >> 8),
                                    1,
                                    2,
                                    3,
                                    1};
    std::copy(std::begin(descriptor), std::end(descriptor), e.begin() + 0x224B + 8);
    e[0x400A] = static_cast<uint8_t>(pid);
    e[0x400B] = static_cast<uint8_t>(pid >> 8);
    e[0x400C] = static_cast<uint8_t>(vid);
    e[0x400D] = static_cast<uint8_t>(vid >> 8);
    return e;
}

struct SimPlugAndBoot : ::testing::Test {
    SimClock clock;
    SimBus bus{clock};
    NoticeLog recipient;
};

TEST_F(SimPlugAndBoot, ProgrammedChipPresentsItsTailIdsAndDescriptorRelease) {
    bus.AddChip(ChipVariant::A, ProgrammedEeprom(0x3C4D, 0x7351, 0x0123));
    EXPECT_EQ(bus.VendorId(), 0x3C4D);
    EXPECT_EQ(bus.ProductId(), 0x7351);
    EXPECT_EQ(bus.BcdDevice(), 0x0123);
    EXPECT_EQ(bus.Path(), "sim:1-1.1");

    SimHost host{bus};
    ASSERT_TRUE(host.Open());
    uint16_t vid = 0, pid = 0;
    ASSERT_TRUE(bus.hid().GetAttributes(host.writeHandle, vid, pid));
    EXPECT_EQ(vid, 0x3C4D);
    EXPECT_EQ(pid, 0x7351);
}

// After the erase the header is gone, so the next boot comes up as the
// updater device of the chip's variant; the tail block is untouched.
TEST_F(SimPlugAndBoot, ErasedChipBootsAsTheUpdaterAfterReplug) {
    for (auto [variant, updaterPid] : {std::pair{ChipVariant::A, 0x735E}, std::pair{ChipVariant::B, 0x735F},
                                       std::pair{ChipVariant::Unknown, 0x735E}}) {
        SimBus b{clock};
        b.AddChip(variant, ProgrammedEeprom(0x1234, 0x5678, 0x0100));
        SimHost host{b};
        ASSERT_TRUE(host.Open());
        host.Send(SimHost::Erase());
        EXPECT_EQ(b.ProductId(), 0x5678) << "the running chip keeps its identity until it reboots";
        b.Replug();
        EXPECT_EQ(b.VendorId(), 0x3C4D);
        EXPECT_EQ(b.ProductId(), updaterPid);
        EXPECT_EQ(b.Eeprom()[0x400C], 0x34) << "tail block survives the erase";
    }
}

TEST_F(SimPlugAndBoot, FactoryChipLayout) {
    bus.AddFactoryChip(ChipVariant::B);
    const auto e = bus.Eeprom();
    ASSERT_EQ(e.size(), 0x8000u);
    EXPECT_TRUE(std::equal(e.begin(), e.begin() + 8, e.begin() + 0x4010)) << "header copy";
    EXPECT_EQ(e[0x401C], 0);
    EXPECT_EQ(std::vector<uint8_t>(e.begin() + 0x4074, e.begin() + 0x4077), (std::vector<uint8_t>{1, 0, 0}));
    EXPECT_EQ(e[0x4018], 0xFF);
    EXPECT_EQ(e[0x4077], 0xFF);
    EXPECT_EQ(e[0x7FFF], 0xFF);
}

TEST_F(SimPlugAndBoot, EveryPlugAndUnplugPostsANoticeWithThePresentedIds) {
    bus.AddChip(ChipVariant::A, ProgrammedEeprom(0x3C4D, 0x7351, 0x0100));
    const uintptr_t registration = bus.notices().Register(recipient);
    ASSERT_NE(registration, 0u);

    SimHost host{bus};
    ASSERT_TRUE(host.Open());
    host.Send(SimHost::Erase());
    bus.Replug();
    bus.Unplug();
    bus.Unplug();  // already out: nothing happens

    // The removal carries the IDs the chip presented before it went; the node
    // and port stay those of the hub port.
    const auto removal = DeviceNotice::Kind::Removal, arrival = DeviceNotice::Kind::Arrival;
    ASSERT_EQ(recipient.notices.size(), 3u);
    const struct {
        DeviceNotice::Kind kind;
        uint16_t pid;
    } expected[] = {{removal, 0x7351}, {arrival, 0x735E}, {removal, 0x735E}};
    for (size_t i = 0; i < 3; ++i) {
        const DeviceNotice& n = recipient.notices[i];
        EXPECT_EQ(n.kind, expected[i].kind) << i;
        EXPECT_EQ(n.vendorId, 0x3C4D) << i;
        EXPECT_EQ(n.productId, expected[i].pid) << i;
        EXPECT_EQ(n.port, "1-1.1") << i;
        EXPECT_EQ(n.node, "sim:1-1.1") << i;
    }

    bus.notices().Unregister(registration);
    bus.Plug();
    EXPECT_EQ(recipient.notices.size(), 3u) << "no notice after Unregister";
}

// Notices go out after the bus has let go of its lock: a recipient may use
// the bus from its handler, as the dialog does when it opens the new device.
TEST_F(SimPlugAndBoot, RecipientMayCallBackIntoTheBus) {
    bus.AddChip(ChipVariant::A, {});
    bus.notices().Register(recipient);
    std::vector<size_t> seen;
    recipient.onPost = [&] { seen.push_back(bus.hid().ListInterfaces().size()); };
    bus.Replug();
    EXPECT_EQ(seen, (std::vector<size_t>{0, 1}));
}

TEST_F(SimPlugAndBoot, InterfacesAndTreeListPluggedDevicesInTheOrderAdded) {
    bus.AddChip(ChipVariant::A, ProgrammedEeprom(0x3C4D, 0x7351, 0x0105));
    bus.AddOtherHidDevice(0x1111, 0x2222);
    bus.AddChip(ChipVariant::B, {});

    auto paths = bus.hid().ListInterfaces();
    ASSERT_EQ(paths.size(), 3u);
    EXPECT_EQ(paths[0], bus.Path(0));
    EXPECT_EQ(paths[1], "sim:1-2.1");
    EXPECT_EQ(bus.hid().PortOf(paths[1]), "1-2.1");
    EXPECT_EQ(paths[2], bus.Path(1));
    EXPECT_EQ(bus.hid().ListInterfaces(), paths) << "stable order";

    auto tree = bus.usb().ListDevices();
    ASSERT_EQ(tree.size(), 5u);
    EXPECT_TRUE(tree[0].isHub);
    EXPECT_TRUE(tree[1].isHub);
    EXPECT_EQ(tree[2].productId, 0x7351);
    EXPECT_EQ(tree[2].bcdDevice, 0x0105);
    EXPECT_EQ(tree[3].vendorId, 0x1111);
    EXPECT_EQ(tree[4].productId, 0x735F);

    bus.Unplug(0);
    EXPECT_EQ(bus.hid().ListInterfaces().size(), 2u);
    EXPECT_EQ(bus.usb().ListDevices().size(), 4u);
}

}  // namespace
}  // namespace zt::sim
