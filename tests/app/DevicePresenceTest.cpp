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

    void Notice(uint32_t code, const std::string& ids, uint32_t type = kDbtDevtypDeviceInterface) {
        DeviceBroadcast record{
            type, R"(\\?\USB#)" + ids + "#5&2a1b0c&0&3#{a5dcbf10-6530-11d2-901f-00c04fb951ed}", ""};
        EXPECT_EQ(dlg.HandleDeviceChange(code, &record), 0);
    }
    std::tuple<uint32_t, uint32_t, uint32_t, uint16_t, uint16_t> Fields() {
        return {dlg.deviceArrivalPending.load(), dlg.deviceRemovalPending.load(),
                dlg.deviceWaitCountdown.load(), dlg.notifiedVid.load(), dlg.notifiedPid.load()};
    }
};

TEST_F(DevicePresence, ArrivalOfAKnownDeviceIsLeftPendingWithACountdownOf100) {
    const struct {
        const char* ids;
        uint16_t pid;
    } known[] = {{"vid_3c4d&pid_7351", 0x7351}, {"VID_3C4D&PID_7350", 0x7350}, {"VID_3C4D&PID_735F", 0x735F}};
    for (const auto& k : known) {
        dlg.deviceWaitCountdown.store(3);
        Notice(kDbtDeviceArrival, k.ids);
        EXPECT_EQ(Fields(), std::make_tuple(1u, 0u, 100u, uint16_t{0x3C4D}, k.pid)) << k.ids;
    }
}

TEST_F(DevicePresence, RowZeroHoldsTheTypedPairAndAZeroVendorEndsTheTable) {
    dlg.knownDevices[0] = {0x1234, 0x5678, 1};
    EXPECT_EQ(dlg.MatchKnownDeviceName(R"(\\?\usb#vid_1234&pid_5678#x)"), 1);
    EXPECT_EQ(dlg.notifiedPid.load(), 0x5678);

    dlg.knownDevices[0] = {0, 0, 1};  // an empty Vendor ID box
    EXPECT_EQ(dlg.MatchKnownDeviceName(R"(\\?\USB#VID_3C4D&PID_7351#x)"), 0);
    EXPECT_EQ(dlg.notifiedPid.load(), 0x5678);
}

TEST_F(DevicePresence, OnlyTheRemovalOfTheOpenDeviceIsFlagged) {
    dlg.deviceVendorId.store(0x3C4D);
    dlg.deviceProductId.store(0x7351);
    Notice(kDbtDeviceRemoveComplete, "VID_3C4D&PID_735E");
    EXPECT_EQ(Fields(), std::make_tuple(0u, 0u, 1000u, uint16_t{0x3C4D}, uint16_t{0x735E}));
    Notice(kDbtDeviceRemoveComplete, "VID_3C4D&PID_7351");
    EXPECT_EQ(dlg.deviceRemovalPending.load(), 1u);
}

TEST_F(DevicePresence, OtherEventsRecordsAndDevicesChangeNothing) {
    dlg.deviceVendorId.store(0x3C4D);
    dlg.deviceProductId.store(0x7351);
    const auto before = Fields();
    Notice(0x8001, "VID_3C4D&PID_7351");                       // query remove
    Notice(0x0007, "VID_3C4D&PID_7351");                       // node change
    Notice(kDbtDeviceArrival, "VID_3C4D&PID_7351", 6);         // a handle record
    Notice(kDbtDeviceRemoveComplete, "VID_3C4D&PID_7351", 3);  // a port record
    Notice(kDbtDeviceArrival, "VID_3C4D&PID_7352");
    Notice(kDbtDeviceArrival, "VID_1234&PID_7351");
    EXPECT_EQ(dlg.HandleDeviceChange(kDbtDeviceArrival, nullptr), 0);
    EXPECT_EQ(Fields(), before);
}

}  // namespace
}  // namespace zt
