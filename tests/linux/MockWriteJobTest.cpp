// The whole tool on the Linux backend: the dialog talks to an emulated
// hidraw node (umockdev) whose reports are answered by the simulated chip,
// learns of the re-plug from real uevents through the libudev monitor, and
// finds the chip in the sysfs USB tree. Pauses run on the simulated clock;
// the wire, the notices and the sysfs are the real code paths.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "TestbedChip.h"
#include "UsbTestbed.h"
#include "app/CZT51xxWriteEepromMPDlg.h"
#include "app/DialogTemplate.h"
#include "platform/linux/LinuxPlatform.h"
#include "sim/SimBus.h"
#include "sim/SimClock.h"
#include "support/FakeWindow.h"

namespace zt::test {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;

struct MockWriteJobTest : ::testing::Test {
    UsbTestbed bed;
    sim::SimClock clock;
    sim::SimBus bus{clock};
    platform_linux::LinuxPlatform host;
    Platform hostView = host.AsPlatform();
    Platform platform{clock, hostView.hid, hostView.audio, hostView.notices, hostView.usb};
    FakeWindow window;
    std::unique_ptr<CZT51xxWriteEepromMPDlg> dlg;
    TestbedChip device{bed, bus, bus.AddFactoryChip(sim::ChipVariant::A)};
    const int chip = device.chip();
    std::atomic<int> arrivals{0};

    void SetUp() override {
        ASSERT_TRUE(bed.Mocked()) << "run this binary under umockdev-wrapper";
        device.Plug();
    }
    void TearDown() override {
        if (dlg) dlg->DestroyWindow();  // unregisters: the monitor thread is joined
        window.onMessageBox = nullptr;
        window.onNotice = nullptr;
        dlg.reset();
    }

    // What the operator does at the prompt: pull the cable, plug it back, and
    // wait until the tool has seen the device arrive before pressing OK.
    void ReplugAtThePrompt(const FakeWindow::MessageBox& box) {
        if (box.text.rfind("Please re-plugin", 0) != 0) return;
        const int before = arrivals.load();
        device.Replug();
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (arrivals.load() == before && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(1ms);
    }

    void StartDialog() {
        dlg = std::make_unique<CZT51xxWriteEepromMPDlg>(window, platform);
        window.onNotice = [this](const DeviceNotice& notice) {
            if (notice.kind == DeviceNotice::Kind::Arrival) ++arrivals;
            dlg->HandleDeviceChange(notice);
        };
        dlg->OnInitDialog();
    }

    size_t OutputReportsSoFar() const {
        size_t n = 0;
        for (const auto& e : bus.Log())
            if (e.kind == sim::SimLogEntry::Kind::OutputReport) ++n;
        return n;
    }

    // Presses Write EEPROM and waits (real time, bounded) for the end of the job.
    bool RunWriteJob() {
        const size_t callsBefore = window.Calls().size();
        dlg->OnWriteEeprom();
        const auto deadline = std::chrono::steady_clock::now() + 120s;
        bool unplugged = false;
        while (std::chrono::steady_clock::now() < deadline) {
            if (device.Pulled() && !unplugged) {
                device.Unplug();  // the kernel's side of the pulled cable
                unplugged = true;
            }
            const auto calls = window.Calls();
            for (size_t i = callsBefore; i < calls.size(); ++i)
                if (calls[i] == "enable 1002 1" && !dlg->Job().UnderWay()) return true;
            std::this_thread::sleep_for(2ms);
        }
        return false;
    }
};

TEST_F(MockWriteJobTest, WholeJobWithReplugAsUpdaterDeviceWritesTheImage) {
    window.onMessageBox = [this](const FakeWindow::MessageBox& box) { ReplugAtThePrompt(box); };
    StartDialog();
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(RunWriteJob());
    const auto took =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    RecordProperty("job_ms", std::to_string(took.count()));
    RecordProperty("output_reports", std::to_string(OutputReportsSoFar()));

    const auto boxes = window.Boxes();
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back().text, "Write to EEPROM OK! Please re-plugin USB device !!");
    EXPECT_EQ(arrivals.load(), 1) << "the updater device arrived through the monitor";
    const Bytes eeprom = bus.Eeprom(chip);
    for (uint32_t a = 0; a < kImageSize; ++a)
        ASSERT_EQ(eeprom[a], dlg->Job().Commands().ImageBuffer()[a]) << "EEPROM address " << a;
}

TEST_F(MockWriteJobTest, UnplugDuringTheBodyWriteEndsWithItsCode) {
    window.onMessageBox = [this](const FakeWindow::MessageBox& box) {
        if (box.text.rfind("Please re-plugin", 0) != 0) return;
        ReplugAtThePrompt(box);
        // A few hundred reports into the body write, which takes thousands.
        bus.Faults(chip).unplugAtRequest = OutputReportsSoFar() + 300;
    };
    StartDialog();
    ASSERT_TRUE(RunWriteJob());
    EXPECT_TRUE(device.Pulled());
    const auto boxes = window.Boxes();
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back().text, "Fail to Write EEPROM! [020F0702]");
}

TEST_F(MockWriteJobTest, VersionQueryFindsTheChipInTheUsbTree) {
    StartDialog();
    char id[8];
    std::snprintf(id, sizeof id, "%04X", bus.VendorId(chip));
    window.SetControlText(kIdVendorId, id);
    std::snprintf(id, sizeof id, "%04X", bus.ProductId(chip));
    window.SetControlText(kIdProductId, id);
    dlg->OnGetFirmwareVersion();
    EXPECT_EQ(window.GetControlText(kIdVersionStatus), "SUCCESS");
    const auto versionRecord = dlg->Job().Device().VersionRecord();
    EXPECT_EQ(versionRecord[3], bus.BcdDevice(chip) >> 8);
    EXPECT_EQ(versionRecord[4], bus.BcdDevice(chip) & 0xFF);
}

}  // namespace
}  // namespace zt::test
