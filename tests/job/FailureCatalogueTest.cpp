#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <set>
#include <thread>
#include <tuple>

#include "job/FailureCatalogue.h"
#include "job/WriteJobFixture.h"
#include "station/config/SimFaultNames.h"

namespace zt {
namespace {

using sim::ChipVariant;

// Drives write jobs (and the erase button) through every fault the simulated
// chip knows, and at every kind of request of a job, and keeps each code a job
// showed or left in its record.
struct FailureSweep : test::WriteJobFixture {
    std::set<uint32_t> codes;
    std::set<std::string> faultsUsed;
    int swapped = -1;

    // Every failure box of the job (a second one follows when a header restore
    // fails), and the record the job left.
    void Collect() {
        const std::string prefix = "Fail to Write EEPROM! [";
        for (const auto& box : window.Boxes())
            if (box.text.starts_with(prefix))
                codes.insert(
                    static_cast<uint32_t>(std::stoul(box.text.substr(prefix.size(), 8), nullptr, 16)));
        if (const uint32_t code = dlg->Job().LastFailure().Code(); code != 0) codes.insert(code);
    }

    void Apply(int chip, const std::string& fault) {
        std::string error;
        ASSERT_TRUE(sim::ApplyFaultByName(bus.Faults(chip), fault, &error)) << error;
        faultsUsed.insert(fault.substr(0, fault.find('=')));
    }

    // One job on a fresh chip under the named faults.
    // `atPrompt` stands in for the operator's re-plug.
    void Job(const std::vector<std::string>& faults, ChipVariant variant = ChipVariant::A,
             bool updater = false, std::function<void(int chip)> atPrompt = nullptr) {
        SCOPED_TRACE(::testing::PrintToString(faults));
        const int chip = updater ? AddUpdaterChip(variant) : bus.AddFactoryChip(variant);
        for (const auto& fault : faults) Apply(chip, fault);
        StartDialog();
        ReplugOnPrompt(chip);
        if (atPrompt)
            window.onMessageBox = [chip, atPrompt](const test::FakeWindow::MessageBox& box) {
                if (box.text == test::kReplugPrompt) atPrompt(chip);
            };
        ASSERT_TRUE(RunWriteJob());
        Collect();
        EndCase(chip);
    }

    // One job that the tool's close stops when the chip answers request n (or,
    // for the erase, which has no answer, the next one). The close runs on the
    // user-interface thread, the test's; a request the worker sent waits for
    // it to begin before its answer goes back.
    void StoppedJob(uint64_t n) {
        const int chip = bus.AddFactoryChip(ChipVariant::A);
        StartDialog();
        ReplugOnPrompt(chip);
        const std::thread::id uiThread = std::this_thread::get_id();
        std::atomic<bool> closeDue{false};
        bus.Faults(chip).dropReplyWhen = [&, n](const sim::SimRequest& r) {
            if (r.ordinal < n || closeDue.exchange(true)) return false;
            if (std::this_thread::get_id() != uiThread)
                WaitUntil([this] { return !dlg->Job().WorkerRunning(); }, std::chrono::seconds(5));
            return false;
        };
        dlg->OnWriteEeprom();
        ASSERT_TRUE(WaitUntil([&] { return closeDue.load(); }));
        CloseDialog();
        EXPECT_TRUE(dlg->Job().State().workerFinished);
        Collect();
        EndCase(chip);
        bus.Faults(chip).dropReplyWhen = nullptr;  // it refers to this frame
    }

    // The first request of each run of alike requests in a clean job, by its
    // ordinal on the chip: each register read, each marker, the erase, the
    // header writes and reads, the first body write and read-back requests.
    std::vector<uint64_t> RequestKinds() {
        const int chip = bus.AddFactoryChip(ChipVariant::A);
        StartDialog();
        ReplugOnPrompt(chip);
        EXPECT_TRUE(RunWriteJob());
        std::vector<uint64_t> firsts;
        std::tuple<int, int, int, int> previous{-1, -1, -1, -1};
        uint64_t ordinal = 0;
        for (const test::Request& r : Requests()) {
            ++ordinal;
            const int region = r.IsErase() ? 0 : r.address() < 8 ? 1 : r.address() >= kImageSize ? 2 : 3;
            const std::tuple<int, int, int, int> kind{r.bytes[2], r.bytes[4], region, r.count()};
            if (kind != previous) firsts.push_back(ordinal);
            previous = kind;
        }
        EndCase(chip);
        return firsts;
    }
};

TEST_F(FailureSweep, EveryCodeAJobCanShowIsCatalogued) {
    for (const uint64_t n : RequestKinds()) {
        for (const char* fault : {"drop-reply-at=", "fail-write-at=", "unplug-at="})
            Job({fault + std::to_string(n)});
        StoppedJob(n);
    }
    const std::vector<std::vector<std::string>> flagged = {
        {"no-reply"},          {"refuse-open"},
        {"fail-write"},        {"wrong-tag=2"},
        {"wrong-count=300"},   {"short-reply=5"},
        {"short-reply=9"},     {"short-reply=12"},
        {"header-wont-clear"}, {"header-wont-clear", "blank-header-copy"},
        {"stuck-many"},        {"stuck=0x2000"},
        {"input-length=8"},    {"input-length=12"},
        {"input-length=24"},   {"output-length=12"},
        {"latency-ms=20"},
    };
    for (const auto& faults : flagged) Job(faults);
    Job({}, ChipVariant::Unknown);
    Job({"stuck=0"}, ChipVariant::A, true);
    Job({"stuck=5"}, ChipVariant::A, true);
    Job({}, ChipVariant::A, false, [this](int chip) { bus.Unplug(chip); });  // never comes back
    Job({}, ChipVariant::A, false, [this](int chip) {                        // another board comes back
        bus.Unplug(chip);
        swapped = bus.AddFactoryChip(ChipVariant::B);
    });
    bus.Unplug(swapped);
    bus.SetAudioPresent(false);
    Job({"input-length=12"});
    bus.SetAudioPresent(true);
    // The erase button on a device that refuses output reports.
    const int chip = bus.AddFactoryChip(ChipVariant::A);
    Apply(chip, "fail-write");
    StartDialog();
    dlg->OnEraseEeprom();
    Collect();
    EndCase(chip);

    std::set<std::string> allFaults;
    for (const auto& [name, help] : sim::FaultNames()) allFaults.insert(name.substr(0, name.find('=')));
    allFaults.erase("no-port-power");          // what the hub can do; no job fails by it
    allFaults.erase("other-ids-after-write");  // only a station's check after the job sees it
    EXPECT_EQ(faultsUsed, allFaults) << "a fault of the simulated chip that the sweep does not drive";

    std::set<uint32_t> origins;
    for (const uint32_t code : codes) {
        EXPECT_TRUE(DescribeFailure(code).known)
            << FailureMessage(code) << " is not in the failure catalogue";
        origins.insert((code >> 16) & 0xFF);
    }
    // Only a damaged build fails the image scan, and a failed open after an
    // arrival is never the job's last record; every other operation that
    // records failures must have failed somewhere in the sweep.
    for (const FailureEntry& e : FailureCatalogue()) {
        if (e.origin == kOriginParseImageTags || e.origin == kOriginOpenDeviceById) continue;
        // The commands that only look at a unit record these; no job does.
        if (e.origin >= kOriginVersionQuery) continue;
        // A station's check after the last re-plug; the station's tests fail it.
        if (e.origin == kOriginConfirmUnit) continue;
        EXPECT_TRUE(origins.count(e.origin)) << "the sweep never fails " << OriginName(e.origin);
    }
}

TEST(FailureCatalogue, EachCombinationHasOneEntryAndNamedParts) {
    const auto table = FailureCatalogue();
    for (size_t i = 0; i < table.size(); ++i) {
        const FailureEntry& e = table[i];
        SCOPED_TRACE(std::string(e.name));
        EXPECT_FALSE(OriginName(e.origin).empty());
        EXPECT_FALSE(FailureClassName(e.errorClass).empty());
        EXPECT_FALSE(e.meaning.empty());
        if (i > 0) {
            const FailureEntry& p = table[i - 1];
            EXPECT_LT(std::tie(p.origin, p.errorClass, p.errorDetail),
                      std::tie(e.origin, e.errorClass, e.errorDetail))
                << "out of order, or twice";
        }
    }
}

TEST(FailureCatalogue, DescribesACodeByItsFourBytesAndSaysWhenItIsNotOurs) {
    const FailureDescription known = DescribeFailure(0x020F0702);
    EXPECT_TRUE(known.known);
    EXPECT_EQ(std::tie(known.stage, known.origin, known.errorClass, known.errorDetail),
              std::make_tuple(2u, 15u, 7u, 2u));
    EXPECT_EQ(known.originName, "WriteImageBody");
    EXPECT_EQ(known.stageText, StageMeaning(2));
    EXPECT_FALSE(known.meaning.empty());

    // An unknown origin, an unknown detail of a known origin and class, and a
    // stage the job never writes.
    for (const uint32_t code : {0x00FF0101u, 0x00030402u, 0x07030401u}) {
        const FailureDescription d = DescribeFailure(code);
        EXPECT_FALSE(d.known) << std::hex << code;
        EXPECT_FALSE(d.meaning.empty());
    }
}

}  // namespace
}  // namespace zt
