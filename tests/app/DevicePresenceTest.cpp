#include <gtest/gtest.h>

#include <optional>
#include <tuple>

#include "app/CZT51xxWriteEepromMPDlg.h"
#include "support/FakeWindow.h"
#include "support/NullPlatform.h"

namespace zt {
namespace {

// The notice handler alone: no worker, no devices. The open connection is
// played by presetting the IDs of the open device.
struct DevicePresence : ::testing::Test {
    test::NullPlatform machine;
    test::FakeWindow window;
    Platform platform = machine.AsPlatform();
    std::optional<CZT51xxWriteEepromMPDlg> dlg{std::in_place, window, platform};

    DeviceAccess& Device() { return dlg->Job().Device(); }
    void Notice(DeviceNotice::Kind kind, uint16_t vendorId, uint16_t productId) {
        EXPECT_EQ(dlg->HandleDeviceChange(DeviceNotice{kind, vendorId, productId, "1-1.2", "sim:1-1.2"}), 0);
    }
    // Arrival and removal pending, the wait's countdown, the notified IDs.
    std::tuple<bool, bool, uint32_t, uint16_t, uint16_t> Fields() {
        const JobState state = dlg->Job().State();
        return {state.arrivalPending, state.removalPending, state.deviceWaitCountdown,
                state.notifiedIds.vendorId, state.notifiedIds.productId};
    }
};

constexpr auto kArrival = DeviceNotice::Kind::Arrival;
constexpr auto kRemoval = DeviceNotice::Kind::Removal;

TEST_F(DevicePresence, ArrivalOfAKnownDeviceIsLeftPendingWithACountdownOf100) {
    for (const uint16_t pid : {0x7351, 0x7350, 0x735F}) {
        dlg.emplace(window, platform);  // a countdown other than 100 before the notice
        ASSERT_NE(std::get<2>(Fields()), 100u);
        Notice(kArrival, 0x3C4D, pid);
        EXPECT_EQ(Fields(), std::make_tuple(true, false, 100u, uint16_t{0x3C4D}, pid)) << pid;
    }
}

TEST_F(DevicePresence, RowZeroHoldsTheTypedPairAndAZeroVendorEndsTheTable) {
    Device().SetTypedIds({0x1234, 0x5678});
    EXPECT_TRUE(Device().MatchKnownDevice(0x1234, 0x5678));
    EXPECT_EQ(std::get<4>(Fields()), 0x5678);

    Device().SetTypedIds({0, 0});  // an empty Vendor ID box
    EXPECT_FALSE(Device().MatchKnownDevice(0x3C4D, 0x7351));
    EXPECT_EQ(std::get<4>(Fields()), 0x5678);
}

TEST_F(DevicePresence, OnlyTheRemovalOfTheOpenDeviceIsFlagged) {
    Device().PresetDeviceIds({0x3C4D, 0x7351});
    Notice(kRemoval, 0x3C4D, 0x735E);
    EXPECT_EQ(Fields(), std::make_tuple(false, false, 1000u, uint16_t{0x3C4D}, uint16_t{0x735E}));
    Notice(kRemoval, 0x3C4D, 0x7351);
    EXPECT_TRUE(std::get<1>(Fields()));
}

TEST_F(DevicePresence, DevicesOutsideTheTableChangeNothing) {
    Device().PresetDeviceIds({0x3C4D, 0x7351});
    const auto before = Fields();
    Notice(kArrival, 0x3C4D, 0x7352);
    Notice(kArrival, 0x1234, 0x7351);
    Notice(kRemoval, 0x0000, 0x0000);  // the end-of-table row is no device
    EXPECT_EQ(Fields(), before);
}

}  // namespace
}  // namespace zt
