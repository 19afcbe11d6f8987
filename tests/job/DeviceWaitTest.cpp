#include <gtest/gtest.h>

#include "app/DialogTemplate.h"
#include "job/WriteJobFixture.h"

namespace zt {
namespace {

using sim::ChipVariant;

// The worker's device-event block and the wait for the re-plugged device,
// timed on the simulated clock.
struct DeviceWait : test::WriteJobFixture {
    int chip = -1;
    uint64_t promptDismissedUs = 0;
    uint64_t failureShownUs = 0;

    // The operator does `atPrompt` and then dismisses the re-plug prompt.
    void OnPrompt(std::function<void()> atPrompt) {
        window.onMessageBox = [this, atPrompt](const test::FakeWindow::MessageBox& box) {
            if (box.text == test::kReplugPrompt) {
                atPrompt();
                promptDismissedUs = clock.NowUs();
            } else if (box.text.rfind("Fail to Write EEPROM!", 0) == 0) {
                failureShownUs = clock.NowUs();
            }
        };
    }
    double SecondsWaited() const { return (failureShownUs - promptDismissedUs) / 1e6; }
};

TEST_F(DeviceWait, ReplugDuringThePromptGoesOnWithoutWaiting) {
    chip = bus.AddFactoryChip(ChipVariant::A);
    StartDialog();
    OnPrompt([this] { bus.Replug(chip); });

    ASSERT_TRUE(RunWriteJob());
    EXPECT_TRUE(FailureTexts().empty());

    // The first request after the prompt is step 5's register write, sent
    // before a single 10 ms pass of step 4 could go by.
    const auto requests = Requests();
    const auto next = std::find_if(requests.begin(), requests.end(),
                                   [&](const test::Request& r) { return r.timeUs >= promptDismissedUs; });
    ASSERT_NE(next, requests.end());
    EXPECT_TRUE(next->IsRegisterWrite());
    EXPECT_LT(next->timeUs - promptDismissedUs, 10'000u);
    EXPECT_EQ(dlg->deviceVendorId.load(), 0xFFFF);  // closed again after completion
}

TEST_F(DeviceWait, DeviceThatNeverComesBackFailsAfterTheCountdownOf1000) {
    chip = bus.AddFactoryChip(ChipVariant::A);
    StartDialog();
    OnPrompt([this] { bus.Unplug(chip); });

    ASSERT_TRUE(RunWriteJob());

    EXPECT_EQ(FailureTexts(), std::vector<std::string>{"Fail to Write EEPROM! [010A0D02]"});
    EXPECT_NEAR(SecondsWaited(), 10.0, 0.05);
    EXPECT_EQ(dlg->deviceWaitExpired.load(), 0u);
}

TEST_F(DeviceWait, AfterAnEarlierArrivalOnlyWhatIsLeftOf100PassesIsWaited) {
    chip = bus.AddFactoryChip(ChipVariant::A);
    StartDialog();
    // The operator re-plugs before the job: countdown 100.
    bus.Unplug(chip);
    ASSERT_TRUE(WaitUntil([&] { return dlg->hidLink.isOpen.load() == 0; }));
    bus.Plug(chip);
    ASSERT_TRUE(WaitUntil([&] { return dlg->hidLink.isOpen.load() == 1 && dlg->deviceArrivalPending.load() == 0; }));
    EXPECT_EQ(dlg->deviceWaitCountdown.load(), 100u);
    OnPrompt([this] { bus.Unplug(chip); });

    ASSERT_TRUE(RunWriteJob());

    EXPECT_EQ(FailureTexts(), std::vector<std::string>{"Fail to Write EEPROM! [010A0D02]"});
    EXPECT_NEAR(SecondsWaited(), 1.0, 0.05);
}

TEST_F(DeviceWait, ArrivedDeviceThatCannotBeOpenedUsesOnePassPerFailedOpen) {
    chip = bus.AddFactoryChip(ChipVariant::A);
    StartDialog();
    OnPrompt([this] {
        bus.Faults(chip).refuseOpen = true;
        bus.Replug(chip);
    });

    ASSERT_TRUE(RunWriteJob());

    EXPECT_EQ(FailureTexts(), std::vector<std::string>{"Fail to Write EEPROM! [010A0D02]"});
    EXPECT_NEAR(SecondsWaited(), 1.0, 0.05);
    EXPECT_EQ(dlg->deviceArrivalPending.load(), 0u);
}

TEST_F(DeviceWait, CompletedJobSetsTheCountdownBackTo1000) {
    chip = bus.AddFactoryChip(ChipVariant::A);
    StartDialog();
    OnPrompt([this] { bus.Replug(chip); });
    ASSERT_TRUE(RunWriteJob());
    EXPECT_EQ(dlg->deviceWaitCountdown.load(), 1000u);
}

TEST_F(DeviceWait, IdleWorkerClosesARemovedDeviceAndOpensTheNextArrival) {
    chip = bus.AddFactoryChip(ChipVariant::A);
    StartDialog();
    ASSERT_EQ(dlg->hidLink.isOpen.load(), 1u);

    bus.Unplug(chip);
    ASSERT_TRUE(WaitUntil([&] { return dlg->hidLink.isOpen.load() == 0; }));
    EXPECT_EQ(dlg->deviceRemovalPending.load(), 0u);
    EXPECT_EQ(dlg->deviceVendorId.load(), 0xFFFF);

    bus.Plug(chip);
    ASSERT_TRUE(WaitUntil([&] { return dlg->hidLink.isOpen.load() == 1; }));
    EXPECT_EQ(dlg->deviceProductId.load(), 0x7351);
    EXPECT_EQ(dlg->workerStep.load(), 0u);
    EXPECT_TRUE(window.Boxes().empty());
}

TEST_F(DeviceWait, ArrivalOfRowFiveOpensExactlyThatPair) {
    chip = bus.AddFactoryChip(ChipVariant::A);
    bus.SetEeprom(chip, 0x400A, {0x50, 0x73});  // the chip now presents 3C4D:7350
    bus.Unplug(chip);
    StartDialog();
    ASSERT_EQ(dlg->hidLink.isOpen.load(), 0u);

    bus.Plug(chip);
    ASSERT_TRUE(WaitUntil([&] { return dlg->hidLink.isOpen.load() == 1; }));
    EXPECT_EQ(dlg->notifiedPid.load(), 0x7350);
    EXPECT_EQ(dlg->deviceVendorId.load(), 0x3C4D);
    EXPECT_EQ(dlg->deviceProductId.load(), 0x7350);
}

TEST_F(DeviceWait, IdleWorkerSleepsUntilThereIsWork) {
    StartDialog();
    const uint64_t before = clock.NowUs();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    // An idle worker neither sleeps on the device clock nor runs passes.
    EXPECT_EQ(clock.NowUs(), before);
    EXPECT_EQ(dlg->deviceWaitCountdown.load(), 1000u);
}

}  // namespace
}  // namespace zt
