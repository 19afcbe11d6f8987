// USB arrival and removal notices from real uevents through the libudev
// monitor, and the attached-device list from sysfs.
#include <gtest/gtest.h>
#include <libudev.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

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
    std::vector<DeviceNotice> notices;

    void PostDeviceChange(const DeviceNotice& notice) override {
        std::lock_guard<std::mutex> lock(m);
        notices.push_back(notice);
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

// A removal has no sysfs left to read the IDs from; they must still come
// through, with the port and node the device had.
TEST_F(MockUdevTest, ArrivalAndRemovalCarryTheIdsUntilUnregistered) {
    platform_linux::LinuxDeviceNotices source;
    NoticeLog log;
    const uintptr_t registration = source.Register(log);
    ASSERT_NE(registration, 0u);

    UsbTestbed::DeviceSpec chip;
    chip.vendorId = 0x3C4D;
    chip.productId = 0x735E;
    chip.port = "1-4";
    const int id = bed.Add(chip);
    ASSERT_TRUE(log.WaitFor(1));
    bed.Unplug(id);
    ASSERT_TRUE(log.WaitFor(2));
    std::this_thread::sleep_for(300ms);
    {
        std::lock_guard<std::mutex> lock(log.m);
        ASSERT_EQ(log.notices.size(), 2u);
        EXPECT_EQ(log.notices[0].kind, DeviceNotice::Kind::Arrival);
        EXPECT_EQ(log.notices[1].kind, DeviceNotice::Kind::Removal);
        for (const DeviceNotice& n : log.notices) {
            EXPECT_EQ(n.vendorId, 0x3C4D);
            EXPECT_EQ(n.productId, 0x735E);
            EXPECT_EQ(n.port, "1-4");
            EXPECT_EQ(n.node.rfind("/dev/bus/usb/001/", 0), 0u) << n.node;
        }
    }

    source.Unregister(registration);
    bed.Add(chip);
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(log.Count(), 2u) << "nothing may be posted after Unregister returns";
}

// A udev daemon that stopped without removing its control socket (or a
// container that sees the host's /run) sends nothing on the udev group; the
// re-plugged device was then never seen. The hook stands in for that silence.
// Where the socket cannot be probed both groups are heard, and the two copies
// of each event make one notice.
TEST_F(MockUdevTest, ReplugIsSeenWithoutARunningUdevDaemonAndPostedOnce) {
    char dirTemplate[] = "/tmp/zt-udev-XXXXXX";
    ASSERT_NE(::mkdtemp(dirTemplate), nullptr);
    const std::filesystem::path dir = dirTemplate;
    const std::string stale = dir / "control";
    {
        const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, stale.c_str(), sizeof address.sun_path - 1);
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(fd);  // the file stays, nobody listens
    }
    std::ofstream(dir / "file");
    const std::string unprobeable = dir / "file" / "control";  // ENOTDIR, as EACCES for a user
    const auto udevGroupSilent = [](udev_monitor* monitor, const char* group) {
        if (std::strcmp(group, "udev") == 0)
            udev_monitor_filter_add_match_tag(monitor, "zt-nobody-sends-this");
    };

    const struct {
        const char* name;
        std::string control;
        platform_linux::LinuxDeviceNotices::MonitorHook hook;
    } cases[] = {
        {"stale control socket", stale, udevGroupSilent},
        {"control socket that cannot be probed", unprobeable, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        platform_linux::LinuxDeviceNotices source(c.control, c.hook);
        NoticeLog log;
        const uintptr_t registration = source.Register(log);
        ASSERT_NE(registration, 0u);
        UsbTestbed::DeviceSpec chip;
        chip.productId = 0x735E;
        const int id = bed.Add(chip);
        EXPECT_TRUE(log.WaitFor(1)) << "the arrival was not seen";
        bed.Unplug(id);
        EXPECT_TRUE(log.WaitFor(2)) << "the removal was not seen";
        std::this_thread::sleep_for(300ms);
        EXPECT_EQ(log.Count(), 2u) << "each event once";
        source.Unregister(registration);
    }
    std::filesystem::remove_all(dir);
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
