// The Windows backends on a machine with no device of ours (Wine in CI):
// everything must fail cleanly, with the codes the operator would see.
#include <gtest/gtest.h>

#include "app/CZT51xxWriteEepromMPDlg.h"
#include "job/JobResult.h"
#include "platform/windows/WindowsClock.h"
#include "platform/windows/WindowsInstanceLock.h"
#include "platform/windows/WindowsPlatform.h"
#include "sim/SimClock.h"
#include "support/FakeWindow.h"

namespace zt::platform_windows {
namespace {

struct NoDeviceMachine : ::testing::Test {
    sim::SimClock clock;  // the 5000 ms read time-out and the pauses cost nothing
    WindowsPlatform machine{clock};
    Platform platform = machine.AsPlatform();
    test::FakeWindow window;
};

TEST_F(NoDeviceMachine, WriteJobEndsWithNoDeviceFoundAndEverythingElseFailsCleanly) {
    for (const std::string& path : platform.hid.ListInterfaces()) {
        // Whatever the host presents, none of it may be one of ours.
        const Handle h = platform.hid.Open(path, false);
        uint16_t vid = 0, pid = 0;
        if (IsValidHandle(h) && platform.hid.GetAttributes(h, vid, pid)) {
            EXPECT_NE(vid, 0x3C4D) << path;
        }
        platform.hid.Close(h);
    }

    {
        CZT51xxWriteEepromMPDlg dlg(window, platform);
        dlg.OnInitDialog();
        EXPECT_TRUE(dlg.ReceivesDeviceNotices()) << "no registration for device notices";
        dlg.OnWriteEeprom();
        ASSERT_FALSE(window.Boxes().empty());
        EXPECT_EQ(window.Boxes().back().text, "Fail to Write EEPROM! [00030401]");
        EXPECT_TRUE(window.IsEnabled(1002));

        DeviceAccess& device = dlg.Job().Device();
        EXPECT_EQ(device.FindDeviceInUsbTree(), kFail);
        EXPECT_EQ(device.VersionRecord()[3], 0);
        uint8_t value = 0x55;
        EXPECT_EQ(device.AudioReadRegister(0x10, &value), kFail);
        EXPECT_EQ(device.AudioVendorWrite("MarluUAC", 0x21, 0xC400, 0x000C), kFail);
        EXPECT_FALSE(device.AudioFilterOpen());
        dlg.DestroyWindow();
    }

    // Handles that were never opened, or are closed, are refused, not crashed on.
    uint8_t report[64] = {};
    EXPECT_EQ(platform.hid.Read(12345, report, sizeof report, 10), 0);
    EXPECT_EQ(platform.hid.Write(12345, report, sizeof report), -1);
    uint8_t frame[48] = {}, reply[4] = {};
    uint32_t replyLength = 7;
    EXPECT_FALSE(platform.audio.SendProperty(12345, frame, reply, replyLength));
    EXPECT_EQ(replyLength, 0u);
}

TEST(WindowsClock, PausesAreNeverShorterThanAsked) {
    WindowsClock clock;
    EXPECT_TRUE(clock.HighResolution()) << "fell back to the 1 ms system timer";
    for (uint32_t ms : {1u, 2u, 3u, 10u}) {
        const uint64_t start = clock.NowUs();
        clock.SleepMs(ms);
        EXPECT_GE(clock.NowUs() - start, ms * 1000u) << ms << " ms";
    }
}

TEST(WindowsInstanceLock, SecondStartFindsTheFirstUntilItEnds) {
    const std::string title = "zt51xx-mp instance lock test";
    auto first = std::make_unique<WindowsInstanceLock>();
    EXPECT_FALSE(first->ActivateExisting(title));
    WindowsInstanceLock second;
    EXPECT_TRUE(second.ActivateExisting(title));
    first.reset();
    WindowsInstanceLock third;
    EXPECT_FALSE(third.ActivateExisting(title));
}

}  // namespace
}  // namespace zt::platform_windows
