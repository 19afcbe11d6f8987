#include <gtest/gtest.h>

#include "app/CZT51xxWriteEepromMPDlg.h"
#include "support/FakeWindow.h"
#include "support/NullPlatform.h"

namespace zt {
namespace {

// The notice handler on its own: no worker, no devices. The open connection is
// played by setting deviceVendorId / deviceProductId.
struct DevicePresence : ::testing::Test {
    test::NullPlatform machine;
    test::FakeWindow window;
    Platform platform = machine.AsPlatform();
    CZT51xxWriteEepromMPDlg dlg{window, platform};

    void Notice(uint32_t code, const std::string& path, uint32_t type = kDbtDevtypDeviceInterface) {
        DeviceBroadcast record;
        record.deviceType = type;
        record.devicePath = path;
        EXPECT_EQ(dlg.HandleDeviceChange(code, &record), 0);
    }
};

std::string PathOf(const char* ids) { return std::string(R"(\\?\USB#)") + ids + "#5&2a1b0c&0&3#{a5dcbf10-6530-11d2-901f-00c04fb951ed}"; }

struct MatchCase {
    const char* name;
    std::string path;
    int matched;
    uint16_t vid, pid;
};

TEST_F(DevicePresence, MatchesPathsAgainstTheKnownDeviceRows) {
    const MatchCase cases[] = {
        {"typed pair, upper case", PathOf("VID_3C4D&PID_7351"), 1, 0x3C4D, 0x7351},
        {"typed pair, lower case", R"(\\?\usb#vid_3c4d&pid_7351#abc)", 1, 0x3C4D, 0x7351},
        {"row 5", PathOf("VID_3C4D&PID_7350"), 1, 0x3C4D, 0x7350},
        {"updater row", PathOf("VID_3C4D&PID_735F"), 1, 0x3C4D, 0x735F},
        {"unknown product", PathOf("VID_3C4D&PID_7352"), 0, 0xFFFF, 0xFFFF},
        {"unknown vendor", PathOf("VID_1234&PID_7351"), 0, 0xFFFF, 0xFFFF},
        {"IDs without the USB# prefix", R"(\\?\HID#VID_3C4D&PID_7351#x)", 0, 0xFFFF, 0xFFFF},
    };
    for (const auto& c : cases) {
        dlg.notifiedVid.store(0xFFFF);
        dlg.notifiedPid.store(0xFFFF);
        EXPECT_EQ(dlg.MatchKnownDeviceName(c.path), c.matched) << c.name;
        EXPECT_EQ(dlg.notifiedVid.load(), c.vid) << c.name;
        EXPECT_EQ(dlg.notifiedPid.load(), c.pid) << c.name;
    }
}

TEST_F(DevicePresence, TypedPairInRowZeroIsTriedFirstAndAZeroVendorEndsTheTable) {
    dlg.knownDevices[0] = {0x1234, 0x5678, 1};
    EXPECT_EQ(dlg.MatchKnownDeviceName(PathOf("VID_1234&PID_5678")), 1);
    EXPECT_EQ(dlg.notifiedPid.load(), 0x5678);

    dlg.knownDevices[0] = {0, 0, 1};  // an empty Vendor ID box
    dlg.notifiedPid.store(0xFFFF);
    EXPECT_EQ(dlg.MatchKnownDeviceName(PathOf("VID_3C4D&PID_7351")), 0);
    EXPECT_EQ(dlg.notifiedPid.load(), 0xFFFF);
}

TEST_F(DevicePresence, ArrivalLeavesAPendingNoticeAndACountdownOf100) {
    for (uint32_t before : {1000u, 5u, 0u}) {
        dlg.deviceArrivalPending.store(0);
        dlg.deviceWaitCountdown.store(before);
        Notice(kDbtDeviceArrival, PathOf("vid_3c4d&pid_7350"));
        EXPECT_EQ(dlg.deviceArrivalPending.load(), 1u) << before;
        EXPECT_EQ(dlg.deviceWaitCountdown.load(), 100u) << before;
        EXPECT_EQ(dlg.notifiedPid.load(), 0x7350);
    }
    EXPECT_EQ(dlg.deviceRemovalPending.load(), 0u);
}

TEST_F(DevicePresence, OnlyTheRemovalOfTheOpenDeviceIsFlagged) {
    dlg.deviceVendorId.store(0x3C4D);
    dlg.deviceProductId.store(0x7351);

    Notice(kDbtDeviceRemoveComplete, PathOf("VID_3C4D&PID_735E"));
    EXPECT_EQ(dlg.deviceRemovalPending.load(), 0u);
    EXPECT_EQ(dlg.notifiedPid.load(), 0x735E);  // the other device still updates the IDs

    Notice(kDbtDeviceRemoveComplete, PathOf("VID_3C4D&PID_7351"));
    EXPECT_EQ(dlg.deviceRemovalPending.load(), 1u);

    // With the connection closed (IDs 0xFFFF) nothing is flagged.
    dlg.deviceRemovalPending.store(0);
    dlg.deviceVendorId.store(0xFFFF);
    dlg.deviceProductId.store(0xFFFF);
    Notice(kDbtDeviceRemoveComplete, PathOf("VID_3C4D&PID_7351"));
    EXPECT_EQ(dlg.deviceRemovalPending.load(), 0u);
}

TEST_F(DevicePresence, OtherEventsAndRecordsChangeNothing) {
    dlg.deviceVendorId.store(0x3C4D);
    dlg.deviceProductId.store(0x7351);
    dlg.deviceWaitCountdown.store(1000);
    const struct {
        uint32_t code;
        uint32_t type;
        std::string path;
    } ignored[] = {
        {0x8001, kDbtDevtypDeviceInterface, PathOf("VID_3C4D&PID_7351")},  // query remove
        {0x0007, kDbtDevtypDeviceInterface, PathOf("VID_3C4D&PID_7351")},  // node change
        {0x8003, kDbtDevtypDeviceInterface, PathOf("VID_3C4D&PID_7351")},  // remove pending
        {kDbtDeviceArrival, 6, PathOf("VID_3C4D&PID_7351")},              // a handle record
        {kDbtDeviceRemoveComplete, 3, PathOf("VID_3C4D&PID_7351")},       // a port record
        {kDbtDeviceArrival, kDbtDevtypDeviceInterface, PathOf("VID_046D&PID_C52B")},
    };
    for (const auto& n : ignored) Notice(n.code, n.path, n.type);
    EXPECT_EQ(dlg.HandleDeviceChange(kDbtDeviceArrival, nullptr), 0);

    EXPECT_EQ(dlg.deviceArrivalPending.load(), 0u);
    EXPECT_EQ(dlg.deviceRemovalPending.load(), 0u);
    EXPECT_EQ(dlg.deviceWaitCountdown.load(), 1000u);
    EXPECT_EQ(dlg.notifiedVid.load(), 0xFFFF);
    EXPECT_EQ(dlg.notifiedPid.load(), 0xFFFF);
}

TEST_F(DevicePresence, RegistersTheWindowAndTheCloseUnregistersIt) {
    dlg.OnInitDialog();
    EXPECT_EQ(machine.registrations, 1);
    EXPECT_NE(dlg.deviceNotifyHandle, 0u);
    dlg.DestroyWindow();
    EXPECT_EQ(machine.unregistrations, 1);
    EXPECT_EQ(dlg.deviceNotifyHandle, 0u);
}

}  // namespace
}  // namespace zt
