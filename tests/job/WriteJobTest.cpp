#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <optional>
#include <string>

#include "app/DialogTemplate.h"
#include "job/JobResult.h"
#include "job/Sha256.h"
#include "job/WriteJobFixture.h"

namespace zt {
namespace {

using sim::ChipVariant;
using test::Request;

struct WriteJob : test::WriteJobFixture {};

// One whole job on a factory chip of variant A, as every build must put it on the wire.
constexpr size_t kWireRequests = 4134;
constexpr const char* kWireDigest = "77c4c85e442cfd803085778c9ea156652e221720cbf55f4efe1ef237df4fb022";

bool IsMarkerWrite(const sim::SimRequest& r, uint8_t stage) {
    return r.command() == 0x11 && r.report[5] == 0x40 && r.report[6] == 0x1C && r.report[8] == stage;
}

TEST_F(WriteJob, NormalDeviceIsPreparedReplugedAndWritten) {
    for (ChipVariant variant : {ChipVariant::A, ChipVariant::B}) {
        const int chip = bus.AddFactoryChip(variant);
        StartDialog();
        ReplugOnPrompt(chip);

        ASSERT_TRUE(RunWriteJob());

        EXPECT_EQ(BoxTexts(), (std::vector<std::string>{test::kReplugPrompt, test::kCompletion}));
        for (const auto& box : window.Boxes()) {
            EXPECT_EQ(box.caption, "Write to EEPROM...");
            EXPECT_EQ(box.icon, MessageBoxIcon::Information);
        }
        EXPECT_TRUE(EepromHoldsImage(variant == ChipVariant::A ? kImageA : kImageB, chip));
        EXPECT_EQ(bus.Eeprom(chip)[kProgressMarkerAddress], 0);
        EXPECT_EQ(window.LastProgress(), 100);
        const JobState state = dlg->Job().State();
        EXPECT_FALSE(state.linkOpen);  // closed for the operator's re-plug
        EXPECT_EQ(state.deviceWaitCountdown, 1000u);

        // Register 0xC4, marker 1 and two erase commands before the chip is
        // pulled; header tail, then head, last of all.
        std::vector<std::string> shape;
        for (const auto& e : bus.Log()) {
            if (e.kind == sim::SimLogEntry::Kind::Unplug) shape.push_back("unplug");
            if (e.kind != sim::SimLogEntry::Kind::OutputReport) continue;
            const Request r{e.bytes, e.timeUs};
            if (r.IsErase()) shape.push_back("erase");
            if (r.Is(0x21)) shape.push_back("C4");
            if (r.IsEepromWrite() && r.address() < 8) shape.push_back("header " + std::to_string(r.count()));
        }
        EXPECT_EQ(shape, (std::vector<std::string>{"C4", "erase", "erase", "unplug", "C4", "header 8",
                                                   "header 3", "header 5"}));
        EndCase(chip);
    }
}

TEST_F(WriteJob, UpdaterDeviceSkipsThePreparation) {
    const int chip = AddUpdaterChip(ChipVariant::B);
    ASSERT_EQ(bus.ProductId(chip), 0x735F);
    StartDialog();

    ASSERT_TRUE(RunWriteJob());

    EXPECT_EQ(BoxTexts(), std::vector<std::string>{test::kCompletion});
    EXPECT_EQ(CountRequests([](const Request& r) { return r.IsErase(); }), 0u);
    EXPECT_EQ(CountRequests([](const Request& r) { return r.Is(0x21); }), 1u);
    EXPECT_TRUE(EepromHoldsImage(kImageB, chip));
}

// Every build runs this test, the Windows one under Wine: a job must put the
// same requests, with the same tags, and the same pauses between them on the
// wire whichever system's build runs it. The digest is of one whole job on a
// normal unit (re-plug included): every output report and the time since the
// one before it, except across the re-plug, whose length is the operator's.
TEST_F(WriteJob, TheWireTrafficOfAJobIsTheSameOnEveryBuild) {
    const int chip = bus.AddFactoryChip(ChipVariant::A);
    StartDialog();
    ReplugOnPrompt(chip);
    ASSERT_TRUE(RunWriteJob());

    size_t requests = 0;
    const std::string wire = WireText(&requests);
    EXPECT_EQ(requests, kWireRequests);
    EXPECT_EQ(Sha256Hex(std::span(reinterpret_cast<const uint8_t*>(wire.data()), wire.size())), kWireDigest);
}

// Each failure is shown once, with no completion message after it; the button
// is back and a failed job leaves the device open.
TEST_F(WriteJob, EachFailureIsReportedOnceWithItsCode) {
    const struct {
        const char* name;
        bool updater;
        std::function<void(sim::SimFaults&)> fault;
        std::string message;
    } cases[] = {
        {"header does not clear", false, [](sim::SimFaults& f) { f.headerWontClear = true; },
         "Fail to Write EEPROM! [010A1003]"},
        {"17 body bytes differ", false,
         [](sim::SimFaults& f) {
             for (uint16_t a : DistinctBodyBytes(17)) f.stuckBytes[a] = 1;
         },
         "Fail to Write EEPROM! [020A1005]"},
        // An updater chip's header is already 0, so only the later writes miss.
        {"header tail differs", true, [](sim::SimFaults& f) { f.stuckBytes[5] = INT_MAX; },
         "Fail to Write EEPROM! [030A1006]"},
        {"header head differs", true, [](sim::SimFaults& f) { f.stuckBytes[0] = INT_MAX; },
         "Fail to Write EEPROM! [040A1007]"},
        {"marker 4 not acknowledged", true,
         [](sim::SimFaults& f) {
             f.dropReplyWhen = [](const sim::SimRequest& r) { return IsMarkerWrite(r, 4); };
         },
         "Fail to Write EEPROM! [03070602]"},
        {"body chunk not acknowledged", false,
         [](sim::SimFaults& f) {
             f.dropReplyWhen = [](const sim::SimRequest& r) {
                 return r.command() == 0x11 && r.report[5] == 0x20;
             };
         },
         "Fail to Write EEPROM! [020F0702]"},
        {"read-back not answered", false,
         [](sim::SimFaults& f) {
             f.dropReplyWhen = [](const sim::SimRequest& r) {
                 return r.command() == 0x12 && r.report[5] == 0x10;
             };
         },
         "Fail to Write EEPROM! [02160702]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int chip = c.updater ? AddUpdaterChip(ChipVariant::A) : bus.AddFactoryChip(ChipVariant::A);
        c.fault(bus.Faults(chip));
        StartDialog();
        ReplugOnPrompt(chip);

        ASSERT_TRUE(RunWriteJob());

        // After the re-plug prompt; the factory header copy cannot be restored
        // under this fault either, and that failure follows.
        const bool restoreFails = c.message.ends_with("010A1003]");
        ASSERT_EQ(BoxTexts().size(), (c.updater ? 1u : 2u) + (restoreFails ? 1u : 0u));
        EXPECT_EQ(BoxTexts()[c.updater ? 0 : 1], c.message);
        EXPECT_TRUE(window.IsEnabled(kIdWriteEeprom));
        EXPECT_TRUE(dlg->Job().State().linkOpen);
        if (c.message.ends_with("03070602]")) {
            EXPECT_EQ(CountRequests([](const Request& r) { return r.IsEepromWrite() && r.address() == 0; }),
                      1u)
                << "the header head is not written after the failed marker";
        }
        EndCase(chip);
    }
}

TEST_F(WriteJob, BodyRewriteIsBoundedByCountAndPasses) {
    const struct {
        const char* name;
        size_t stuckBytes;
        int timesStuck;
        bool succeeds;
        size_t verifies;
    } cases[] = {
        {"16 bytes: one rewrite of their groups", 16, 1, true, 2},
        {"17 bytes: no rewrite", 17, 1, false, 1},
        {"1 byte that never sticks: third verify fails", 1, INT_MAX, false, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int chip = AddUpdaterChip(ChipVariant::A);
        bus.SetEeprom(chip, 8, std::vector<uint8_t>(kImageSize - 8, 0xFF));  // a blank body
        const auto stuck = DistinctBodyBytes(c.stuckBytes);
        for (uint16_t a : stuck) bus.Faults(chip).stuckBytes[a] = c.timesStuck;
        StartDialog();

        ASSERT_TRUE(RunWriteJob());

        EXPECT_EQ(BoxTexts().back(), c.succeeds ? test::kCompletion : "Fail to Write EEPROM! [020A1005]");
        EXPECT_EQ(CountRequests([](const Request& r) { return r.IsEepromRead() && r.count() == 16; }),
                  c.verifies);
        // The passes after the first write only the groups that differed.
        EXPECT_EQ(CountRequests([](const Request& r) {
                      return r.IsEepromWrite() && r.address() >= 8 && r.address() < kImageSize;
                  }),
                  2049 + (c.verifies - 1) * c.stuckBytes);
        // The report counts the rewrite passes made, the failing job's too.
        const auto reports = window.Reports();
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_EQ(reports[0].rewritePasses, static_cast<int>(c.verifies - 1));
        if (c.succeeds) {
            EXPECT_TRUE(EepromHoldsImage(kImageA, chip));
        }
        EndCase(chip);
    }
}

TEST_F(WriteJob, HeaderThatWillNotClearIsRestoredFromItsCopyButNotOnAnUpdater) {
    for (bool updater : {false, true}) {
        SCOPED_TRACE(updater ? "updater" : "normal device");
        const int chip = updater ? AddUpdaterChip(ChipVariant::A, {'N', 'O', 'T', 'W', 'T', 'C', 1, 2})
                                 : bus.AddFactoryChip(ChipVariant::A);
        bus.Faults(chip).headerWontClear = true;
        StartDialog();
        ReplugOnPrompt(chip);
        size_t requestsAtReport = 0;
        window.onMessageBox = [&](const test::FakeWindow::MessageBox& box) {
            if (box.text == test::kReplugPrompt) bus.Replug(chip);
            if (box.text == "Fail to Write EEPROM! [010A1003]") requestsAtReport = Requests().size();
        };

        ASSERT_TRUE(RunWriteJob());

        ASSERT_GT(requestsAtReport, 0u);
        const auto requests = Requests();
        const auto backupReads = std::count_if(requests.begin(), requests.end(), [](const Request& r) {
            return r.IsEepromRead() && r.address() == kHeaderBackupAddress && r.count() == 8;
        });
        EXPECT_EQ(backupReads, updater ? 0 : 1);
        if (!updater) {  // after the operator has seen the failure
            ASSERT_GT(requests.size(), requestsAtReport);
            EXPECT_EQ(requests[requestsAtReport].address(), kHeaderBackupAddress);
        }
        EndCase(chip);
    }
}

// The restore after a header that did not clear can fail in its turn (its
// zero bytes do not take either): the operator learns it from its own record,
// shown after the first. A restore that takes adds nothing.
TEST_F(WriteJob, HeaderRestoreThatDidNotTakeIsReported) {
    const struct {
        const char* name;
        std::vector<uint8_t> copy;  // empty: the factory copy of the header
        std::vector<std::string> failures;
        std::vector<uint32_t> codes;  // as the job's report lists them
    } cases[] = {
        {"factory copy",
         {},
         {"Fail to Write EEPROM! [010A1003]", "Fail to Write EEPROM! [01190706]"},
         {0x010A1003, 0x01190706}},
        {"copy without zero bytes",
         {'W', 'T', 'C', 1, 2, 3, 4, 5},
         {"Fail to Write EEPROM! [010A1003]"},
         {0x010A1003}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int chip = bus.AddFactoryChip(ChipVariant::A);
        if (!c.copy.empty()) bus.SetEeprom(chip, kHeaderBackupAddress, c.copy);
        bus.Faults(chip).headerWontClear = true;
        StartDialog();
        ReplugOnPrompt(chip);

        ASSERT_TRUE(RunWriteJob());

        auto boxes = BoxTexts();
        ASSERT_EQ(boxes.front(), test::kReplugPrompt);
        boxes.erase(boxes.begin());
        EXPECT_EQ(boxes, c.failures);
        // One end of the job, told once the restore has run: the job's own
        // failure, and the restore's code beside it.
        const auto reports = window.Reports();
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_EQ(reports[0].outcome.Code(), 0x010A1003u);
        EXPECT_EQ(reports[0].codesShown, c.codes);
        EXPECT_EQ(reports[0].restoreCode,
                  c.codes.size() > 1 ? std::optional<uint32_t>(c.codes[1]) : std::nullopt);
        if (c.failures.size() == 1) {
            const auto eeprom = bus.Eeprom(chip);
            EXPECT_TRUE(std::equal(c.copy.begin(), c.copy.end(), eeprom.begin()));
        }
        EndCase(chip);
    }
}

// Every comparison of the job, broken at the first and at the last byte it
// covers: a write there that does not take must end the job with that
// comparison's own code. An updater chip's header is already 0, so only its
// later writes miss; a factory chip is erased first, so a byte whose writes
// miss stays 0xFF.
TEST_F(WriteJob, AStuckByteAtEitherEndOfEachComparisonFailsWithItsOwnCode) {
    const struct {
        const char* comparison;
        bool updater;
        uint16_t address;
        int timesStuck;  // INT_MAX: never takes
        uint32_t code;
        std::optional<uint32_t> restoreCode;
    } cases[] = {
        {"header clear", false, 0x0000, 1, 0x010A1003, std::nullopt},
        {"header clear", false, 0x0007, 1, 0x010A1003, std::nullopt},
        {"restored head", false, 0x0000, INT_MAX, 0x010A1003, 0x01190709},
        {"restored head", false, 0x0004, INT_MAX, 0x010A1003, 0x01190709},
        {"restored tail", false, 0x0005, INT_MAX, 0x010A1003, 0x01190706},
        {"restored tail", false, 0x0007, INT_MAX, 0x010A1003, 0x01190706},
        {"body read-back", true, 0x0008, INT_MAX, 0x020A1005, std::nullopt},
        {"body read-back", true, kImageSize - 1, INT_MAX, 0x020A1005, std::nullopt},
        {"header tail", true, 0x0005, INT_MAX, 0x030A1006, std::nullopt},
        {"header tail", true, 0x0007, INT_MAX, 0x030A1006, std::nullopt},
        {"header head", true, 0x0000, INT_MAX, 0x040A1007, std::nullopt},
        {"header head", true, 0x0004, INT_MAX, 0x040A1007, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.comparison) + " at " + std::to_string(c.address));
        const int chip = c.updater ? AddUpdaterChip(ChipVariant::A) : bus.AddFactoryChip(ChipVariant::A);
        // The body of an updater chip blank, so that a body write that does
        // not take leaves a byte unlike the image's.
        if (c.updater) bus.SetEeprom(chip, 8, std::vector<uint8_t>(kImageSize - 8, 0xFF));
        bus.Faults(chip).stuckBytes[c.address] = c.timesStuck;
        StartDialog();
        ReplugOnPrompt(chip);

        ASSERT_TRUE(RunWriteJob());

        const auto reports = window.Reports();
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_EQ(reports[0].outcome.Code(), c.code);
        EXPECT_EQ(reports[0].restoreCode, c.restoreCode);
        EndCase(chip);
    }
}

TEST_F(WriteJob, ClosingDuringTheBodyEndsTheJobAtTheNextCommand) {
    const int chip = AddUpdaterChip(ChipVariant::A);
    StartDialog();

    // The operator closes the tool while chunk 0x2000 is on its way; the chip
    // answers only once the stop flag is down.
    std::thread closer;
    std::atomic<bool> closing{false};
    bus.Faults(chip).dropReplyWhen = [&](const sim::SimRequest& r) {
        if (r.command() == 0x11 && r.report[5] == 0x20 && r.report[6] == 0x00 && !closing.load()) {
            closer = std::thread([this] { CloseDialog(); });
            closing.store(true);
            WaitUntil([&] { return !dlg->Job().WorkerRunning(); }, std::chrono::seconds(5));
        }
        return false;
    };
    const auto started = std::chrono::steady_clock::now();
    dlg->OnWriteEeprom();
    ASSERT_TRUE(WaitUntil([&] { return closing.load(); }));
    closer.join();

    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(6));
    const JobState state = dlg->Job().State();
    EXPECT_TRUE(state.workerFinished);
    EXPECT_FALSE(state.linkOpen);
    const JobResult result = state.lastFailure;
    EXPECT_EQ(std::tie(result.origin, result.errorClass, result.errorDetail),
              std::make_tuple(uint32_t{kOriginWriteImageBody}, 14u, 1u));
    EXPECT_TRUE(window.Boxes().empty()) << "nothing is shown while the tool closes";
    EXPECT_EQ(CountRequests([](const Request& r) { return r.IsEepromRead() && r.count() == 16; }), 0u);
}

}  // namespace
}  // namespace zt
