#include <gtest/gtest.h>

#include "app/CZT51xxWriteEepromMPDlg.h"
#include "support/FakeWindow.h"
#include "support/NullPlatform.h"

namespace zt {
namespace {

struct ListedUsbTree : test::NullPlatform {
    std::vector<UsbDeviceEntry> devices;  // in walk order
    std::vector<UsbDeviceEntry> ListDevices() override { return devices; }
};

TEST(UsbTopology, LastExactMatchSuppliesTheReleaseNumber) {
    ListedUsbTree machine;
    test::FakeWindow window;
    Platform platform = machine.AsPlatform();
    CZT51xxWriteEepromMPDlg dlg(window, platform);
    DeviceAccess& device = dlg.Job().Device();
    const auto entry = [](uint16_t vid, uint16_t pid, uint16_t bcd, bool hub) {
        return UsbDeviceEntry{vid, pid, bcd, hub, "", ""};
    };
    machine.devices = {
        entry(0x1D6B, 0x0002, 0x0515, true), entry(0x3C4D, 0x7351, 0x0123, false),
        entry(0x3C4D, 0x7350, 0x7777, false), entry(0x05E3, 0x0610, 0x9226, true),
        entry(0x3C4D, 0x7351, 0x1A2B, false)};  // the last behind the external hub, visited last
    const struct {
        uint16_t vid, pid;
        Status status;
        uint8_t high, low;
    } cases[] = {
        {0x3C4D, 0x7351, kOk, 0x1A, 0x2B}, {0x3C4D, 0x7350, kOk, 0x77, 0x77}, {0x3C4D, 0x7352, kFail, 0, 0}};
    for (const auto& c : cases) {
        const std::array<uint8_t, 16> stale = [] {
            std::array<uint8_t, 16> bytes;
            bytes.fill(0xEE);
            return bytes;
        }();
        device.SetVersionBytes(stale.data(), stale.size());
        device.PresetDeviceIds({c.vid, c.pid});
        // The status is whether the walk found the device.
        EXPECT_EQ(device.FindDeviceInUsbTree(), c.status);
        EXPECT_EQ(device.VersionRecord(), (std::array<uint8_t, 16>{0, 0, 0, c.high, c.low})) << c.pid;
    }
}

}  // namespace
}  // namespace zt
