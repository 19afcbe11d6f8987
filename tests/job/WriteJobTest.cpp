#include <gtest/gtest.h>

#include <climits>

#include "app/DialogTemplate.h"
#include "job/WriteJobFixture.h"

namespace zt {
namespace {

using sim::ChipVariant;
using test::Request;

struct WriteJob : test::WriteJobFixture {};

TEST_F(WriteJob, NormalDeviceIsPreparedReplugedAndWritten) {
    for (ChipVariant variant : {ChipVariant::A, ChipVariant::B}) {
        SCOPED_TRACE(variant == ChipVariant::A ? "chip A" : "chip B");
        const int chip = bus.AddFactoryChip(variant);
        StartDialog();
        ReplugOnPrompt(chip);
        bus.ClearLog();

        ASSERT_TRUE(RunWriteJob());

        const auto boxes = window.Boxes();
        ASSERT_EQ(boxes.size(), 2u);
        EXPECT_EQ(boxes[0].text, test::kReplugPrompt);
        EXPECT_EQ(boxes[1].text, test::kCompletion);
        for (const auto& box : boxes) {
            EXPECT_EQ(box.caption, test::kJobCaption);
            EXPECT_EQ(box.icon, MessageBoxIcon::Information);
        }
        EXPECT_TRUE(EepromHoldsImage(ImageFor(variant), chip));
        EXPECT_EQ(bus.Eeprom(chip)[kProgressMarkerAddress], 0);
        EXPECT_EQ(dlg->jobResult.Get(), JobResult{});
        EXPECT_EQ(window.LastProgress(), 100);
        EXPECT_TRUE(window.IsEnabled(kIdWriteEeprom));
        EXPECT_EQ(dlg->hidLink.isOpen.load(), 0u);  // closed for the operator's re-plug

        // Preparation (register, marker 1, two erase commands) happens before
        // the chip is pulled; the writing after it is back.
        const auto log = bus.Log();
        const auto unplug = std::find_if(log.begin(), log.end(), [](const auto& e) {
            return e.kind == sim::SimLogEntry::Kind::Unplug;
        });
        ASSERT_NE(unplug, log.end());
        std::vector<Request> before;
        for (auto e = log.begin(); e != unplug; ++e)
            if (e->kind == sim::SimLogEntry::Kind::OutputReport && e->bytes[2] != 0x22)  // not the chip identity
                before.push_back({e->bytes, e->timeUs});
        ASSERT_EQ(before.size(), 4u);
        EXPECT_TRUE(before[0].IsRegisterWrite());
        EXPECT_EQ(before[0].bytes[4], 0xC4);
        EXPECT_EQ(before[0].bytes[5], 0x0C);
        EXPECT_TRUE(before[1].IsEepromWrite());
        EXPECT_EQ(before[1].address(), kProgressMarkerAddress);
        EXPECT_EQ(before[1].bytes[8], 1);
        EXPECT_TRUE(before[2].IsErase());
        EXPECT_TRUE(before[3].IsErase());

        // The header goes last, tail before head, after the whole body.
        const auto requests = Requests();
        const auto lastBodyWrite = std::find_if(requests.rbegin(), requests.rend(), [](const Request& r) {
            return r.IsEepromWrite() && r.address() >= 8 && r.address() < kImageSize;
        });
        std::vector<std::pair<uint16_t, uint8_t>> headerWrites;
        for (auto r = lastBodyWrite.base(); r != requests.end(); ++r)
            if (r->IsEepromWrite() && r->address() < 8) headerWrites.emplace_back(r->address(), r->count());
        EXPECT_EQ(headerWrites, (std::vector<std::pair<uint16_t, uint8_t>>{{5, 3}, {0, 5}}));

        CloseDialog();
        dlg.reset();
        window.boxes.clear();
        window.onMessageBox = nullptr;
        bus.Unplug(chip);
    }
}

TEST_F(WriteJob, UpdaterDeviceSkipsThePreparation) {
    const int chip = AddUpdaterChip(ChipVariant::B);
    ASSERT_EQ(bus.ProductId(chip), 0x735F);
    StartDialog();
    bus.ClearLog();

    ASSERT_TRUE(RunWriteJob());

    EXPECT_EQ(BoxTexts(), std::vector<std::string>{test::kCompletion});
    EXPECT_EQ(CountRequests([](const Request& r) { return r.IsErase(); }), 0u);
    EXPECT_TRUE(EepromHoldsImage(kImageB, chip));
    EXPECT_EQ(bus.Eeprom(chip)[kProgressMarkerAddress], 0);
    const auto requests = Requests();
    const auto first = std::find_if(requests.begin(), requests.end(), [](const Request& r) { return r.command() != 0x22; });
    ASSERT_NE(first, requests.end());
    EXPECT_TRUE(first->IsRegisterWrite()) << "step 5 comes first after the chip identity";
}

// Failures the worker meets, each reached through the simulated chip. Every
// one is shown once; then the button is back and the worker idle.
struct WorkerFailureCase {
    const char* name;
    bool updater;
    std::function<void(test::WriteJobFixture&, int chip)> setUp;
    const char* message;
};

TEST_F(WriteJob, EachFailureIsReportedOnceWithItsCode) {
    const auto stick = [](std::vector<uint16_t> addresses) {
        return [addresses](test::WriteJobFixture& f, int chip) {
            for (uint16_t a : addresses) f.bus.Faults(chip).stuckBytes[a] = INT_MAX;
        };
    };
    const WorkerFailureCase cases[] = {
        {"device never comes back", false,
         [](test::WriteJobFixture& f, int chip) {
             f.window.onMessageBox = [&f, chip](const test::FakeWindow::MessageBox& box) {
                 if (box.text == test::kReplugPrompt) f.bus.Unplug(chip);
             };
         },
         "Fail to Write EEPROM! [010A0D02]"},
        {"header does not clear", false, [](test::WriteJobFixture& f, int chip) { f.bus.Faults(chip).headerWontClear = true; },
         "Fail to Write EEPROM! [010A1003]"},
        {"17 body bytes differ", false,
         [](test::WriteJobFixture& f, int chip) {
             for (uint16_t a : DistinctBodyBytes(kImageA, 17)) f.bus.Faults(chip).stuckBytes[a] = 1;
         },
         "Fail to Write EEPROM! [020A1005]"},
        {"header tail differs", true, stick({5}), "Fail to Write EEPROM! [030A1006]"},
        {"header head differs", true, stick({0}), "Fail to Write EEPROM! [040A1007]"},
        {"marker 4 not acknowledged", true,
         [](test::WriteJobFixture& f, int chip) {
             f.bus.Faults(chip).dropReplyWhen = [](const sim::SimRequest& r) {
                 return r.command() == 0x11 && r.report[5] == 0x40 && r.report[6] == 0x1C && r.report[8] == 4;
             };
         },
         "Fail to Write EEPROM! [03070602]"},
        {"body chunk not acknowledged", false,
         [](test::WriteJobFixture& f, int chip) {
             f.bus.Faults(chip).dropReplyWhen = [](const sim::SimRequest& r) {
                 return r.command() == 0x11 && r.report[5] == 0x20 && r.report[6] == 0x00;
             };
         },
         "Fail to Write EEPROM! [020F0702]"},
        {"read-back not answered", false,
         [](test::WriteJobFixture& f, int chip) {
             f.bus.Faults(chip).dropReplyWhen = [](const sim::SimRequest& r) {
                 return r.command() == 0x12 && r.report[5] == 0x10 && r.report[6] == 0x00;
             };
         },
         "Fail to Write EEPROM! [02160702]"},
    };

    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int chip = c.updater ? AddUpdaterChip(ChipVariant::A) : bus.AddFactoryChip(ChipVariant::A);
        StartDialog();
        ReplugOnPrompt(chip);
        c.setUp(*this, chip);

        ASSERT_TRUE(RunWriteJob());

        EXPECT_EQ(FailureTexts(), std::vector<std::string>{c.message});
        EXPECT_EQ(BoxTexts().back(), c.message);  // no completion message after it
        EXPECT_TRUE(window.IsEnabled(kIdWriteEeprom));

        CloseDialog();
        dlg.reset();
        window.boxes.clear();
        window.onMessageBox = nullptr;
        bus.Unplug(chip);
    }
}

TEST_F(WriteJob, FailedMarkerFourStopsBeforeTheHeaderHead) {
    AddUpdaterChip(ChipVariant::A);
    StartDialog();
    bus.Faults().dropReplyWhen = [](const sim::SimRequest& r) {
        return r.command() == 0x11 && r.report[5] == 0x40 && r.report[6] == 0x1C && r.report[8] == 4;
    };
    ASSERT_TRUE(RunWriteJob());

    EXPECT_EQ(FailureTexts(), std::vector<std::string>{"Fail to Write EEPROM! [03070602]"});
    EXPECT_EQ(CountRequests([](const Request& r) { return r.IsEepromWrite() && r.address() == 0; }), 1u)
        << "only the header clear writes address 0";
    EXPECT_EQ(dlg->hidLink.isOpen.load(), 1u);  // a failed job leaves the device open
}

TEST_F(WriteJob, BodyRewriteIsBoundedByCountAndPasses) {
    struct {
        const char* name;
        size_t stuckBytes;
        int timesStuck;
        const char* failure;  // nullptr: the job succeeds
        size_t readBackPasses;
    } cases[] = {
        {"16 bytes: one rewrite of their groups", 16, 1, nullptr, 2},
        {"17 bytes: no rewrite", 17, 1, "Fail to Write EEPROM! [020A1005]", 1},
        {"1 byte that never sticks: third verify fails", 1, INT_MAX, "Fail to Write EEPROM! [020A1005]", 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int chip = AddUpdaterChip(ChipVariant::A);
        bus.SetEeprom(chip, 8, std::vector<uint8_t>(kImageSize - 8, 0xFF));  // a blank body
        const auto stuck = DistinctBodyBytes(kImageA, c.stuckBytes);
        ASSERT_EQ(stuck.size(), c.stuckBytes);
        for (uint16_t a : stuck) bus.Faults(chip).stuckBytes[a] = c.timesStuck;
        StartDialog();

        ASSERT_TRUE(RunWriteJob());

        if (c.failure) {
            EXPECT_EQ(FailureTexts(), std::vector<std::string>{c.failure});
        } else {
            EXPECT_TRUE(FailureTexts().empty());
            EXPECT_TRUE(EepromHoldsImage(kImageA, chip));
        }
        const size_t readBacks =
            CountRequests([](const Request& r) { return r.IsEepromRead() && r.address() == 0 && r.count() == 16; });
        EXPECT_EQ(readBacks, c.readBackPasses);
        // Every pass after the first rewrites only the groups that differed.
        const size_t bodyWrites =
            CountRequests([](const Request& r) { return r.IsEepromWrite() && r.address() >= 8 && r.address() < kImageSize; });
        EXPECT_EQ(bodyWrites, 2049 + (c.readBackPasses - 1) * c.stuckBytes);
        for (uint16_t a : stuck) {
            const uint16_t group = a & ~7;
            EXPECT_EQ(CountRequests([&](const Request& r) { return r.IsEepromWrite() && r.address() == group; }),
                      c.readBackPasses)
                << a;
        }

        CloseDialog();
        dlg.reset();
        window.boxes.clear();
        bus.Unplug(chip);
        bus.ClearLog();
    }
}

TEST_F(WriteJob, HeaderThatWillNotClearIsRestoredFromItsCopyAfterTheReport) {
    const int chip = bus.AddFactoryChip(ChipVariant::A);
    StartDialog();
    ReplugOnPrompt(chip);
    size_t logAtReport = 0;
    window.onMessageBox = [&](const test::FakeWindow::MessageBox& box) {
        if (box.text == test::kReplugPrompt) bus.Replug(chip);
        if (box.text == "Fail to Write EEPROM! [010A1003]") logAtReport = Requests().size();
    };
    bus.ClearLog();
    bus.Faults(chip).headerWontClear = true;

    ASSERT_TRUE(RunWriteJob());

    EXPECT_EQ(FailureTexts(), std::vector<std::string>{"Fail to Write EEPROM! [010A1003]"});
    ASSERT_GT(logAtReport, 0u);
    const auto requests = Requests();
    ASSERT_GT(requests.size(), logAtReport);
    const Request& first = requests[logAtReport];
    EXPECT_TRUE(first.IsEepromRead());
    EXPECT_EQ(first.address(), kHeaderBackupAddress);
    EXPECT_EQ(first.count(), 8);
    EXPECT_EQ(CountRequests([](const Request& r) { return r.IsEepromWrite() && r.address() == 5 && r.count() == 3; }), 1u);
}

TEST_F(WriteJob, UpdaterDeviceKeepsItsHeaderWhenTheClearFails) {
    const int chip = AddUpdaterChip(ChipVariant::A, {'N', 'O', 'T', 'W', 'T', 'C', 1, 2});
    ASSERT_EQ(bus.ProductId(chip), 0x735E);
    StartDialog();
    bus.Faults(chip).headerWontClear = true;

    ASSERT_TRUE(RunWriteJob());

    EXPECT_EQ(FailureTexts(), std::vector<std::string>{"Fail to Write EEPROM! [010A1003]"});
    EXPECT_EQ(CountRequests([](const Request& r) { return r.IsEepromRead() && r.address() == kHeaderBackupAddress; }), 0u);
}

TEST_F(WriteJob, ClosingDuringTheBodyEndsTheJobAtTheNextCommand) {
    const int chip = AddUpdaterChip(ChipVariant::A);
    StartDialog();

    // The operator closes the tool while chunk 0x2000 is on its way.
    // The chip holds the request until the stop flag is down, as a slow
    // device would.
    std::thread closer;
    bus.Faults(chip).dropReplyWhen = [&](const sim::SimRequest& r) {
        if (r.command() == 0x11 && r.report[5] == 0x20 && r.report[6] == 0x00 && !closer.joinable()) {
            closer = std::thread([this] { CloseDialog(); });
            WaitUntil([&] { return dlg->workerRun.load() == 0; }, std::chrono::seconds(5));
        }
        return false;
    };
    const auto started = std::chrono::steady_clock::now();
    dlg->OnWriteEeprom();
    ASSERT_TRUE(WaitUntil([&] { return closer.joinable(); }));
    closer.join();
    const auto closeTook = std::chrono::steady_clock::now() - started;

    EXPECT_LT(closeTook, std::chrono::seconds(6));
    EXPECT_EQ(dlg->workerFinished.load(), 1u);
    EXPECT_EQ(dlg->hidLink.isOpen.load(), 0u);
    const JobResult result = dlg->jobResult.Get();
    EXPECT_EQ(result.origin, static_cast<uint32_t>(kOriginWriteImageBody));
    EXPECT_EQ(result.errorClass, 14u);
    EXPECT_EQ(result.errorDetail, 1u);
    EXPECT_TRUE(window.Boxes().empty()) << "nothing is shown while the tool closes";
    EXPECT_EQ(CountRequests([](const Request& r) { return r.IsEepromRead() && r.count() == 16; }), 0u)
        << "no read-back after the stop";
}

}  // namespace
}  // namespace zt
