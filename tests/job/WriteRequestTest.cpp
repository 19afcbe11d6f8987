#include <gtest/gtest.h>

#include "app/DialogTemplate.h"
#include "job/WriteJobFixture.h"
#include "job/HexId.h"

namespace zt {
namespace {

using sim::ChipVariant;

struct WriteRequest : test::WriteJobFixture {
    // A dialog without its worker: the request's hand-over stays visible.
    CZT51xxWriteEepromMPDlg& MakeIdleDialog(const char* vendorText = "3C4D", const char* productText = "7351") {
        MakeDialog();
        window.SetControlText(kIdVendorId, vendorText);
        window.SetControlText(kIdProductId, productText);
        dlg->expectedFirmwareId = 0x4C21;
        return *dlg;
    }
};

struct PreflightCase {
    std::string name;
    std::function<int(test::WriteJobFixture&)> attach;  // before the dialog starts; the chip added or -1
    std::string message;
    const char* vendorText = "3C4D";
};

TEST_F(WriteRequest, PreflightFailuresEndTheRequestWithTheirCode) {
    const auto chipA = [](test::WriteJobFixture& f) { return f.bus.AddFactoryChip(ChipVariant::A); };
    std::vector<PreflightCase> cases = {
        {"no known device", [](test::WriteJobFixture&) { return -1; }, "Fail to Write EEPROM! [00030401]"},
        {"empty vendor box", chipA, "Fail to Write EEPROM! [00030401]", ""},
        {"unknown chip", [](test::WriteJobFixture& f) { return f.bus.AddFactoryChip(ChipVariant::Unknown); },
         "Fail to Write EEPROM! [00010201]"},
        {"chip status not 0",
         [](test::WriteJobFixture& f) {
             const int chip = f.bus.AddFactoryChip(ChipVariant::A);
             f.bus.SetRegister(chip, 0xB1, 0x01);
             return chip;
         },
         "Fail to Write EEPROM! [00010201]"},
        {"audio path without the audio device",
         [](test::WriteJobFixture& f) {
             const int chip = f.bus.AddFactoryChip(ChipVariant::A);
             f.bus.Faults(chip).inputReportLength = 15;
             f.bus.SetAudioPresent(false);
             return chip;
         },
         "Fail to Write EEPROM! [00050A0C]"},
    };
    const uint8_t registers[] = {0xA3, 0xB2, 0xD8, 0x9A, 0xEE, 0xCA, 0xF8, 0xB1, 0xB9, 0xB8};
    for (int n = 0; n < 10; ++n) {
        char message[64];
        std::snprintf(message, sizeof message, "Fail to Write EEPROM! [000506%02X]", 2 + n);
        const uint8_t reg = registers[n];
        cases.push_back({"register read " + std::to_string(n),
                         [reg](test::WriteJobFixture& f) {
                             const int chip = f.bus.AddFactoryChip(ChipVariant::A);
                             f.bus.Faults(chip).dropReplyWhen = [reg](const sim::SimRequest& r) {
                                 return r.command() == 0x22 && r.report[4] == reg;
                             };
                             return chip;
                         },
                         message});
    }

    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int chip = c.attach(*this);
        StartDialog();
        window.SetControlText(kIdVendorId, c.vendorText);
        bus.ClearLog();

        dlg->OnWriteEeprom();

        EXPECT_EQ(BoxTexts(), std::vector<std::string>{c.message});
        EXPECT_EQ(dlg->workerStep.load(), 0u);
        EXPECT_TRUE(window.IsEnabled(kIdWriteEeprom));
        EXPECT_EQ(dlg->hidLink.isOpen.load(), 0u);
        EXPECT_EQ(window.progress, std::vector<int>{0});
        EXPECT_EQ(FailureMessage(dlg->jobResult.Code()), c.message) << "the record keeps the shown code";
        EXPECT_EQ(CountRequests([](const test::Request& r) { return r.IsEepromWrite() || r.IsErase(); }), 0u);

        CloseDialog();
        dlg.reset();
        window.boxes.clear();
        window.progress.clear();
        if (chip >= 0) bus.Unplug(chip);
        bus.SetAudioPresent(true);
    }
}

TEST_F(WriteRequest, UpdaterDeviceStartsAtStepFiveWithoutHeaderRestore) {
    const int updater = AddUpdaterChip(ChipVariant::B);
    ASSERT_EQ(bus.ProductId(updater), 0x735F);
    MakeIdleDialog().OnWriteEeprom();

    EXPECT_EQ(dlg->workerStep.load(), 5u);
    EXPECT_EQ(dlg->restoreHeaderOnFailure, 0u);
    EXPECT_FALSE(window.IsEnabled(kIdWriteEeprom));
    EXPECT_EQ(dlg->hidLink.isOpen.load(), 1u);
    EXPECT_EQ(dlg->rewriteBudget, 2);
    EXPECT_EQ(dlg->chipId, 0x73B0u);
    EXPECT_TRUE(std::equal(kImageB.begin(), kImageB.end(), dlg->imageBuffer.begin()));
    EXPECT_TRUE(std::all_of(dlg->imageBuffer.begin() + kImageSize, dlg->imageBuffer.end(),
                            [](uint8_t b) { return b == 0; }));
    EXPECT_TRUE(std::all_of(dlg->rewriteMap.begin(), dlg->rewriteMap.end(), [](uint8_t m) { return m == 1; }));

    // The same chip presenting its normal IDs starts at step 1.
    bus.SetEeprom(updater, 0, std::vector<uint8_t>(kImageB.begin(), kImageB.begin() + 8));
    bus.Replug(updater);
    ASSERT_EQ(bus.ProductId(updater), 0x7351);
    dlg->workerStep.store(0);
    dlg->OnWriteEeprom();
    EXPECT_EQ(dlg->workerStep.load(), 1u);
    EXPECT_EQ(dlg->restoreHeaderOnFailure, 1u);
    EXPECT_EQ(dlg->deviceProductId.load(), 0x7351);
}

TEST_F(WriteRequest, TypedIdsBecomeRowZero) {
    const struct {
        const char* vendor;
        const char* product;
        uint16_t vid, pid;
    } cases[] = {
        {"0x3c4d", "7351", 0x3C4D, 0x7351},
        {"   3C4D", "735e", 0x3C4D, 0x735E},
        {"3C4Dzz", "0X7350", 0x3C4D, 0x7350},
        {"123456", "", 0x3456, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.vendor);
        MakeIdleDialog(c.vendor, c.product).OnWriteEeprom();  // no device: the request fails after row 0 is set
        EXPECT_EQ(dlg->knownDevices[0].vendorId, c.vid);
        EXPECT_EQ(dlg->knownDevices[0].productId, c.pid);
        EXPECT_EQ(dlg->knownDevices[1].productId, 0x7351);  // the fixed rows stay
    }
}

TEST_F(WriteRequest, FirmwareIdOtherThanExpectedIsOnlyMarked) {
    bus.AddFactoryChip(ChipVariant::A);
    MakeIdleDialog().OnWriteEeprom();
    ASSERT_EQ(dlg->workerStep.load(), 1u);
    ASSERT_EQ(dlg->hasFirmwareTag, 1u);
    EXPECT_EQ(window.GetControlText(kIdImageFirmwareId), FormatHexId(dlg->imageFirmwareId));
    EXPECT_EQ(window.GetControlText(kIdMarker), dlg->imageFirmwareId == 0x4C21 ? " " : ".");

    dlg->workerStep.store(0);
    dlg->expectedFirmwareId = static_cast<uint16_t>(dlg->imageFirmwareId + 1);
    dlg->OnWriteEeprom();
    EXPECT_EQ(window.GetControlText(kIdMarker), ".");
    EXPECT_EQ(dlg->workerStep.load(), 1u) << "the job goes on";
}

TEST_F(WriteRequest, NextRequestClearsThePreviousFailure) {
    StartDialog();
    dlg->OnWriteEeprom();  // nothing attached
    EXPECT_EQ(dlg->jobResult.Code(), 0x00030401u);

    AddUpdaterChip(ChipVariant::A);
    ASSERT_TRUE(WaitUntil([&] { return dlg->hidLink.isOpen.load() == 1; }));  // the arrival was taken up
    ASSERT_TRUE(RunWriteJob());
    EXPECT_EQ(dlg->jobResult.Get(), JobResult{});
}

TEST_F(WriteRequest, RequestWhileAJobRunsIsIgnored) {
    bus.AddFactoryChip(ChipVariant::A);
    MakeIdleDialog();
    dlg->workerStep.store(8);
    dlg->imageBuffer[100] = 0x5A;
    dlg->jobResult.Record(2, 15, 7, 2);

    dlg->OnWriteEeprom();

    EXPECT_TRUE(window.progress.empty());
    EXPECT_EQ(dlg->imageBuffer[100], 0x5A);
    EXPECT_EQ(dlg->jobResult.Code(), 0x020F0702u);
    EXPECT_EQ(dlg->workerStep.load(), 8u);
}

}  // namespace
}  // namespace zt
