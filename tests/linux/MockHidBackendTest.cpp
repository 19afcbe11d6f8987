// The hidraw backend against emulated hidraw nodes: what the core sees of a
// device through it (IDs, report lengths, reports on the wire, time-outs,
// a pulled cable, a node without permission).
#include <gtest/gtest.h>

#include <chrono>

#include "UsbTestbed.h"
#include "platform/linux/LinuxHidBackend.h"

namespace zt::test {
namespace {

using platform_linux::LinuxHidBackend;
using Bytes = std::vector<uint8_t>;

struct MockHidBackendTest : ::testing::Test {
    UsbTestbed bed;
    LinuxHidBackend hid;

    void SetUp() override { ASSERT_TRUE(bed.Mocked()) << "run this binary under umockdev-wrapper"; }

    static UsbTestbed::DeviceSpec Hid(uint16_t vid, uint16_t pid, Bytes descriptor) {
        UsbTestbed::DeviceSpec wanted;
        wanted.vendorId = vid;
        wanted.productId = pid;
        wanted.descriptor = std::move(descriptor);
        return wanted;
    }
};

TEST_F(MockHidBackendTest, ListsNodesInOrderAndReadsIdsAndLengthsOfEach) {
    bed.Add(Hid(0x3C4D, 0x7351, VendorDescriptor(63)));
    bed.Add(Hid(0x046D, 0xC077, VendorDescriptor(7, 2)));
    UsbTestbed::DeviceSpec audioOnly;  // a USB device without a HID interface lists nothing
    audioOnly.interfaceClass = 0x01;
    bed.Add(audioOnly);
    ASSERT_EQ(hid.ListInterfaces(), (std::vector<std::string>{"/dev/hidraw0", "/dev/hidraw1"}));

    struct Expected {
        const char* path;
        uint16_t vid, pid, in, out;
    };
    for (const Expected& e :
         {Expected{"/dev/hidraw0", 0x3C4D, 0x7351, 64, 64}, Expected{"/dev/hidraw1", 0x046D, 0xC077, 8, 8}}) {
        SCOPED_TRACE(e.path);
        const Handle h = hid.Open(e.path, false);
        ASSERT_TRUE(IsValidHandle(h));
        uint16_t vid = 0, pid = 0, in = 0, out = 0;
        ASSERT_TRUE(hid.GetAttributes(h, vid, pid));
        ASSERT_TRUE(hid.GetCaps(h, in, out));
        EXPECT_EQ(vid, e.vid);
        EXPECT_EQ(pid, e.pid);
        EXPECT_EQ(in, e.in);
        EXPECT_EQ(out, e.out);
        hid.Close(h);
    }
}

// The core always puts the report ID first. The kernel wants it too (a 0 for
// devices without numbered reports, which it drops before the transfer) and
// hands input reports of such devices back without it.
TEST_F(MockHidBackendTest, ReportsCrossTheNodeAsTheKernelPassesThemWithTheIdByteFirstForTheCore) {
    struct Case {
        uint8_t reportId;
        uint8_t payload;
    };
    for (const Case c : {Case{0, 63}, Case{5, 15}}) {
        SCOPED_TRACE(int(c.reportId));
        const int id = bed.Add(Hid(0x3C4D, 0x7351, VendorDescriptor(c.payload, c.reportId)));
        HidrawNode& node = bed.Node(id);
        node.SetReportHandler([&](const Bytes& report) {
            Bytes reply(report);
            reply[1] ^= 0xFF;  // something the device made of it
            return HidrawNode::Answer{true, {reply}};
        });
        const std::string path = node.devnode();
        const Handle w = hid.Open(path, false);
        const Handle r = hid.Open(path, true);
        ASSERT_TRUE(IsValidHandle(w) && IsValidHandle(r));

        Bytes report(c.payload + 1u, 0);
        report[0] = c.reportId;
        report[1] = 0x11;
        report[2] = 0x22;
        EXPECT_EQ(hid.Write(w, report.data(), report.size()), int(report.size()));
        ASSERT_EQ(node.Written().size(), 1u);
        EXPECT_EQ(node.Written()[0], report);

        Bytes buffer(64, 0xAA);
        ASSERT_EQ(hid.Read(r, buffer.data(), report.size(), 1000), int(report.size()));
        EXPECT_EQ(buffer[0], c.reportId);
        EXPECT_EQ(buffer[1], 0xEE);
        EXPECT_EQ(buffer[2], 0x22);
        hid.Close(r);
        hid.Close(w);
    }
}

// The one test that waits for real: the read time-out is 5000 ms on the
// product's clock, and a time-out must leave nothing pending behind it.
TEST_F(MockHidBackendTest, ReadTimesOutOnceAndTheNextReadStartsClean) {
    const int id = bed.Add(Hid(0x3C4D, 0x7351, VendorDescriptor(63)));
    const Handle r = hid.Open(bed.Node(id).devnode(), true);
    ASSERT_TRUE(IsValidHandle(r));
    Bytes buffer(64);

    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(hid.Read(r, buffer.data(), 64, 5000), -1);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(5000));
    EXPECT_LT(waited, std::chrono::milliseconds(5500));

    Bytes late(64, 0);
    late[1] = 0x42;
    bed.Node(id).PushInputReport(late);
    ASSERT_EQ(hid.Read(r, buffer.data(), 64, 1000), 64);
    EXPECT_EQ(buffer[1], 0x42);
    EXPECT_EQ(hid.Read(r, buffer.data(), 64, 0), -1) << "one report, one read";
    hid.Close(r);
}

TEST_F(MockHidBackendTest, PulledCableEndsReadsAtOnceAndFailsWrites) {
    const int id = bed.Add(Hid(0x3C4D, 0x7351, VendorDescriptor(63)));
    const std::string path = bed.Node(id).devnode();
    const Handle w = hid.Open(path, false);
    const Handle r = hid.Open(path, true);
    ASSERT_TRUE(IsValidHandle(w) && IsValidHandle(r));
    bed.Unplug(id);

    Bytes buffer(64, 0);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(hid.Read(r, buffer.data(), 64, 5000), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
    EXPECT_EQ(hid.Write(w, buffer.data(), 64), -1);
    hid.Close(r);
    hid.Close(w);
    EXPECT_TRUE(hid.ListInterfaces().empty());
}

TEST_F(MockHidBackendTest, DeniedNodeOfOurVendorGivesOneLineHintNamingTheRule) {
    auto ours = Hid(0x3C4D, 0x7351, VendorDescriptor(63));
    ours.nodeDenied = true;
    auto theirs = Hid(0x046D, 0xC077, VendorDescriptor(7));
    theirs.nodeDenied = true;
    bed.Add(theirs);
    EXPECT_EQ(hid.Open("/dev/hidraw0", false), kInvalidHandle);
    EXPECT_EQ(hid.PermissionHint(), "") << "other vendors' nodes are not ours to grant";

    bed.Add(ours);
    EXPECT_EQ(hid.Open("/dev/hidraw1", false), kInvalidHandle);
    const std::string hint = hid.PermissionHint();
    EXPECT_NE(hint.find("/dev/hidraw1"), std::string::npos) << hint;
    EXPECT_NE(hint.find("70-zt51xx-mp.rules"), std::string::npos) << hint;
    EXPECT_EQ(hint.find('\n'), std::string::npos);
}

}  // namespace
}  // namespace zt::test
