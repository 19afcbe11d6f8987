#pragma once
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include "app/CZT51xxWriteEepromMPDlg.h"
#include "app/DialogTemplate.h"
#include "sim/SimBus.h"
#include "sim/SimClock.h"
#include "support/FakeWindow.h"

namespace zt::test {

// A dialog on a simulated bus with simulated time. The test thread plays the
// user-interface thread; device notices are handed to HandleDeviceChange at
// once on the thread that caused them (the job's notice flags are atomics).
struct SimDialogFixture : ::testing::Test {
    sim::SimClock clock;
    sim::SimBus bus{clock};
    FakeWindow window;
    Platform platform = bus.AsPlatform();
    std::unique_ptr<CZT51xxWriteEepromMPDlg> dlg;
    bool started = false;

    // The dialog object only (no worker, no registration), for command-level tests.
    CZT51xxWriteEepromMPDlg& MakeDialog() {
        dlg = std::make_unique<CZT51xxWriteEepromMPDlg>(window, platform);
        window.onNotice = [this](const DeviceNotice& notice) {
            if (dlg) dlg->HandleDeviceChange(notice);
        };
        return *dlg;
    }
    // The dialog as the front end starts it: initialised, worker running.
    CZT51xxWriteEepromMPDlg& StartDialog() {
        MakeDialog();
        dlg->OnInitDialog();
        started = true;
        return *dlg;
    }
    void CloseDialog() {
        if (dlg && started) dlg->DestroyWindow();
        started = false;
    }
    void TearDown() override {
        CloseDialog();
        window.onMessageBox = nullptr;
        dlg.reset();
        window.onNotice = nullptr;
    }

    // Presses Write EEPROM and waits (real time, bounded) until the worker is idle
    // again with the button enabled. Returns false if that did not happen.
    bool RunWriteJob(std::chrono::seconds limit = std::chrono::seconds(60)) {
        return RunWriteJob([this] { dlg->OnWriteEeprom(); }, limit);
    }
    // The same for a request as the station makes it (an image file, a
    // serial), handed to the dialog's job.
    bool RunWriteJob(const JobRequest& request, std::chrono::seconds limit = std::chrono::seconds(60)) {
        return RunWriteJob([this, &request] { dlg->Job().Start(request); }, limit);
    }
    template <typename Press>
    bool RunWriteJob(Press press, std::chrono::seconds limit) {
        const size_t callsBefore = window.Calls().size();
        press();
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < deadline) {
            const auto calls = window.Calls();
            bool reenabled = false;
            for (size_t i = callsBefore; i < calls.size(); ++i)
                if (calls[i] == "enable 1002 1") reenabled = true;
            if (reenabled && !dlg->Job().UnderWay()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return false;
    }

    // Output reports written to the bus since the log was last cleared.
    std::vector<std::vector<uint8_t>> OutputReports() const {
        std::vector<std::vector<uint8_t>> out;
        for (const auto& e : bus.Log())
            if (e.kind == sim::SimLogEntry::Kind::OutputReport) out.push_back(e.bytes);
        return out;
    }
};

}  // namespace zt::test
