#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/CZT51xxWriteEepromMPApp.h"
#include "app/CZT51xxWriteEepromMPDlg.h"
#include "app/DialogTemplate.h"
#include "job/JobResult.h"
#include "support/FakeWindow.h"
#include "support/NullPlatform.h"

namespace zt {
namespace {

// A machine with no devices that remembers which audio devices were asked for.
struct AudioNamesAsked : test::NullPlatform {
    using NullPlatform::Open;
    std::vector<std::string> audioNames;
    Handle Open(const std::string& serviceName) override {
        audioNames.push_back(serviceName);
        return NullPlatform::Open(serviceName);
    }
};

struct DialogLifecycle : ::testing::Test {
    AudioNamesAsked machine;
    test::FakeWindow window;
    Platform platform = machine.AsPlatform();
};

TEST_F(DialogLifecycle, InitialisationFillsTheDefaults) {
    CZT51xxWriteEepromMPDlg dlg(window, platform);
    ASSERT_TRUE(dlg.OnInitDialog());

    EXPECT_EQ(window.title, "ZT5160 Write EEPROM (MP) v2.3 16K16B");
    EXPECT_EQ(window.GetControlText(kIdVendorId), "3C4D");
    EXPECT_EQ(window.GetControlText(kIdProductId), "7351");
    EXPECT_EQ(window.GetControlText(kIdVersionBox), "0.1.0.1");
    EXPECT_EQ(window.GetControlText(kIdExpectedFirmwareId), "4C21");
    EXPECT_EQ(dlg.Job().ExpectedFirmwareId(), 0x4C21);
    uint8_t value = 0;
    EXPECT_EQ(dlg.Job().Device().AudioReadRegister(0xB9, &value),
              kFail);  // the audio path asks for its device
    EXPECT_EQ(machine.audioNames, std::vector<std::string>{"MarluUAC"});
    EXPECT_EQ(window.rangeMin, 0);
    EXPECT_EQ(window.rangeMax, 100);
    EXPECT_TRUE(window.progress.empty());
    EXPECT_TRUE(window.checked[kIdWriteProtect]);
    for (int id : {kIdFileNameLabel, kIdFileNameEdit, kIdBrowse}) EXPECT_FALSE(window.shown.at(id)) << id;
    const JobState state = dlg.Job().State();
    EXPECT_EQ(state.commandTag, 240);
    EXPECT_EQ(state.deviceWaitCountdown, 1000u);
    EXPECT_TRUE(state.workerRunning);
    EXPECT_EQ(state.step, 0u);
    EXPECT_EQ(window.timers.at(kIdleTimerId), 200u);
    EXPECT_EQ(state.openIds.vendorId, 0xFFFF);  // no device present

    dlg.DestroyWindow();
}

TEST_F(DialogLifecycle, CloseStopsTheWorkerThenClosesTheDevice) {
    CZT51xxWriteEepromMPDlg dlg(window, platform);
    dlg.OnInitDialog();
    dlg.DestroyWindow();

    const JobState state = dlg.Job().State();
    EXPECT_FALSE(state.workerRunning);
    EXPECT_TRUE(state.workerFinished);
    EXPECT_FALSE(dlg.ReceivesDeviceNotices());
    EXPECT_TRUE(window.timers.empty());
    const auto calls = window.Calls();
    EXPECT_EQ(calls.back(), "timer stop");
}

// Sees the unregistration in the window's call log, and what the worker was
// doing at that moment.
struct RecordingNotices : test::NullPlatform {
    test::FakeWindow* window = nullptr;
    CZT51xxWriteEepromMPDlg* dlg = nullptr;
    bool workerRunningAtUnregister = false;
    void Unregister(uintptr_t registration) override {
        NullPlatform::Unregister(registration);
        window->calls.push_back("unregister");
        const JobState state = dlg->Job().State();
        workerRunningAtUnregister = state.workerRunning && !state.workerFinished;
    }
};

TEST(DialogClose, KillsTheTimerThenUnregistersThenStopsTheWorker) {
    RecordingNotices machine;
    test::FakeWindow window;
    machine.window = &window;
    CZT51xxWriteEepromMPDlg dlg(window, machine.AsPlatform());
    machine.dlg = &dlg;
    dlg.OnInitDialog();
    dlg.Job().Device().NoteArrival();  // a notice still pending is dropped by the close
    dlg.DestroyWindow();

    const auto calls = window.Calls();
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[calls.size() - 2], "timer stop");
    EXPECT_EQ(calls.back(), "unregister");
    EXPECT_TRUE(machine.workerRunningAtUnregister);
    EXPECT_EQ(machine.unregistrations, 1);
    const JobState state = dlg.Job().State();
    EXPECT_FALSE(state.arrivalPending);
    EXPECT_TRUE(state.workerFinished);
    EXPECT_EQ(state.jobStage, 0);
    EXPECT_FALSE(state.linkOpen);
    EXPECT_EQ(state.openIds.vendorId, 0xFFFF);
}

TEST_F(DialogLifecycle, ExitAndEscapeEndTheDialog) {
    CZT51xxWriteEepromMPDlg dlg(window, platform);
    dlg.OnOK();
    EXPECT_EQ(window.endResult, 1);
    dlg.OnCancel();
    EXPECT_EQ(window.endResult, 2);
}

TEST_F(DialogLifecycle, FailureReportShowsTheCodeOfTheLowBytes) {
    EXPECT_EQ(FailureMessage(JobResult{2, 15, 7, 2}.Code()), "Fail to Write EEPROM! [020F0702]");
    EXPECT_EQ(FailureMessage(JobResult{0x102, 0x10F, 0x114, 0x302}.Code()),
              "Fail to Write EEPROM! [020F1402]");

    // A job that fails shows its record's code in a box of the application's
    // own caption and no icon, and keeps the record.
    CZT51xxWriteEepromMPDlg dlg(window, platform);
    dlg.OnWriteEeprom();  // no device present
    const auto boxes = window.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, FailureMessage(dlg.Job().LastFailure().Code()));
    EXPECT_EQ(boxes[0].text, "Fail to Write EEPROM! [00030401]");
    EXPECT_EQ(boxes[0].caption, "");
    EXPECT_EQ(boxes[0].icon, MessageBoxIcon::None);
}

struct FakeLock : InstanceLock {
    bool running = false;
    std::string askedTitle;
    bool ActivateExisting(const std::string& title) override {
        askedTitle = title;
        return running;
    }
};

TEST(ApplicationStart, SecondInstanceRaisesTheFirstAndRunsNoDialog) {
    FakeLock lock;
    int dialogsRun = 0;
    CZT51xxWriteEepromMPApp app(lock, [&] { return ++dialogsRun; });

    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(dialogsRun, 1);
    EXPECT_EQ(lock.askedTitle, "ZT5160 Write EEPROM (MP) v2.3 16K16B");

    lock.running = true;
    EXPECT_FALSE(app.InitInstance());
    EXPECT_TRUE(app.ActivatedOtherInstance());
    EXPECT_EQ(dialogsRun, 1);
}

TEST(DialogTemplate, HoldsTheControlsOfTemplate102InOrder) {
    const auto& t = MainDialogTemplate();
    EXPECT_EQ(t.width, 320);
    EXPECT_EQ(t.height, 113);
    ASSERT_EQ(t.controls.size(), 22u);
    EXPECT_EQ(t.controls.front().id, kIdExit);
    EXPECT_TRUE(t.controls.front().style & kStyleDefaultButton);
    const auto write = std::find_if(t.controls.begin(), t.controls.end(),
                                    [](const ControlTemplate& c) { return c.id == kIdWriteEeprom; });
    ASSERT_NE(write, t.controls.end());
    EXPECT_EQ(write->caption, "Write EEPROM");
    EXPECT_EQ(std::tie(write->x, write->y, write->width, write->height), std::make_tuple(244, 34, 69, 14));
    for (int hidden :
         {kIdErase, kIdGetFwVersion, kIdVersionBox, kIdVersionStatus, kIdEvbIds, kIdWriteProtect}) {
        const auto c = std::find_if(t.controls.begin(), t.controls.end(),
                                    [&](const ControlTemplate& x) { return x.id == hidden; });
        ASSERT_NE(c, t.controls.end());
        EXPECT_FALSE(c->style & kStyleVisible) << hidden;
    }
}

}  // namespace
}  // namespace zt
