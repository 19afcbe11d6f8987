// USB arrival and removal notices from real uevents through the libudev
// monitor, and the attached-device list from sysfs.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "UsbTestbed.h"
#include "platform/linux/LinuxAudioFilterBackend.h"
#include "platform/linux/LinuxDeviceNotices.h"
#include "platform/linux/LinuxUsbTree.h"

namespace zt::test {
namespace {

using namespace std::chrono_literals;

// Collects notices from the monitor's thread.
struct NoticeLog : DeviceNoticeRecipient {
    std::mutex m;
    std::condition_variable cv;
    std::vector<std::pair<uint32_t, std::string>> notices;

    void PostDeviceChange(uint32_t code, const DeviceBroadcast& record) override {
        EXPECT_EQ(record.deviceType, kDbtDevtypDeviceInterface);
        std::lock_guard<std::mutex> lock(m);
        notices.emplace_back(code, record.devicePath);
        cv.notify_all();
    }
    bool WaitFor(size_t count, std::chrono::milliseconds limit = 5s) {
        std::unique_lock<std::mutex> lock(m);
        return cv.wait_for(lock, limit, [&] { return notices.size() >= count; });
    }
    size_t Count() {
        std::lock_guard<std::mutex> lock(m);
        return notices.size();
    }
};

struct MockUdevTest : ::testing::Test {
    UsbTestbed bed;
    void SetUp() override { ASSERT_TRUE(bed.Mocked()) << "run this binary under umockdev-wrapper"; }
};

TEST_F(MockUdevTest, ArrivalAndRemovalCarryTheIdsUntilUnregistered) {
    platform_linux::LinuxDeviceNotices source;
    NoticeLog log;
    const uintptr_t registration = source.Register(log);
    ASSERT_NE(registration, 0u);

    UsbTestbed::DeviceSpec chip;
    chip.vendorId = 0x3C4D;
    chip.productId = 0x735E;
    const int id = bed.Add(chip);
    ASSERT_TRUE(log.WaitFor(1));
    bed.Unplug(id);
    ASSERT_TRUE(log.WaitFor(2));
    std::this_thread::sleep_for(300ms);
    {
        std::lock_guard<std::mutex> lock(log.m);
        EXPECT_EQ(log.notices[0].first, kDbtDeviceArrival);
        EXPECT_EQ(log.notices[1].first, kDbtDeviceRemoveComplete);
        for (const auto& n : log.notices)
            EXPECT_NE(n.second.find("USB#VID_3C4D&PID_735E"), std::string::npos) << n.second;
    }

    source.Unregister(registration);
    bed.Add(chip);
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(log.Count(), 2u) << "nothing may be posted after Unregister returns";
}

TEST_F(MockUdevTest, UsbTreeListsHubsBeforeTheirPortsWithReleaseNumbers) {
    UsbTestbed::DeviceSpec hub;
    hub.vendorId = 0x05E3;
    hub.productId = 0x0610;
    hub.deviceClass = 0x09;
    hub.port = "1-1";
    const int hubId = bed.Add(hub);
    UsbTestbed::DeviceSpec behindHub;
    behindHub.bcdDevice = 0x0123;
    behindHub.parent = bed.UsbPath(hubId);
    behindHub.port = "1-1.2";
    bed.Add(behindHub);
    UsbTestbed::DeviceSpec direct;
    direct.productId = 0x735F;
    direct.port = "1-10";
    bed.Add(direct);
    UsbTestbed::DeviceSpec second = direct;
    second.productId = 0x7350;
    second.port = "1-2";
    bed.Add(second);

    const auto devices = platform_linux::LinuxUsbTree().ListDevices();
    ASSERT_EQ(devices.size(), 5u);
    const uint16_t expectedPids[] = {0x0002, 0x0610, 0x7351, 0x7350, 0x735F};
    for (size_t i = 0; i < devices.size(); ++i) EXPECT_EQ(devices[i].productId, expectedPids[i]) << i;
    EXPECT_TRUE(devices[0].isHub);
    EXPECT_TRUE(devices[1].isHub);
    EXPECT_FALSE(devices[2].isHub);
    EXPECT_EQ(devices[2].vendorId, 0x3C4D);
    EXPECT_EQ(devices[2].bcdDevice, 0x0123);
}

// Vendor requests go to the first known device with an audio interface.
TEST_F(MockUdevTest, AudioPathPicksTheKnownDeviceWithAnAudioInterface) {
    using platform_linux::LinuxAudioFilterBackend;
    UsbTestbed::DeviceSpec hidOnly;  // known IDs, but no audio interface
    bed.Add(hidOnly);
    UsbTestbed::DeviceSpec foreignAudio;  // audio, but not one of ours
    foreignAudio.vendorId = 0x0D8C;
    foreignAudio.productId = 0x0014;
    foreignAudio.interfaceClass = 0x01;
    bed.Add(foreignAudio);
    EXPECT_EQ(LinuxAudioFilterBackend::FindAudioDeviceNode(), "");

    UsbTestbed::DeviceSpec ours;
    ours.productId = 0x735E;
    ours.interfaceClass = 0x01;
    bed.Add(ours);
    EXPECT_EQ(LinuxAudioFilterBackend::FindAudioDeviceNode(), "/dev/bus/usb/001/004");

    LinuxAudioFilterBackend audio;
    EXPECT_EQ(audio.Open("SomeOtherDriver"), kInvalidHandle);
    // The testbed has no usbfs node to open: a clean failure, not a crash.
    EXPECT_EQ(audio.Open("marluuac"), kInvalidHandle);
}

}  // namespace
}  // namespace zt::test
