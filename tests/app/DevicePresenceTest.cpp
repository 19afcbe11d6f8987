#include <gtest/gtest.h>

#include "app/CZT51xxWriteEepromMPDlg.h"
#include "support/FakeWindow.h"
#include "support/NullPlatform.h"

namespace zt {
namespace {

// The notice handler alone: no worker, no devices. The open connection is
// played by setting deviceVendorId / deviceProductId.
struct DevicePresence : ::testing::Test {
    test::NullPlatform machine;
    test::FakeWindow window;
    Platform platform = machine.AsPlatform();
    CZT51xxWriteEepromMPDlg dlg{window, platform};

    void Notice(DeviceNotice::Kind kind, uint16_t vendorId, uint16_t productId) {
        EXPECT_EQ(dlg.HandleDeviceChange(DeviceNotice{kind, vendorId, productId, "1-1.2", "sim:1-1.2"}), 0);
    }
    std::tuple<uint32_t, uint32_t, uint32_t, uint16_t, uint16_t> Fields() {
        return {dlg.deviceArrivalPending.load(), dlg.deviceRemovalPending.load(),
                dlg.deviceWaitCountdown.load(), dlg.notifiedVid.load(), dlg.notifiedPid.load()};
    }
};

constexpr auto kArrival = DeviceNotice::Kind::Arrival;
constexpr auto kRemoval = DeviceNotice::Kind::Removal;

TEST_F(DevicePresence, ArrivalOfAKnownDeviceIsLeftPendingWithACountdownOf100) {
    for (const uint16_t pid : {0x7351, 0x7350, 0x735F}) {
        dlg.deviceWaitCountdown.store(3);
        Notice(kArrival, 0x3C4D, pid);
        EXPECT_EQ(Fields(), std::make_tuple(1u, 0u, 100u, uint16_t{0x3C4D}, pid)) << pid;
    }
}

TEST_F(DevicePresence, RowZeroHoldsTheTypedPairAndAZeroVendorEndsTheTable) {
    dlg.knownDevices[0] = {0x1234, 0x5678, 1};
    EXPECT_EQ(dlg.MatchKnownDeviceName(0x1234, 0x5678), 1);
    EXPECT_EQ(dlg.notifiedPid.load(), 0x5678);

    dlg.knownDevices[0] = {0, 0, 1};  // an empty Vendor ID box
    EXPECT_EQ(dlg.MatchKnownDeviceName(0x3C4D, 0x7351), 0);
    EXPECT_EQ(dlg.notifiedPid.load(), 0x5678);
}

TEST_F(DevicePresence, OnlyTheRemovalOfTheOpenDeviceIsFlagged) {
    dlg.deviceVendorId.store(0x3C4D);
    dlg.deviceProductId.store(0x7351);
    Notice(kRemoval, 0x3C4D, 0x735E);
    EXPECT_EQ(Fields(), std::make_tuple(0u, 0u, 1000u, uint16_t{0x3C4D}, uint16_t{0x735E}));
    Notice(kRemoval, 0x3C4D, 0x7351);
    EXPECT_EQ(dlg.deviceRemovalPending.load(), 1u);
}

TEST_F(DevicePresence, DevicesOutsideTheTableChangeNothing) {
    dlg.deviceVendorId.store(0x3C4D);
    dlg.deviceProductId.store(0x7351);
    const auto before = Fields();
    Notice(kArrival, 0x3C4D, 0x7352);
    Notice(kArrival, 0x1234, 0x7351);
    Notice(kRemoval, 0x0000, 0x0000);  // the end-of-table row is no device
    EXPECT_EQ(Fields(), before);
}

}  // namespace
}  // namespace zt
