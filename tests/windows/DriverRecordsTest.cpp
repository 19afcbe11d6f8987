// The records the Windows drivers hand back, read from bytes laid out as the
// drivers return them (little-endian, packed), as the backends read them.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "app/CZT51xxWriteEepromMPDlg.h"
#include "platform/windows/UnitNoticeFilter.h"
#include "platform/windows/UsbHubRecords.h"
#include "platform/windows/WindowsDeviceNotices.h"
#include "platform/windows/WindowsUsbTree.h"
#include "support/FakeWindow.h"
#include "support/NullPlatform.h"

namespace zt::platform_windows {
namespace {

// USB_NODE_CONNECTION_INFORMATION_EX for port 2: a connected high-speed device
// 3C4D:7351, bcdDevice 0x0123, address 5, three open pipes, then one pipe entry.
const std::vector<uint8_t> kOurDeviceOnPort2 = {
    0x02, 0x00, 0x00, 0x00,                                                        // ConnectionIndex
    0x12, 0x01, 0x00, 0x02, 0x00, 0x00, 0x00, 0x40, 0x4D, 0x3C, 0x51, 0x73, 0x23,  // device descriptor
    0x01, 0x01, 0x02, 0x03, 0x01,                                                  //
    0x01,                                                              // CurrentConfigurationValue
    0x02,                                                              // Speed: high
    0x00,                                                              // DeviceIsHub
    0x05, 0x00,                                                        // DeviceAddress
    0x03, 0x00, 0x00, 0x00,                                            // NumberOfOpenPipes
    0x01, 0x00, 0x00, 0x00,                                            // ConnectionStatus: connected
    0x07, 0x05, 0x81, 0x03, 0x40, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00,  // a pipe
};

TEST(HubRecords, ConnectionInformationGivesTheDescriptorAndTheStatus) {
    const auto ours = ParseNodeConnection(kOurDeviceOnPort2.data(), kOurDeviceOnPort2.size(), true);
    ASSERT_TRUE(ours);
    EXPECT_TRUE(ours->connected);
    EXPECT_EQ(ours->device.vendorId, 0x3C4D);
    EXPECT_EQ(ours->device.productId, 0x7351);
    EXPECT_EQ(ours->device.bcdDevice, 0x0123);
    EXPECT_FALSE(ours->device.isHub);
    EXPECT_EQ(ours->device.link, UsbLink::High);

    // Behind a USB 1.1 hub the _EX record says full speed; the plain record
    // holds only a low-speed flag there, which says nothing of the two.
    std::vector<uint8_t> fullSpeed = kOurDeviceOnPort2;
    fullSpeed[23] = 0x01;
    EXPECT_EQ(ParseNodeConnection(fullSpeed.data(), fullSpeed.size(), true)->device.link, UsbLink::Full);
    EXPECT_EQ(ParseNodeConnection(kOurDeviceOnPort2.data(), kOurDeviceOnPort2.size(), false)->device.link,
              UsbLink::Unknown);

    // An external hub on the port; then the same port empty (status 0).
    std::vector<uint8_t> hub = kOurDeviceOnPort2;
    hub[4 + 4] = 0x09;  // bDeviceClass: hub
    hub[24] = 0x01;
    EXPECT_TRUE(ParseNodeConnection(hub.data(), hub.size(), true)->device.isHub);
    std::vector<uint8_t> empty(kOurDeviceOnPort2.size(), 0);
    empty[0] = 2;
    EXPECT_FALSE(ParseNodeConnection(empty.data(), empty.size(), true)->connected);

    // A reply cut short before the status is no reply.
    EXPECT_FALSE(ParseNodeConnection(kOurDeviceOnPort2.data(), 34, true));
}

TEST(HubRecords, NodeInformationAndNames) {
    // USB_NODE_INFORMATION of a four-port hub: NodeType UsbHub, then the hub
    // descriptor (length 9, type 0x29, four ports, ...).
    std::vector<uint8_t> node(76, 0);
    node[4] = 9;
    node[5] = 0x29;
    node[6] = 4;
    EXPECT_EQ(ParseHubPortCount(node.data(), node.size()), 4);
    node[0] = 1;  // UsbMIParent: not a hub
    EXPECT_FALSE(ParseHubPortCount(node.data(), node.size()));

    // USB_NODE_CONNECTION_NAME for port 3: index, ActualLength 18, "USB#5" and NUL.
    const uint8_t name[] = {3, 0, 0, 0, 18, 0, 0, 0, 'U', 0, 'S', 0, 'B', 0, '#', 0, '5', 0, 0, 0, 'X', 0};
    EXPECT_EQ(ParseNeededLength(name, sizeof name, 4), 18u);
    EXPECT_EQ(ParseDriverName(name, sizeof name, 8), u"USB#5");
    // A name without its NUL ends with the reply, and an odd last byte is dropped.
    EXPECT_EQ(ParseDriverName(name, 15, 8), u"USB");
    EXPECT_EQ(ParseNeededLength(name, 6, 4), 0u);
}

// DEV_BROADCAST_DEVICEINTERFACE_W as WM_DEVICECHANGE points to it.
std::vector<uint8_t> InterfaceBroadcast(const std::u16string& name, uint32_t deviceType = 5) {
    std::vector<uint8_t> record(28 + (name.size() + 1) * 2, 0);
    const uint32_t size = static_cast<uint32_t>(record.size());
    std::memcpy(&record[0], &size, 4);
    std::memcpy(&record[4], &deviceType, 4);
    std::memcpy(&record[28], name.data(), name.size() * 2);
    return record;
}

TEST(DeviceBroadcastRecord, ArrivalReachesTheDialogAsAKnownDevice) {
    const std::u16string path =
        u"\\\\?\\usb#vid_3c4d&pid_7350#5&2a3c1b7&0&2#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
    const auto record = InterfaceBroadcast(path);
    DeviceNotice notice;
    ASSERT_TRUE(WindowsDeviceNotices::MakeNotice(0x8000, record.data(), record.size(), notice));
    EXPECT_EQ(notice.kind, DeviceNotice::Kind::Arrival);
    EXPECT_EQ(notice.vendorId, 0x3C4D);
    EXPECT_EQ(notice.productId, 0x7350);
    EXPECT_EQ(notice.node,
              "\\\\?\\usb#vid_3c4d&pid_7350#5&2a3c1b7&0&2#{a5dcbf10-6530-11d2-901f-00c04fb951ed}");

    test::NullPlatform machine;
    test::FakeWindow window;
    CZT51xxWriteEepromMPDlg dlg(window, machine.AsPlatform());
    dlg.HandleDeviceChange(notice);
    EXPECT_TRUE(dlg.Job().State().arrivalPending);
    EXPECT_EQ(dlg.Job().State().notifiedIds.productId, 0x7350);

    ASSERT_TRUE(WindowsDeviceNotices::MakeNotice(0x8004, record.data(), record.size(), notice));
    EXPECT_EQ(notice.kind, DeviceNotice::Kind::Removal);

    // Wine's HID stack announces only the HID interface: it names the unit too.
    const auto hid = InterfaceBroadcast(
        u"\\\\?\\hid#vid_3c4d&pid_735f&mi_01#7&1f2e3d4c&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}");
    ASSERT_TRUE(WindowsDeviceNotices::MakeNotice(0x8000, hid.data(), hid.size(), notice));
    EXPECT_EQ(notice.productId, 0x735F);
}

TEST(DeviceBroadcastRecord, OtherEventsRecordsAndNamesAreNoNotices) {
    const auto record = InterfaceBroadcast(u"\\\\?\\USB#VID_3C4D&PID_7351#x");
    DeviceNotice notice;
    EXPECT_FALSE(
        WindowsDeviceNotices::MakeNotice(0x8001, record.data(), record.size(), notice));  // query remove
    EXPECT_FALSE(
        WindowsDeviceNotices::MakeNotice(0x0007, record.data(), record.size(), notice));  // node change
    EXPECT_FALSE(WindowsDeviceNotices::MakeNotice(0x8000, nullptr, 0, notice));
    const auto handle = InterfaceBroadcast(u"\\\\?\\USB#VID_3C4D&PID_7351#x", 6);
    EXPECT_FALSE(WindowsDeviceNotices::MakeNotice(0x8000, handle.data(), handle.size(), notice));
    const auto volume = InterfaceBroadcast(u"C:", 2);
    EXPECT_FALSE(WindowsDeviceNotices::MakeNotice(0x8000, volume.data(), volume.size(), notice));
    // Names without readable IDs, and a record whose size ends inside them.
    for (const auto* name : {u"\\\\?\\HID#{00001124-0000-1000-8000-00805f9b34fb}_VID&0002045e#x",
                             u"\\\\?\\USB#VID_3C4&PID_7351#x", u"\\\\?\\USB#VID_3C4D&PIX_7351#x",
                             u"\\\\?\\USB#VID_3C4D&PID_73"}) {
        const auto other = InterfaceBroadcast(name);
        EXPECT_FALSE(WindowsDeviceNotices::MakeNotice(0x8000, other.data(), other.size(), notice));
    }
    auto cut = record;
    const uint32_t shortSize = 28 + 2 * 20;
    std::memcpy(&cut[0], &shortSize, 4);
    EXPECT_FALSE(WindowsDeviceNotices::MakeNotice(0x8004, cut.data(), cut.size(), notice));
}

DeviceNotice Notice(DeviceNotice::Kind kind, uint16_t productId, std::string port, std::string node) {
    return {kind, 0x3C4D, productId, std::move(port), std::move(node)};
}

// Real Windows announces a unit's USB device interface and then its HID
// interface; the job must count one arrival and one removal per re-plug, and
// must not lose a unit's arrival to another's.
TEST(UnitNoticeFilter, OneNoticePerUnitComingOrGoingWhicheverInterfaceAnnouncesIt) {
    using Kind = DeviceNotice::Kind;
    const std::string port = "PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(2)";
    const std::string usb = R"(\\?\USB#VID_3C4D&PID_7351#5&1#{a5dcbf10})";
    const std::string hid = R"(\\?\HID#VID_3C4D&PID_7351&MI_01#7&2#{4d1e55b2})";
    UnitNoticeFilter filter;
    filter.Present(Notice(Kind::Arrival, 0x7351, port, usb));
    filter.Present(Notice(Kind::Arrival, 0x7351, port, hid));
    // Unplugged: the HID interface goes first, the removal passes with the last.
    EXPECT_FALSE(filter.Pass(Notice(Kind::Removal, 0x7351, port, hid)));
    EXPECT_TRUE(filter.Pass(Notice(Kind::Removal, 0x7351, "", usb)));  // its node no longer tells the port
    // Plugged back in: the first interface passes, in either order.
    EXPECT_TRUE(filter.Pass(Notice(Kind::Arrival, 0x7351, port, hid)));
    EXPECT_FALSE(filter.Pass(Notice(Kind::Arrival, 0x7351, port, usb)));
    // Back as another product on the same port, after a removal that was missed.
    EXPECT_TRUE(filter.Pass(Notice(Kind::Arrival, 0x735F, port, R"(\\?\usb#vid_3c4d&pid_735f#5&1)")));
    // An interface that arrives again was never seen to leave: it passes.
    EXPECT_TRUE(filter.Pass(Notice(Kind::Arrival, 0x7351, port, hid)));

    // Without ports, two units with one pair of IDs stay two units.
    UnitNoticeFilter wine;
    EXPECT_TRUE(wine.Pass(Notice(Kind::Arrival, 0x7351, "", R"(\\?\hid#vid_3c4d&pid_7351&mi_01#7&a)")));
    EXPECT_TRUE(wine.Pass(Notice(Kind::Arrival, 0x7351, "", R"(\\?\hid#vid_3c4d&pid_7351&mi_01#7&b)")));
    EXPECT_TRUE(wine.Pass(Notice(Kind::Removal, 0x7351, "", R"(\\?\HID#VID_3C4D&PID_7351&MI_01#7&A)")));
    EXPECT_TRUE(wine.Pass(Notice(Kind::Removal, 0x7351, "", "never seen")));
}

UsbDeviceEntry Entry(uint16_t productId, uint16_t bcd, std::string port) {
    UsbDeviceEntry entry;
    entry.vendorId = 0x3C4D;
    entry.productId = productId;
    entry.bcdDevice = bcd;
    entry.port = std::move(port);
    return entry;
}

// Where the hub queries find nothing (Wine), the version query still learns
// the release number from the HID attributes; where they find the device,
// the walk's entry stands alone.
TEST(WindowsUsbTreeFallback, TheHidAttributesDescribeOnlyDevicesTheWalkMissed) {
    std::vector<UsbDeviceEntry> none;
    WindowsUsbTree::AddDevicesTheWalkMissed(none, {Entry(0x7351, 0x0102, ""), Entry(0x7351, 0x0102, "")});
    ASSERT_EQ(none.size(), 1u);  // one device of two HID interfaces
    EXPECT_EQ(none[0].bcdDevice, 0x0102);

    std::vector<UsbDeviceEntry> walked = {Entry(0x7351, 0x0100, "P1")};
    WindowsUsbTree::AddDevicesTheWalkMissed(
        walked, {Entry(0x7351, 0x0999, "P1"), Entry(0x7351, 0x0999, ""), Entry(0x7351, 0x0200, "P2")});
    ASSERT_EQ(walked.size(), 2u);
    EXPECT_EQ(walked[0].bcdDevice, 0x0100);
    EXPECT_EQ(walked[1].port, "P2");
}

}  // namespace
}  // namespace zt::platform_windows
