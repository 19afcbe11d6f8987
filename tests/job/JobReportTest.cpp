#include <gtest/gtest.h>

#include "job/JobRequest.h"
#include "job/Sha256.h"
#include "job/WriteJobFixture.h"

namespace zt {
namespace {

using sim::ChipVariant;

// A job started from a request, and the report it hands to its front end.
struct JobReportTest : test::WriteJobFixture {
    // Starts the request's job as a station would and waits for its end.
    bool RunRequest(const JobRequest& request) {
        const size_t callsBefore = window.Calls().size();
        dlg->Job().Start(request);
        return WaitUntil([&] {
            const auto calls = window.Calls();
            for (size_t i = callsBefore; i < calls.size(); ++i)
                if (calls[i] == "enable 1002 1") return !dlg->Job().UnderWay();
            return false;
        });
    }
};

TEST_F(JobReportTest, CompletedJobReportsTheUnitTheImageAndBothOpens) {
    const int chip = bus.AddFactoryChip(ChipVariant::B);
    StartDialog();
    dlg->Job().Device().SetTypedIds({0x0000, 0x0000});  // typed IDs that select no unit
    ReplugOnPrompt(chip);

    JobRequest request;
    request.vendorId = 0x3C4D;
    request.productId = 0x7351;
    ASSERT_TRUE(RunRequest(request));

    // The request's IDs are where the typed IDs go, as if the operator had
    // typed them: row 0 of the known devices.
    const KnownDevice typed = dlg->Job().Device().KnownDevices()[0];
    EXPECT_EQ(typed.vendorId, 0x3C4D);
    EXPECT_EQ(typed.productId, 0x7351);
    EXPECT_TRUE(EepromHoldsImage(kImageB, chip));

    const auto reports = window.Reports();
    ASSERT_EQ(reports.size(), 1u);
    const JobReport& report = reports[0];
    EXPECT_EQ(report.outcome, JobOutcome::Ok());
    EXPECT_EQ(report.openedBefore, (DeviceIds{0x3C4D, 0x7351}));
    // Erased, the chip comes back as the updater device.
    EXPECT_EQ(report.openedAfter, (DeviceIds{0x3C4D, 0x735F}));
    ASSERT_TRUE(report.chipId.has_value());
    EXPECT_EQ(SelectImage(*report.chipId), &kImageB);
    EXPECT_EQ(report.imageName, "B");
    EXPECT_EQ(report.imageSha256, Sha256Hex(kImageB));
    EXPECT_EQ(report.rewritePasses, 0);
    EXPECT_TRUE(report.codesShown.empty());
    EXPECT_FALSE(report.restoreCode.has_value());
    EXPECT_LE(report.start, report.end);
}

TEST_F(JobReportTest, ImageFileIsWrittenAndNamedAndARequestWithoutOneTakesTheEmbeddedImage) {
    const int chip = bus.AddFactoryChip(ChipVariant::A);
    StartDialog();
    ReplugOnPrompt(chip);

    // The same chip's image with one body byte changed, so that the EEPROM
    // shows which image went in.
    JobRequest withFile;
    withFile.image = ImageFile{kImageA, "station-a.bin"};
    const uint16_t changed = DistinctBodyBytes(1).front();
    withFile.image->bytes[changed] ^= 0x01;
    ASSERT_TRUE(RunRequest(withFile));
    EXPECT_TRUE(EepromHoldsImage(withFile.image->bytes, chip));

    ASSERT_TRUE(RunRequest(JobRequest{}));
    EXPECT_TRUE(EepromHoldsImage(kImageA, chip));

    const auto reports = window.Reports();
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].imageName, "station-a.bin");
    EXPECT_EQ(reports[0].imageSha256, Sha256Hex(withFile.image->bytes));
    EXPECT_EQ(reports[1].imageName, "A");
    EXPECT_EQ(reports[1].outcome, JobOutcome::Ok());
}

TEST_F(JobReportTest, PreflightFailureReportsTheCodeShownAndNoImage) {
    StartDialog();  // no chip on the bus
    ASSERT_TRUE(RunRequest(JobRequest{}));
    const auto reports = window.Reports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].outcome.kind, ResultKind::Failed);
    EXPECT_EQ(reports[0].codesShown, std::vector<uint32_t>{0x00030401});
    EXPECT_EQ(BoxTexts().back(), "Fail to Write EEPROM! [00030401]");
    EXPECT_FALSE(reports[0].chipId.has_value());
    EXPECT_FALSE(reports[0].openedBefore.has_value());
    EXPECT_TRUE(reports[0].imageName.empty());
}

}  // namespace
}  // namespace zt
