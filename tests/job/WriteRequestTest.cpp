#include <gtest/gtest.h>

#include "app/DialogTemplate.h"
#include "job/JobResult.h"
#include "job/WriteJobFixture.h"

namespace zt {
namespace {

using sim::ChipVariant;

struct WriteRequest : test::WriteJobFixture {};

// Every preflight failure: one message, the button back, the device closed,
// nothing written to the chip, the code kept in the record.
TEST_F(WriteRequest, PreflightFailuresEndTheRequestWithTheirCode) {
    struct Case {
        std::string name;
        std::function<int(sim::SimBus&)> attach;  // the chip added, or -1
        std::string message;
        const char* vendorText = "3C4D";
    };
    const auto chipA = [](sim::SimBus& bus) { return bus.AddFactoryChip(ChipVariant::A); };
    std::vector<Case> cases = {
        {"no known device", [](sim::SimBus&) { return -1; }, "Fail to Write EEPROM! [00030401]"},
        {"empty vendor box", chipA, "Fail to Write EEPROM! [00030401]", ""},
        {"unknown chip", [](sim::SimBus& bus) { return bus.AddFactoryChip(ChipVariant::Unknown); },
         "Fail to Write EEPROM! [00010201]"},
        {"chip status not 0",
         [&](sim::SimBus& bus) {
             const int chip = chipA(bus);
             bus.SetRegister(chip, 0xB1, 0x01);
             return chip;
         },
         "Fail to Write EEPROM! [00010201]"},
        {"audio path without the audio device",
         [&](sim::SimBus& bus) {
             const int chip = chipA(bus);
             bus.Faults(chip).inputReportLength = 15;
             bus.SetAudioPresent(false);
             return chip;
         },
         "Fail to Write EEPROM! [00050A0C]"},
    };
    const uint8_t registers[] = {0xA3, 0xB2, 0xD8, 0x9A, 0xEE, 0xCA, 0xF8, 0xB1, 0xB9, 0xB8};
    for (int n = 0; n < 10; ++n) {
        const uint8_t reg = registers[n];
        cases.push_back({"register read " + std::to_string(n),
                         [&, reg](sim::SimBus& bus) {
                             const int chip = chipA(bus);
                             bus.Faults(chip).dropReplyWhen = [reg](const sim::SimRequest& r) {
                                 return r.command() == 0x22 && r.report[4] == reg;
                             };
                             return chip;
                         },
                         FailureMessage(0x00050602 + n)});
    }

    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int chip = c.attach(bus);
        StartDialog();
        window.SetControlText(kIdVendorId, c.vendorText);
        bus.ClearLog();

        dlg->OnWriteEeprom();

        EXPECT_EQ(BoxTexts(), std::vector<std::string>{c.message});
        const JobState state = dlg->Job().State();
        EXPECT_EQ(FailureMessage(state.lastFailure.Code()), c.message);
        EXPECT_EQ(state.step, 0u);
        EXPECT_TRUE(window.IsEnabled(kIdWriteEeprom));
        EXPECT_FALSE(state.linkOpen);
        EXPECT_EQ(window.progress, std::vector<int>{0});
        EXPECT_EQ(CountRequests([](const test::Request& r) { return r.IsEepromWrite() || r.IsErase(); }), 0u);
        EndCase(chip);
        bus.SetAudioPresent(true);
    }
}

TEST_F(WriteRequest, OpenDeviceDecidesTheFirstStep) {
    const int chip = AddUpdaterChip(ChipVariant::B);
    MakeDialog();  // no worker: the hand-over stays visible
    window.SetControlText(kIdVendorId, "3C4D");
    window.SetControlText(kIdProductId, "7351");

    dlg->OnWriteEeprom();
    JobState state = dlg->Job().State();
    EXPECT_EQ(state.openIds.productId, 0x735F);
    EXPECT_EQ(std::make_tuple(state.step, state.restoreHeaderOnFailure), std::make_tuple(5u, false));
    EXPECT_EQ(state.chip.chipId, 0x73B0u);
    EXPECT_TRUE(std::equal(kImageB.begin(), kImageB.end(), dlg->Job().Commands().ImageBuffer().begin()));
    EXPECT_FALSE(window.IsEnabled(kIdWriteEeprom));

    // A request while that job runs is ignored.
    window.progress.clear();
    dlg->OnWriteEeprom();
    EXPECT_TRUE(window.progress.empty());

    // The same chip under its normal IDs, once that job is off the worker: a
    // worker started and stopped again leaves the job idle, with what the
    // first request set still in place.
    bus.SetEeprom(chip, 0, std::vector<uint8_t>(kImageB.begin(), kImageB.begin() + 8));
    bus.Replug(chip);
    dlg->Job().Launch();
    dlg->Job().Stop();
    ASSERT_FALSE(dlg->Job().UnderWay());
    dlg->OnWriteEeprom();
    state = dlg->Job().State();
    EXPECT_EQ(state.openIds.productId, 0x7351);
    EXPECT_EQ(std::make_tuple(state.step, state.restoreHeaderOnFailure), std::make_tuple(1u, true));
}

// Everything after the identity goes over HID. A link whose reports cannot
// carry the read-back's first 16 bytes or an 8-byte body chunk is refused
// before anything is erased, also when the identity came over the audio-driver
// path; the shortest link that carries the job still completes it.
TEST_F(WriteRequest, LinkTooShortForTheJobIsRefusedBeforeTheErase) {
    const struct {
        const char* name;
        uint16_t inputLength;
        uint16_t outputLength;
        std::string lastBox;
    } cases[] = {
        {"identity over the audio path", 15, 64, "Fail to Write EEPROM! [00010901]"},
        {"read-back reply does not fit", 24, 64, "Fail to Write EEPROM! [00010901]"},
        {"body chunk does not fit", 64, 15, "Fail to Write EEPROM! [00010902]"},
        {"shortest link that carries the job", 25, 16, test::kCompletion},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int chip = bus.AddFactoryChip(ChipVariant::A);
        bus.Faults(chip).inputReportLength = c.inputLength;
        bus.Faults(chip).outputReportLength = c.outputLength;
        bus.SetEeprom(chip, 0x100, {0x5A});  // a byte the image does not hold there
        StartDialog();
        ReplugOnPrompt(chip);
        bus.ClearLog();

        ASSERT_TRUE(RunWriteJob());

        EXPECT_EQ(BoxTexts().back(), c.lastBox);
        if (c.lastBox == test::kCompletion) {
            EXPECT_TRUE(EepromHoldsImage(kImageA, chip));
        } else {
            EXPECT_EQ(BoxTexts().size(), 1u);
            EXPECT_EQ(CountRequests([](const test::Request& r) { return r.IsEepromWrite() || r.IsErase(); }),
                      0u);
            EXPECT_EQ(bus.Eeprom(chip)[0x100], 0x5A);
        }
        if (c.inputLength < 16) {
            const auto log = bus.Log();
            EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const sim::SimLogEntry& e) {
                return e.kind == sim::SimLogEntry::Kind::VendorRequest;
            })) << "the identity is read over the audio-driver path";
        }
        EndCase(chip);
    }
}

}  // namespace
}  // namespace zt
