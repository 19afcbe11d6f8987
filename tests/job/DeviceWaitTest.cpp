#include <gtest/gtest.h>

#include "job/WriteJobFixture.h"

namespace zt {
namespace {

using sim::ChipVariant;

// The wait for the re-plugged device and the idle worker's notice handling,
// timed on the simulated clock.
struct DeviceWait : test::WriteJobFixture {
    int chip = bus.AddFactoryChip(ChipVariant::A);
    uint64_t promptDismissedUs = 0;
    uint64_t failureShownUs = 0;

    // The operator does `atPrompt`, then dismisses the re-plug prompt.
    void OnPrompt(std::function<void()> atPrompt) {
        window.onMessageBox = [this, atPrompt](const test::FakeWindow::MessageBox& box) {
            if (box.text == test::kReplugPrompt) {
                atPrompt();
                promptDismissedUs = clock.NowUs();
            } else {
                failureShownUs = clock.NowUs();
            }
        };
    }
    void ExpectWaitFailureAfter(double seconds) {
        EXPECT_EQ(BoxTexts().back(), "Fail to Write EEPROM! [010A0D02]");
        EXPECT_NEAR((failureShownUs - promptDismissedUs) / 1e6, seconds, 0.03);
    }
    void ReplugAndWaitForTheWorker() {
        bus.Unplug(chip);
        ASSERT_TRUE(WaitUntil([&] { return !dlg->Job().Device().IsOpen(); }));
        bus.Plug(chip);
        ASSERT_TRUE(WaitUntil([&] { return dlg->Job().Device().IsOpen(); }));
    }
};

TEST_F(DeviceWait, ReplugDuringThePromptGoesOnWithoutWaiting) {
    StartDialog();
    OnPrompt([this] { bus.Replug(chip); });
    ASSERT_TRUE(RunWriteJob());

    // The returned chip is asked who it is, and step 5's register write
    // follows, before one 10 ms pass of step 4 could go by.
    const auto requests = Requests();
    const auto next = std::find_if(requests.begin(), requests.end(),
                                   [&](const test::Request& r) { return r.timeUs >= promptDismissedUs; });
    ASSERT_NE(next, requests.end());
    EXPECT_TRUE(next->Is(0x22));
    const auto write = std::find_if(next, requests.end(), [](const test::Request& r) { return r.Is(0x21); });
    ASSERT_NE(write, requests.end());
    EXPECT_EQ(std::count_if(next, write, [](const test::Request& r) { return r.Is(0x22); }), 10);
    EXPECT_LT(write->timeUs - promptDismissedUs, 10'000u);
}

TEST_F(DeviceWait, DeviceThatNeverComesBackFailsAfter1000Passes) {
    StartDialog();
    OnPrompt([this] { bus.Unplug(chip); });
    ASSERT_TRUE(RunWriteJob());
    ExpectWaitFailureAfter(10.0);
}

// An arrival seen before the job leaves the countdown at what the arrival
// gave it; the re-plug must still get its whole wait, not the rest of that.
TEST_F(DeviceWait, AfterAnEarlierArrivalTheRePlugStillGetsTheWholeWait) {
    StartDialog();
    ReplugAndWaitForTheWorker();
    OnPrompt([this] { bus.Unplug(chip); });
    ASSERT_TRUE(RunWriteJob());
    ExpectWaitFailureAfter(10.0);
}

TEST_F(DeviceWait, ArrivedDeviceThatCannotBeOpenedUsesOnePassPerFailedOpen) {
    StartDialog();
    OnPrompt([this] {
        bus.Faults(chip).refuseOpen = true;
        bus.Replug(chip);
    });
    ASSERT_TRUE(RunWriteJob());
    ExpectWaitFailureAfter(1.0);
}

TEST_F(DeviceWait, IdleWorkerClosesARemovedDeviceAndOpensTheNextArrival) {
    StartDialog();
    ReplugAndWaitForTheWorker();
    EXPECT_EQ(dlg->Job().OpenDeviceIds().productId, 0x7351);
    EXPECT_EQ(dlg->Job().State().deviceWaitCountdown, 100u);
    EXPECT_TRUE(window.Boxes().empty());

    // A chip presenting 3C4D:7350 matches row 5 and is opened as exactly that.
    bus.SetEeprom(chip, 0x400A, {0x50, 0x73});
    ReplugAndWaitForTheWorker();
    EXPECT_EQ(dlg->Job().OpenDeviceIds().productId, 0x7350);
}

}  // namespace
}  // namespace zt

namespace zt {
namespace {

// A station fixture may pull the device before the tool has closed it for the
// re-plug: the removal is flagged against the open connection. Once the tool
// has closed that connection the removal must not survive to close the device
// that the re-plug brings back.
TEST_F(DeviceWait, RemovalFlaggedBeforeTheCloseDoesNotOutliveIt) {
    MakeDialog();
    DeviceAccess& device = dlg->Job().Device();
    // The dialog's registration, made by hand: its initialisation would also
    // start the worker, which acts on the notices by itself.
    const uintptr_t registration = platform.notices.Register(window);
    ASSERT_NE(registration, 0u);
    ASSERT_EQ(device.OpenKnownDevice(), kOk);
    bus.Unplug(chip);
    EXPECT_TRUE(device.RemovalPending());

    device.CloseDevice();
    bus.Plug(chip);
    EXPECT_TRUE(device.ArrivalPending());
    EXPECT_FALSE(device.RemovalPending());
    ASSERT_EQ(device.OpenDeviceById(device.NotifiedIds().vendorId, device.NotifiedIds().productId), kOk);
    EXPECT_FALSE(device.RemovalPending());
    platform.notices.Unregister(registration);
}

}  // namespace
}  // namespace zt
