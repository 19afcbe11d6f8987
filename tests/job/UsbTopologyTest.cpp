#include <gtest/gtest.h>

#include "app/CZT51xxWriteEepromMPDlg.h"
#include "support/FakeWindow.h"
#include "support/NullPlatform.h"

namespace zt {
namespace {

// A machine whose USB tree lists the given devices, in walk order.
struct ListedUsbTree : test::NullPlatform {
    std::vector<UsbDeviceEntry> devices;
    std::vector<UsbDeviceEntry> ListDevices() override { return devices; }
};

struct UsbTopology : ::testing::Test {
    ListedUsbTree machine;
    test::FakeWindow window;
    Platform platform = machine.AsPlatform();
    CZT51xxWriteEepromMPDlg dlg{window, platform};

    Status FindTyped(uint16_t vid, uint16_t pid) {
        dlg.deviceVendorId.store(vid);
        dlg.deviceProductId.store(pid);
        return dlg.FindDeviceInUsbTree();
    }
};

TEST_F(UsbTopology, KeepsTheReleaseNumberOfTheLastMatchingDevice) {
    machine.devices = {
        {0x1D6B, 0x0002, 0x0515, true},  // root hub
        {0x3C4D, 0x7351, 0x0123, false},
        {0x05E3, 0x0610, 0x9226, true},  // external hub
        {0x3C4D, 0x7350, 0x7777, false},
        {0x3C4D, 0x7351, 0x1A2B, false},  // behind the hub, visited last
    };
    dlg.versionRecord.fill(0xEE);

    EXPECT_EQ(FindTyped(0x3C4D, 0x7351), kOk);
    EXPECT_EQ(dlg.usbDeviceFound, 1u);
    const std::array<uint8_t, 16> expected{0, 0, 0, 0x1A, 0x2B};
    EXPECT_EQ(dlg.versionRecord, expected);

    machine.devices.resize(2);
    EXPECT_EQ(FindTyped(0x3C4D, 0x7351), kOk);
    EXPECT_EQ(dlg.versionRecord[3], 0x01);
    EXPECT_EQ(dlg.versionRecord[4], 0x23);
}

TEST_F(UsbTopology, NoExactMatchFailsAndClearsTheRecord) {
    machine.devices = {{0x3C4D, 0x7351, 0x0123, false}, {0x3C4D, 0x7350, 0x0456, false}};
    for (const auto& [vid, pid] : {std::pair<uint16_t, uint16_t>{0x3C4D, 0x7352}, {0x3C4C, 0x7351}, {0, 0}}) {
        dlg.usbDeviceFound = 1;
        dlg.versionRecord.fill(0xEE);
        EXPECT_EQ(FindTyped(vid, pid), kFail);
        EXPECT_EQ(dlg.usbDeviceFound, 0u);
        EXPECT_EQ(dlg.versionRecord, (std::array<uint8_t, 16>{}));
    }
}

}  // namespace
}  // namespace zt
