// zt51xx-mp as a test station runs it, on the Linux backend: the command line
// in-process, the dialog on hidraw nodes emulated by umockdev and answered by
// the simulated chip, the re-plug announced by real uevents through the
// libudev monitor. The harness plays the device's side only: it watches the
// wire and the node, never the tool's internals.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "ReplugClock.h"
#include "TestbedChip.h"
#include "UsbTestbed.h"
#include "chip/EepromImage.h"
#include "cli/Commands.h"
#include "platform/linux/LinuxUnitLocks.h"
#include "sim/SimBus.h"
#include "support/CommandRun.h"

namespace zt::test {
namespace {

using namespace std::chrono_literals;
using ::testing::HasSubstr;
using Bytes = std::vector<uint8_t>;

bool IsEraseCommand(const Bytes& report) {
    return report.size() >= 4 && report[0] == 0 && report[1] == 0xF5 && report[2] == 0xAB &&
           report[3] == 0xCD;
}

// What keeps `event` from being one of docs/json-events.schema.json's
// `kind` events: a field it lacks or one it may not carry ("" when none).
std::string SchemaMisfit(const nlohmann::json& event, const std::string& kind) {
    std::ifstream file(ZT_SOURCE_DIR "/docs/json-events.schema.json");
    const auto defs = nlohmann::json::parse(file)["$defs"];
    for (const char* part : {"common", kind.c_str()})
        for (const auto& field : defs[part]["required"])
            if (!event.contains(field)) return "lacks " + field.get<std::string>();
    for (const auto& [field, value] : event.items())
        if (!defs["common"]["properties"].contains(field) && !defs[kind]["properties"].contains(field))
            return "carries " + field;
    return "";
}

struct MockCommandLineTest : ::testing::Test {
    UsbTestbed bed;
    ReplugClock clock;
    sim::SimBus bus{clock};
    TestbedChip device{bed, bus, bus.AddFactoryChip(sim::ChipVariant::A)};

    // Each test's emulated machine has its own ports; so has its claims.
    std::filesystem::path locks = std::filesystem::path(bed.RootDir()) / "unit-locks";

    void SetUp() override {
        ASSERT_TRUE(bed.Mocked()) << "run this binary under umockdev-wrapper";
        std::filesystem::create_directories(locks);
        device.Plug();
    }

    CommandRun Run(std::vector<std::string> args) {
        return RunArgs(std::move(args), nullptr, [this](cli::CommandContext& ctx) {
            ctx.clock = &clock;
            ctx.unitLockFolder = locks.string();
        });
    }

    size_t OutputReportsSoFar() const {
        size_t n = 0;
        for (const auto& e : bus.Log())
            if (e.kind == sim::SimLogEntry::Kind::OutputReport) ++n;
        return n;
    }

    // The device's side of a job on several units at once: each chip is
    // re-plugged on its own once it has taken its second erase command and
    // the tool has let go of its node; the chip `pullUnit` (an index into
    // `chips`) is pulled a few hundred reports into its body write.
    CommandRun RunWriteUnits(std::vector<std::string> args, const std::vector<TestbedChip*>& chips,
                             int pullUnit) {
        struct Side {
            std::atomic<int> erases{0};
            std::atomic<bool> holding{false};
            bool replugged = false;
            bool pulled = false;
        };
        std::vector<Side> sides(chips.size());
        for (size_t i = 0; i < chips.size(); ++i)
            chips[i]->SetReportWatch([this, side = &sides[i]](const Bytes& report) {
                if (IsEraseCommand(report) && ++side->erases == 2 && !side->holding.exchange(true))
                    clock.Hold();
            });
        std::atomic<bool> done{false};
        std::thread deviceSide([&] {
            const auto deadline = std::chrono::steady_clock::now() + 60s;
            while (!done.load() && std::chrono::steady_clock::now() < deadline) {
                for (size_t i = 0; i < chips.size(); ++i) {
                    TestbedChip& chip = *chips[i];
                    Side& side = sides[i];
                    if (!side.replugged && side.erases.load() >= 2 && chip.Node().OpenCount() == 0) {
                        // Real time until the re-plugged chip hears from the tool.
                        chip.SetReportWatch([this, s = &side](const Bytes&) {
                            if (s->holding.exchange(false)) clock.Release();
                        });
                        if (static_cast<int>(i) == pullUnit)
                            bus.Faults(chip.chip()).unplugAtRequest = OutputReportsSoFar() + 300;
                        chip.Replug();
                        side.replugged = true;
                    }
                    if (chip.Pulled() && !side.pulled) {
                        chip.Unplug();
                        side.pulled = true;
                    }
                }
                std::this_thread::sleep_for(1ms);
            }
        });
        CommandRun run = Run(std::move(args));
        done = true;
        deviceSide.join();
        for (size_t i = 0; i < chips.size(); ++i) {
            chips[i]->SetReportWatch(nullptr);
            if (sides[i].holding.exchange(false)) clock.Release();
        }
        return run;
    }

    // The device's side of a write job, on a thread of its own while the
    // command runs: when the chip has taken the second erase command and the
    // tool has let go of the node, the cable comes out and goes back in. With
    // `pullAfterReports`, the re-plugged chip is pulled that many reports
    // later and the kernel then removes the dead node.
    struct Station {
        int arrivalsPlugged = 0;
        bool pulled = false;
    };
    Station RunWrite(std::vector<std::string> args, CommandRun* run, size_t pullAfterReports = 0,
                     std::function<void()> whileUnplugged = nullptr) {
        std::atomic<int> erases{0};
        device.SetReportWatch([&](const Bytes& report) {
            // From the erase on, pauses take real time until the re-plugged
            // chip hears from the tool again (see ReplugClock).
            if (IsEraseCommand(report) && ++erases == 2) clock.SetRealTime(true);
        });
        std::atomic<bool> done{false};
        Station station;
        std::thread deviceSide([&] {
            bool replugged = false;
            const auto deadline = std::chrono::steady_clock::now() + 60s;
            while (!done.load() && std::chrono::steady_clock::now() < deadline) {
                if (!replugged && erases.load() >= 2 && device.Node().OpenCount() == 0) {
                    device.SetReportWatch([this](const Bytes&) { clock.SetRealTime(false); });
                    if (pullAfterReports > 0)
                        bus.Faults(device.chip()).unplugAtRequest = OutputReportsSoFar() + pullAfterReports;
                    if (whileUnplugged) {
                        device.Unplug();
                        bus.Unplug(device.chip());
                        whileUnplugged();
                        bus.Plug(device.chip());
                        device.Plug();
                    } else {
                        device.Replug();
                    }
                    ++station.arrivalsPlugged;
                    replugged = true;
                }
                if (device.Pulled() && !station.pulled) {
                    device.Unplug();  // the kernel's side of the pulled cable
                    station.pulled = true;
                }
                std::this_thread::sleep_for(1ms);
            }
        });
        *run = Run(std::move(args));
        done = true;
        deviceSide.join();
        device.SetReportWatch(nullptr);
        clock.SetRealTime(false);
        return station;
    }
};

TEST_F(MockCommandLineTest, WriteReplugsThroughTheMonitorAndLeavesImageAInTheEeprom) {
    // Leave something for the job to do: a stray body byte, and the marker of
    // a job that once stopped in the body write.
    bus.SetEeprom(device.chip(), 0x1000, {static_cast<uint8_t>(~kImageA[0x1000])});
    bus.SetEeprom(device.chip(), kProgressMarkerAddress, {2});

    CommandRun run;
    const auto start = std::chrono::steady_clock::now();
    const Station station = RunWrite({"write", "--yes"}, &run);
    const auto took =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    RecordProperty("job_ms", std::to_string(took.count()));
    RecordProperty("real_pause_ms", std::to_string(clock.RealMs()));

    ASSERT_EQ(run.rc, cli::kExitOk) << run.out << run.err;
    EXPECT_EQ(station.arrivalsPlugged, 1);
    EXPECT_THAT(run.out, HasSubstr("Write to EEPROM OK! Please re-plugin USB device !!\n"));
    EXPECT_THAT(run.out, ::testing::Not(HasSubstr("Fail to Write EEPROM!")));
    EXPECT_EQ(run.OutLines().back(), "result: OK");
    EXPECT_EQ(run.err, "");

    const Bytes eeprom = bus.Eeprom(device.chip());
    for (uint32_t a = 0; a < kImageSize; ++a) ASSERT_EQ(eeprom[a], kImageA[a]) << "EEPROM address " << a;
    EXPECT_EQ(eeprom[kProgressMarkerAddress], 0);
    // The pauses that ran in real time were the re-plug's, not the job's 13 s.
    EXPECT_LT(clock.RealMs(), 2000u);
}

TEST_F(MockCommandLineTest, WriteInJsonModePrintsOnlyJsonLinesEndingWithOk) {
    CommandRun run;
    RunWrite({"write", "--yes", "--json"}, &run);
    ASSERT_EQ(run.rc, cli::kExitOk) << run.out << run.err;
    const auto lines = run.OutLines();
    ASSERT_FALSE(lines.empty());
    for (const auto& line : lines) ASSERT_TRUE(nlohmann::json::accept(line)) << line;
    const auto result = nlohmann::json::parse(lines.back());
    EXPECT_EQ(result["event"], "result");
    EXPECT_EQ(result["status"], "OK");
    EXPECT_THAT(run.out, HasSubstr("Write to EEPROM OK! Please re-plugin USB device !!"));
}

TEST_F(MockCommandLineTest, PullDuringTheBodyWriteExitsOneWithItsCode) {
    CommandRun run;
    // A few hundred reports into the body write, which takes thousands.
    const Station station = RunWrite({"write", "--yes"}, &run, 300);
    EXPECT_TRUE(station.pulled);
    EXPECT_EQ(run.rc, cli::kExitJobFailed) << run.out << run.err;
    EXPECT_THAT(run.out, HasSubstr("Fail to Write EEPROM! [020F0702]\n"));
    EXPECT_EQ(run.OutLines().back(), "result: FAIL 020F0702");
}

TEST_F(MockCommandLineTest, ListAndVersionFindTheChipOnTheTestbed) {
    const CommandRun list = Run({"list"});
    EXPECT_EQ(list.rc, cli::kExitOk) << list.err;
    // port, IDs, role, release, node
    EXPECT_THAT(list.out, HasSubstr("  3C4D:7351  normal  "));
    EXPECT_THAT(list.out, HasSubstr("  /dev/hidraw0\n"));

    const CommandRun version = Run({"version"});
    EXPECT_EQ(version.rc, cli::kExitOk) << version.out << version.err;
    EXPECT_THAT(version.out, HasSubstr("status: SUCCESS\n"));
    char expected[32];
    std::snprintf(expected, sizeof expected, "version: 1.0.0.%04X\n", bus.BcdDevice(device.chip()));
    EXPECT_THAT(version.out, HasSubstr(expected));
}

// A station without the udev rule: the device is there, its node refuses us.
TEST_F(MockCommandLineTest, NodeWithoutPermissionNamesTheRuleAndExitsNoDevice) {
    device.Unplug();
    UsbTestbed::DeviceSpec denied;
    denied.descriptor = VendorDescriptor(63);
    denied.nodeDenied = true;
    bed.Add(denied);

    const CommandRun run = Run({"write", "--yes"});
    EXPECT_EQ(run.rc, cli::kExitNoDevice) << run.out << run.err;
    std::vector<std::string> hints;
    std::istringstream err(run.err);
    for (std::string line; std::getline(err, line);)
        if (line.find("70-zt51xx-mp.rules") != std::string::npos) hints.push_back(line);
    ASSERT_EQ(hints.size(), 1u) << run.err;
    EXPECT_THAT(hints[0], HasSubstr("/dev/hidraw"));
}

// Two units on two ports of one machine: each is listed with its port, and a
// job bound to one never touches the other.
TEST_F(MockCommandLineTest, TwoUnitsOnTwoPortsAreListedAndAJobTouchesOnlyItsOwn) {
    TestbedChip other{bed, bus, bus.AddFactoryChip(sim::ChipVariant::A)};
    other.Plug();
    const std::string ours = bed.PortOf(device.UsbId());
    const std::string theirs = bed.PortOf(other.UsbId());
    ASSERT_NE(ours, theirs);
    bus.SetEeprom(other.chip(), 0x1000, {static_cast<uint8_t>(~kImageA[0x1000])});
    const Bytes otherBefore = bus.Eeprom(other.chip());

    const CommandRun list = Run({"list"});
    EXPECT_EQ(list.rc, cli::kExitOk) << list.err;
    EXPECT_THAT(list.out, HasSubstr(ours + "  3C4D:7351"));
    EXPECT_THAT(list.out, HasSubstr(theirs + "  3C4D:7351"));

    CommandRun run;
    RunWrite({"write", "--yes", "--port", ours}, &run);
    ASSERT_EQ(run.rc, cli::kExitOk) << run.out << run.err;
    EXPECT_EQ(bus.Eeprom(other.chip()), otherBefore);
}

// The request chooses the unit: with the updater's IDs typed, the job goes to
// the updater on the second port, never to the normal unit listed before it.
TEST_F(MockCommandLineTest, TypedUpdaterIdsChooseTheUpdaterOverAUnitListedFirst) {
    TestbedChip updater{bed, bus, bus.AddFactoryChip(sim::ChipVariant::B)};
    bus.SetEeprom(updater.chip(), 0, Bytes(8, 0xFF));  // an erased header boots the updater
    bus.Replug(updater.chip());
    updater.Plug();
    const Bytes normalBefore = bus.Eeprom(device.chip());
    std::atomic<int> toNormal{0}, toUpdater{0};
    device.SetReportWatch([&](const Bytes&) { ++toNormal; });
    updater.SetReportWatch([&](const Bytes&) { ++toUpdater; });

    const CommandRun list = Run({"list"});
    ASSERT_EQ(list.OutLines().size(), 2u) << list.out << list.err;
    EXPECT_THAT(list.OutLines()[0], HasSubstr(bed.PortOf(device.UsbId()) + "  3C4D:7351  normal"));
    EXPECT_THAT(list.OutLines()[1], HasSubstr(bed.PortOf(updater.UsbId()) + "  3C4D:735F  updater"));

    const CommandRun write = Run({"write", "--vid", "3C4D", "--pid", "735F", "--yes"});
    EXPECT_EQ(write.rc, cli::kExitOk) << write.out << write.err;
    EXPECT_EQ(write.OutLines().back(), "result: OK");
    const Bytes written = bus.Eeprom(updater.chip());
    EXPECT_TRUE(std::equal(kImageB.begin(), kImageB.end(), written.begin()));
    EXPECT_EQ(bus.Eeprom(device.chip()), normalBefore);
    EXPECT_EQ(toNormal.load(), 0);
    EXPECT_GT(toUpdater.load(), 0);

    device.SetReportWatch(nullptr);
    updater.SetReportWatch(nullptr);
}

// The version query opens the known devices in the table's order and walks
// the USB tree, neither by the typed IDs: the IDs choose its unit first.
TEST_F(MockCommandLineTest, VersionWithTheUpdaterIdsReadsTheUpdaterBesideANormalUnit) {
    TestbedChip updater{bed, bus, bus.AddFactoryChip(sim::ChipVariant::B)};
    bus.SetEeprom(updater.chip(), 0, Bytes(8, 0xFF));
    bus.Replug(updater.chip());
    updater.Plug();
    const uint16_t updaterBcd = bus.BcdDevice(updater.chip());
    ASSERT_NE(updaterBcd, bus.BcdDevice(device.chip()));
    std::atomic<int> toNormal{0};
    device.SetReportWatch([&](const Bytes&) { ++toNormal; });

    const CommandRun version = Run({"version", "--vid", "3C4D", "--pid", "735F"});
    device.SetReportWatch(nullptr);
    EXPECT_EQ(version.rc, cli::kExitOk) << version.out << version.err;
    char expected[32];
    std::snprintf(expected, sizeof expected, "version: 1.0.0.%04X\n", updaterBcd);
    EXPECT_THAT(version.out, HasSubstr(expected));
    EXPECT_EQ(toNormal.load(), 0);
}

// While the job waits for its unit, the other unit is re-plugged on its own
// port first: the operator is told once where the job waits, the job keeps
// waiting for its own unit and ends on it, and the other is never written.
TEST_F(MockCommandLineTest, AnArrivalOnAnotherPortDuringTheReplugIsNamedAndNeverWritten) {
    TestbedChip other{bed, bus, bus.AddFactoryChip(sim::ChipVariant::A)};
    other.Plug();
    const std::string ours = bed.PortOf(device.UsbId());
    const std::string theirs = bed.PortOf(other.UsbId());
    bus.SetEeprom(other.chip(), 0x1000, {static_cast<uint8_t>(~kImageA[0x1000])});
    const Bytes otherBefore = bus.Eeprom(other.chip());
    const std::string line = "a unit arrived on port " + theirs + "; this job waits for port " + ours +
                             ": plug it back into the same port";

    for (const bool json : {false, true}) {
        SCOPED_TRACE(json ? "--json" : "text");
        // The last job left our chip as the updater; it boots normal again.
        if (json) device.Replug();
        std::atomic<int> toOther{0};
        other.SetReportWatch([&](const Bytes&) { ++toOther; });
        // The first job finds its unit by the typed IDs; the second names the
        // port (after the first re-plug either unit may be listed first).
        std::vector<std::string> args = {"write", "--yes"};
        if (json) args.insert(args.end(), {"--json", "--port", ours});
        CommandRun run;
        RunWrite(args, &run, 0, [&] {
            // The worker has let go of the node; give it the moment to say
            // it waits before the wrong unit comes in.
            std::this_thread::sleep_for(50ms);
            other.Replug();
        });
        other.SetReportWatch(nullptr);

        ASSERT_EQ(run.rc, cli::kExitOk) << run.out << run.err;
        EXPECT_EQ(toOther.load(), 0);
        EXPECT_EQ(bus.Eeprom(other.chip()), otherBefore);
        const Bytes eeprom = bus.Eeprom(device.chip());
        EXPECT_TRUE(std::equal(kImageA.begin(), kImageA.end(), eeprom.begin()));
        const auto lines = run.OutLines();
        if (!json) {
            EXPECT_EQ(std::count(lines.begin(), lines.end(), line), 1) << run.out;
            EXPECT_EQ(lines.back(), "result: OK");
            continue;
        }
        std::vector<nlohmann::json> arrivals;
        for (const auto& text : lines) {
            const auto event = nlohmann::json::parse(text);
            if (event["event"] == "arrived-elsewhere") arrivals.push_back(event);
        }
        ASSERT_EQ(arrivals.size(), 1u) << run.out;
        EXPECT_EQ(SchemaMisfit(arrivals[0], "arrivedElsewhere"), "") << arrivals[0].dump();
        EXPECT_EQ(arrivals[0]["arrivedPort"], theirs);
        EXPECT_EQ(arrivals[0]["waitingPort"], ours);
        EXPECT_EQ(arrivals[0]["text"], line);
        EXPECT_EQ(nlohmann::json::parse(lines.back())["status"], "OK");
    }
}

// write --all on two ports: the unit pulled mid-write fails alone with its
// own code, the other is written in full, and the summary names both.
TEST_F(MockCommandLineTest, WriteAllOnTwoPortsReportsEachUnitAndAPullHurtsOnlyItsOwn) {
    TestbedChip other{bed, bus, bus.AddFactoryChip(sim::ChipVariant::A)};
    other.Plug();
    const std::string first = bed.PortOf(device.UsbId());
    const std::string second = bed.PortOf(other.UsbId());
    for (int chip : {device.chip(), other.chip()}) bus.SetEeprom(chip, 8, Bytes(kImageSize - 8, 0xFF));

    const CommandRun run = RunWriteUnits({"write", "--all", "--yes"}, {&device, &other}, 1);
    EXPECT_EQ(run.rc, cli::kExitJobFailed) << run.out << run.err;
    const auto lines = run.OutLines();
    ASSERT_GE(lines.size(), 2u) << run.out;
    std::vector<std::string> summary(lines.end() - 2, lines.end());
    std::vector<std::string> expected = {"[" + first + "] result: OK",
                                         "[" + second + "] result: FAIL 020F0702"};
    // In the order the machine listed the ports.
    std::sort(summary.begin(), summary.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(summary, expected);
    const Bytes eeprom = bus.Eeprom(device.chip());
    EXPECT_TRUE(std::equal(kImageA.begin(), kImageA.end(), eeprom.begin()));
}

// Another job (here: another claim on the same lock folder, as a second
// process would make) holds the unit: the write is refused before anything
// reaches the chip.
TEST_F(MockCommandLineTest, AUnitHeldByAnotherJobIsRefusedBeforeAnyRequest) {
    const std::string port = bed.PortOf(device.UsbId());
    platform_linux::LinuxUnitLocks otherJob(locks.string());
    ASSERT_TRUE(otherJob.TryClaim(port).Claimed());
    std::atomic<int> reports{0};
    device.SetReportWatch([&](const Bytes&) { ++reports; });

    const CommandRun run = Run({"write", "--yes", "--port", port});
    device.SetReportWatch(nullptr);
    EXPECT_EQ(run.rc, cli::kExitUnitBusy) << run.out << run.err;
    EXPECT_THAT(run.err, HasSubstr("held by another job"));
    EXPECT_EQ(reports.load(), 0);
}

// A lock folder that cannot be used (missing; a path that runs through a
// regular file, which even root cannot create anything under) is no other
// job: the command says which folder and why, and exits 6, whether the port
// was given or found.
TEST_F(MockCommandLineTest, ALockFolderThatCannotBeUsedIsNamedNotTakenForAnotherJob) {
    const std::string port = bed.PortOf(device.UsbId());
    const std::filesystem::path missing = locks / "missing";
    const std::filesystem::path file = locks / "a-file";
    std::FILE* plain = std::fopen(file.c_str(), "w");
    ASSERT_NE(plain, nullptr);
    std::fclose(plain);
    std::atomic<int> reports{0};
    device.SetReportWatch([&](const Bytes&) { ++reports; });

    struct Case {
        std::filesystem::path folder;
        std::vector<std::string> args;
        const char* reason;
    };
    const Case cases[] = {
        {missing, {"write", "--yes"}, "No such file or directory"},
        {file / "locks", {"write", "--yes", "--port", port}, "Not a directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder.string());
        const CommandRun run = RunArgs(c.args, nullptr, [&](cli::CommandContext& ctx) {
            ctx.clock = &clock;
            ctx.unitLockFolder = c.folder.string();
        });
        EXPECT_EQ(run.rc, cli::kExitUnitLock) << run.out << run.err;
        EXPECT_THAT(run.err, HasSubstr("the lock of the unit at port " + port + " could not be taken: "));
        EXPECT_THAT(run.err, HasSubstr(c.folder.string()));
        EXPECT_THAT(run.err, HasSubstr(c.reason));
        EXPECT_THAT(run.err + run.out, ::testing::Not(HasSubstr("held")));
    }
    device.SetReportWatch(nullptr);
    EXPECT_FALSE(std::filesystem::exists(missing));
    EXPECT_EQ(reports.load(), 0);
}

// Port text from the command line never becomes a file name unless it is a
// port name.
TEST_F(MockCommandLineTest, AHostilePortIsABadCommandLineAndMakesNoFile) {
    for (const std::string& text : {std::string("../../../tmp/zt-hostile"), std::string(300, '1')}) {
        const CommandRun run = Run({"write", "--yes", "--port", text});
        EXPECT_EQ(run.rc, cli::kExitUsage) << run.err;
        EXPECT_THAT(run.err, HasSubstr("is not a USB port name"));
    }
    EXPECT_TRUE(std::filesystem::is_empty(locks));
}

// The operator puts another board into the port during the re-plug: a chip of
// the other class comes back, and the job ends before writing anything to it.
TEST_F(MockCommandLineTest, AnotherChipClassAtTheRePlugEndsTheJobBeforeAnyWrite) {
    CommandRun run;
    std::atomic<int> writesAfterSwap{0};
    std::atomic<bool> swapped{false};
    RunWrite({"write", "--yes"}, &run, 0, [&] {
        bus.SetRegister(device.chip(), 0xB9, 0x73);
        bus.SetRegister(device.chip(), 0xB8, 0xB5);
        swapped = true;
        device.SetReportWatch([&](const Bytes& report) {
            clock.SetRealTime(false);
            if (report.size() > 2 && report[2] == 0x11) ++writesAfterSwap;
        });
    });
    EXPECT_TRUE(swapped.load());
    EXPECT_EQ(run.rc, cli::kExitJobFailed) << run.out << run.err;
    EXPECT_EQ(run.OutLines().back(), "result: FAIL 010A1201");
    EXPECT_EQ(writesAfterSwap.load(), 0);
}

}  // namespace
}  // namespace zt::test
