// The native dialog in-process under Wine (and Xvfb in CI): template 102 as
// the operator sees it, and whole jobs driven with button clicks.
#include <gtest/gtest.h>
#include <windows.h>
// commctrl.h needs the types windows.h declares.
#include <commctrl.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "app/CZT51xxWriteEepromMPDlg.h"
#include "app/DialogTemplate.h"
#include "job/OperatorMessages.h"
#include "sim/SimBus.h"
#include "sim/SimClock.h"
#include "ui/win32/DialogTemplateBuilder.h"
#include "ui/win32/Win32DialogWindow.h"

namespace zt::win32 {
namespace {

std::function<void()> onTick;
void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (onTick) onTick();
}

std::string TextOf(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    std::string out;
    for (const wchar_t* c = text; *c; ++c) out.push_back(static_cast<char>(*c));
    return out;
}

struct DialogRun : ::testing::Test {
    sim::SimClock clock;
    sim::SimBus bus{clock};
    Win32DialogWindow window;
    std::vector<std::string> boxes;
    std::string lastResult;
    int progressAtEnd = -1;
    bool askedToClose = false;

    // Presses Write EEPROM once the dialog is up, answers every box (the close
    // question with No), and presses Exit once the job has ended.
    int RunJob(int chip, std::function<void(HWND)> checkInitialised = nullptr) {
        window.onInitialised = [&, checkInitialised] {
            if (checkInitialised) checkInitialised(window.Window());
            PostMessageW(GetDlgItem(window.Window(), kIdWriteEeprom), BM_CLICK, 0, 0);
        };
        window.onReplugRequested = [&, chip] { bus.Replug(chip); };
        window.onMessageBoxShown = [&](HWND box, const std::string& text) {
            boxes.push_back(text);
            if (text == Win32DialogWindow::CloseDuringJobQuestion()) {
                PostMessageW(box, WM_COMMAND, IDNO, 0);
                return;
            }
            if (text == kJobTexts.replugPrompt) {
                if (!askedToClose) {
                    // Mid-job: Escape must do nothing, Exit must ask.
                    askedToClose = true;
                    PostMessageW(window.Window(), WM_COMMAND, IDCANCEL, 0);
                    PostMessageW(window.Window(), WM_COMMAND, kIdExit, 0);
                }
            }
            PostMessageW(box, WM_COMMAND, IDOK, 0);
            if (window.LastOutcome()) {
                onTick = [&] {
                    if (window.JobRunning()) return;
                    lastResult = TextOf(GetDlgItem(window.Window(), kIdLastResult));
                    progressAtEnd =
                        static_cast<int>(SendDlgItemMessageW(window.Window(), kIdProgress, PBM_GETPOS, 0, 0));
                    onTick = nullptr;
                    PostMessageW(window.Window(), WM_COMMAND, kIdExit, 0);
                };
                SetTimer(nullptr, 0, 20, &Tick);
            }
        };
        CZT51xxWriteEepromMPDlg dialog(window, bus.AsPlatform());
        return window.RunModal(dialog);
    }
};

void CheckTemplate102(HWND dialog) {
    EXPECT_EQ(TextOf(dialog), std::string(kMainWindowTitle));
    EXPECT_EQ(TextOf(GetDlgItem(dialog, kIdVendorId)), "3C4D");
    EXPECT_EQ(TextOf(GetDlgItem(dialog, kIdProductId)), "7351");
    EXPECT_EQ(TextOf(GetDlgItem(dialog, kIdWriteEeprom)), "Write EEPROM");
    EXPECT_EQ(SendDlgItemMessageW(dialog, kIdProgress, PBM_GETRANGE, FALSE, 0), 100);
    EXPECT_EQ(IsDlgButtonChecked(dialog, kIdWriteProtect), BST_CHECKED);

    const std::set<int> hiddenAtInit = {kIdFileNameLabel, kIdFileNameEdit, kIdBrowse};
    for (const ControlTemplate& c : MainDialogTemplate().controls) {
        if (c.id == kIdStatic) continue;
        const HWND control = GetDlgItem(dialog, c.id);
        ASSERT_NE(control, nullptr) << c.id;
        const bool shown = (c.style & kStyleVisible) && !hiddenAtInit.count(c.id);
        EXPECT_EQ(IsWindowVisible(control) != FALSE, shown) << c.id;
        // Where the template puts it, in dialog units of the template's font:
        // the dialog manager converts origin and size each on its own.
        RECT expected{c.x, c.y, c.width, c.height};
        MapDialogRect(dialog, &expected);
        RECT actual;
        GetWindowRect(control, &actual);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
        EXPECT_EQ(actual.left, expected.left) << c.id;
        EXPECT_EQ(actual.top, expected.top) << c.id;
        EXPECT_EQ(actual.right - actual.left, expected.right) << c.id;
        EXPECT_EQ(actual.bottom - actual.top, expected.bottom) << c.id;
    }
    // Template 102 is 320 x 113 dialog units of client area.
    RECT size{0, 0, 320, 113};
    MapDialogRect(dialog, &size);
    RECT client;
    GetClientRect(dialog, &client);
    EXPECT_EQ(client.right, size.right);
    EXPECT_EQ(client.bottom, size.bottom);
}

TEST_F(DialogRun, SimulatedJobFromTheButtonAndNoCloseMidJob) {
    const int chip = bus.AddFactoryChip(sim::ChipVariant::A);
    EXPECT_EQ(RunJob(chip, CheckTemplate102), 1);

    const std::vector<std::string> expected = {std::string(kJobTexts.replugPrompt),
                                               Win32DialogWindow::CloseDuringJobQuestion(),
                                               std::string(kJobTexts.completion)};
    EXPECT_EQ(boxes, expected);
    EXPECT_EQ(progressAtEnd, 100);
    EXPECT_EQ(lastResult, "Last job: OK");
}

// The dialog's --log line is made from the report the window keeps of the
// last job: the whole report, chip and image included, not just its outcome.
TEST_F(DialogRun, TheLastJobsReportCarriesTheChipAndTheImage) {
    const int chip = bus.AddFactoryChip(sim::ChipVariant::A);
    EXPECT_EQ(RunJob(chip), 1);
    const auto report = window.LastReport();
    ASSERT_TRUE(report.has_value());
    EXPECT_EQ(report->outcome, JobOutcome::Ok());
    EXPECT_TRUE(report->chipId.has_value());
    EXPECT_EQ(report->imageName, "A");
    EXPECT_EQ(report->imageSha256.size(), 64u);
    ASSERT_TRUE(report->openedBefore.has_value());
    EXPECT_EQ(report->openedBefore->vendorId, 0x3C4D);
}

TEST_F(DialogRun, NoDeviceShowsTheCodeAndKeepsIt) {
    EXPECT_EQ(RunJob(0), 1);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], "Fail to Write EEPROM! [00030401]");
    EXPECT_EQ(lastResult, "Last job: FAIL [00030401]");
}

}  // namespace
}  // namespace zt::win32
