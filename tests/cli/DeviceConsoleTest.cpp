#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <sstream>
#include <thread>
#include <vector>

#include "app/DialogTemplate.h"
#include "cli/TextConsoleView.h"
#include "device/PortScope.h"
#include "sim/SimulatedMachine.h"
#include "station/JobRunner.h"
#include "station/JsonEvents.h"
#include "station/StationLog.h"
#include "station/UnitConfirmation.h"

namespace zt::cli {

using namespace zt::station;
namespace {

using ::testing::HasSubstr;

TEST(DeviceTextView, ProgressIsSparseInLogsAndRedrawnOnATerminal) {
    // The positions of one job: body 0..50, read-back 49..99, then 100.
    std::vector<int> positions;
    for (int p = 0; p <= 50; ++p) positions.push_back(p);
    for (int p = 49; p <= 99; ++p) positions.push_back(p);
    positions.push_back(100);

    std::ostringstream log;
    TextConsoleView logView(log, false);
    for (int p : positions) logView.Progress(p);
    logView.Result(JobOutcome::Ok());
    const std::string text = log.str();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 12);  // 0, 10 .. 100, result
    EXPECT_THAT(text, HasSubstr("progress: 0%\n"));
    EXPECT_THAT(text, HasSubstr("progress: 100%\nresult: OK\n"));

    std::ostringstream tty;
    TextConsoleView ttyView(tty, true);
    for (int p : positions) ttyView.Progress(p);
    ttyView.Result(JobOutcome::Failed({2, 0x0F, 7, 2}));
    const std::string screen = tty.str();
    EXPECT_EQ(std::count(screen.begin(), screen.end(), '\n'), 2);  // the bar's line, the result
    EXPECT_THAT(screen,
                HasSubstr("\r[########################################] 100%\nresult: FAIL 020F0702\n"));
}

// A backend that cannot tell a unit's port (Wine's HID stack) must not have
// a guess, a bare "?" or nothing at all read as a port by whoever reads on.
TEST(DeviceTextView, AnUnknownPortIsSaidPlainlyInTheListTheEventsAndTheLog) {
    station::PresentDevice device;
    device.vendorId = 0x3C4D;
    device.productId = 0x7351;
    device.path = "\\\\?\\hid#vid_3c4d&pid_7351&mi_01#7&1&0&0000";
    std::ostringstream list;
    TextConsoleView(list, false).Device(device);
    EXPECT_THAT(list.str(), ::testing::StartsWith("port unknown  3C4D:7351  normal"));

    std::ostringstream events;
    station::JsonEvents(events).Device(device);
    EXPECT_THAT(events.str(), HasSubstr("\"portNote\":\"port unknown\""));
    EXPECT_THAT(events.str(), ::testing::Not(HasSubstr("\"port\":")));

    station::StationRecord record;
    EXPECT_THAT(station::FormatStationRecord(record), HasSubstr("\"portNote\":\"port unknown\""));
    record.port = "1-1.2";
    EXPECT_THAT(station::FormatStationRecord(record), ::testing::Not(HasSubstr("portNote")));
}

// A serial string a unit reports reaches the terminal as text: neither the
// list nor the confirmation line passes on its escape sequence or bell.
TEST(DeviceTextView, AUnitsSerialStringIsShownEscaped) {
    station::PresentDevice device;
    device.port = "1-1.2";
    device.serial = "Z\x1B]2;x\x07\\";
    std::ostringstream list;
    TextConsoleView(list, false).Device(device);
    EXPECT_THAT(list.str(), HasSubstr("serial Z\\x1B]2;x\\x07\\\\ "));

    station::Confirmation confirmation;
    confirmation.cameBack = ImageIdentity{0x3C4D, 0x7351, 0x0100, device.serial};
    const std::string line = station::DescribeConfirmation(ImageIdentity{}, confirmation);
    EXPECT_THAT(line, HasSubstr("serial \"Z\\x1B]2;x\\x07\\\\\""));
    for (const std::string& text : {list.str(), line})
        EXPECT_EQ(text.find_first_of("\x1B\x07"), std::string::npos) << text;
}

TEST(DeviceConsoleSession, NoticesReachTheJobWhileNoJobRuns) {
    // A re-plug while no job runs: the removal closes the connection, the
    // arrival makes the idle worker open it again, as in the window system.
    sim::SimulatedMachine backend(sim::SimulatedMachine::Options{sim::ChipVariant::A, false, {}, true});
    std::ostringstream out;
    TextConsoleView view(out, false);
    std::istringstream none;
    OperatorInput input(&none);
    JobRunner session(backend.AsPlatform(), view, input, JobRunner::Options{});
    session.Start();
    const auto linkOpen = [&] { return session.Job().State().linkOpen; };
    const auto waitFor = [](auto done) {
        for (int i = 0; i < 1000 && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    };
    ASSERT_TRUE(linkOpen());

    backend.Bus().Unplug();
    waitFor([&] { return !linkOpen(); });
    EXPECT_FALSE(linkOpen());

    backend.Bus().Plug();
    waitFor(linkOpen);
    EXPECT_TRUE(linkOpen());
    EXPECT_EQ(session.Job().State().openIds.productId, 0x7351);
    session.Close();
}

TEST(DeviceConsoleSession, OutcomesDoNotDependOnTheOperatorTexts) {
    // The console learns the prompt and the result from the dialog's events:
    // reworded boxes still give an answered prompt and the right outcomes.
    for (const bool fails : {false, true}) {
        sim::SimulatedMachine::Options options;
        options.simulatedClock = true;
        if (fails) options.faults.headerWontClear = true;
        sim::SimulatedMachine machine(options);
        std::ostringstream out;
        TextConsoleView view(out, false);
        std::istringstream none;
        OperatorInput input(&none);
        JobRunner session(machine.AsPlatform(), view, input, JobRunner::Options{true, [&machine] {
                                                                                    machine.ReplugRequested();
                                                                                    return false;
                                                                                }});
        session.Job().SetTexts({"Job", "Re-plug the board now.", "Done."});
        session.Start();
        const JobOutcome outcome = session.Write({}).outcome;
        session.Close();
        if (fails) {
            EXPECT_EQ(outcome.kind, ResultKind::Failed);
            EXPECT_EQ(outcome.Code(), 0x010A1003u);
        } else {
            EXPECT_EQ(outcome, JobOutcome::Ok());
        }
        EXPECT_THAT(out.str(), HasSubstr("Re-plug the board now.\n(continuing by itself)\n"));
    }
}

// A unit plugged into another port while the job waits for its own is named
// at once; the job goes on waiting for its port and never writes the other.
TEST(DeviceConsoleSession, AUnitArrivingElsewhereDuringTheRePlugIsNamedAndNotWritten) {
    sim::SimulatedMachine::Options options;
    options.simulatedClock = true;
    options.units = 2;
    sim::SimulatedMachine machine(options);
    const int other = machine.Chip() + 1;
    const auto otherBefore = machine.Bus().Eeprom(other);
    PortScope unit(machine.AsPlatform(), machine.Locks());
    std::ostringstream out;
    TextConsoleView view(out, false);
    std::istringstream none;
    OperatorInput input(&none);
    JobRunner session(unit.AsPlatform(), view, input,
                      JobRunner::Options{true, [&] {
                                             machine.Bus().Replug(other);  // the wrong port first
                                             machine.Hands()->Replug(unit.Port());
                                             return false;
                                         }});
    session.Start();
    session.WatchArrivalsElsewhere(unit);
    unit.BindOnJobOpen();
    EXPECT_EQ(session.Write({}).outcome, JobOutcome::Ok());
    session.Close();
    EXPECT_THAT(out.str(),
                HasSubstr("a unit arrived on port 1-1.2; this job waits for port 1-1.1: plug it back "
                          "into the same port\n"));
    EXPECT_EQ(machine.Bus().Eeprom(other), otherBefore);
}

TEST(DeviceConsoleSession, InterruptCutsAWaitingReadShort) {
    // A chip that never answers keeps the version query (on the user-interface
    // thread) in a read of 5000 ms; Ctrl-C 100 ms into it ends the wait then.
    sim::SimulatedMachine::Options options;
    options.simulatedClock = true;
    options.faults.noReply = true;
    sim::SimulatedMachine machine(options);
    std::ostringstream out;
    TextConsoleView view(out, false);
    std::istringstream none;
    OperatorInput input(&none);
    const Clock& clock = machine.BusClock();
    std::atomic<uint64_t> interruptAtUs{UINT64_MAX};
    JobRunner session(machine.AsPlatform(), view, input,
                      JobRunner::Options{true, {}, [&] { return clock.NowUs() >= interruptAtUs.load(); }});
    session.Start();
    const uint64_t startUs = clock.NowUs();
    interruptAtUs = startUs + 100'000;
    std::string status;
    EXPECT_EQ(session.FirmwareVersion({}, &status), std::nullopt);
    EXPECT_EQ(status, "FAIL");
    EXPECT_LT(clock.NowUs() - startUs, 1'000'000u);
    session.Close();
}

}  // namespace
}  // namespace zt::cli
