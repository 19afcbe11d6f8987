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
#include "station/presentation/JsonEvents.h"
#include "station/records/StationLog.h"
#include "station/unit/DialogSession.h"
#include "station/unit/UiLoop.h"
#include "station/unit/UnitConfirmation.h"

namespace zt::cli {

using namespace zt::station;
namespace {

using ::testing::HasSubstr;

TEST(DeviceUiLoop, RunsPostedTasksInOrderOnItsOwnThread) {
    UiLoop loop;
    std::vector<int> ran;
    std::atomic<bool> otherThread{false};
    const auto uiThread = std::this_thread::get_id();
    std::thread poster([&] {
        for (int i = 0; i < 100; ++i)
            loop.Post([&, i] {
                ran.push_back(i);
                if (std::this_thread::get_id() != uiThread) otherThread = true;
            });
        // Returns only once the loop has run all hundred.
        EXPECT_TRUE(loop.Flush());
        loop.Post([&] { ran.push_back(-1); });
    });
    loop.RunUntil([&] { return !ran.empty() && ran.back() == -1; });
    poster.join();
    ASSERT_EQ(ran.size(), 101u);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(ran[static_cast<size_t>(i)], i);
    EXPECT_FALSE(otherThread);
}

TEST(DeviceUiLoop, CloseReleasesWaitersAndDropsLaterTasks) {
    // A worker flushing while the user-interface thread is busy in the close
    // procedure must not wait forever.
    UiLoop loop;
    loop.Post([] {});
    std::atomic<int> flushResult{-1};
    std::thread worker([&] { flushResult = loop.Flush() ? 1 : 0; });
    std::this_thread::sleep_for(std::chrono::milliseconds(5));  // let it block; the loop is not running
    loop.Close();
    worker.join();
    EXPECT_EQ(flushResult, 0);

    bool ran = false;
    loop.Post([&] { ran = true; });
    loop.RunPending();
    EXPECT_FALSE(ran);
}

TEST(DeviceUiLoop, TimersTickOnTheLoopUntilStopped) {
    UiLoop loop;
    int ticks = 0;
    loop.StartTimer(7, 1, [&](uint32_t id) {
        EXPECT_EQ(id, 7u);
        if (++ticks == 3) loop.StopTimer(7);
    });
    loop.RunUntil([&] { return ticks >= 3; });
    EXPECT_EQ(ticks, 3);
}

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

TEST(DeviceConsoleSession, NoticesReachTheDialogOnTheUserInterfaceThread) {
    // A re-plug while no job runs: the removal closes the connection, the
    // arrival makes the idle worker open it again, as in the window system.
    sim::SimulatedMachine backend(sim::SimulatedMachine::Options{sim::ChipVariant::A, false, {}, true});
    std::ostringstream out;
    TextConsoleView view(out, false);
    std::istringstream none;
    OperatorInput input(&none);
    DialogSession session(backend.AsPlatform(), view, input, DialogSession::Options{});
    session.Start();
    auto& dlg = session.Dialog();
    ASSERT_EQ(dlg.hidLink.isOpen.load(), 1u);

    backend.Bus().Unplug();
    session.RunFor(std::chrono::milliseconds(0));
    for (int i = 0; i < 1000 && dlg.hidLink.isOpen.load(); ++i) session.RunFor(std::chrono::milliseconds(1));
    EXPECT_EQ(dlg.hidLink.isOpen.load(), 0u);

    backend.Bus().Plug();
    for (int i = 0; i < 1000 && !dlg.hidLink.isOpen.load(); ++i) session.RunFor(std::chrono::milliseconds(1));
    EXPECT_EQ(dlg.hidLink.isOpen.load(), 1u);
    EXPECT_EQ(dlg.deviceProductId.load(), 0x7351);
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
        DialogSession session(machine.AsPlatform(), view, input,
                              DialogSession::Options{true, [&machine] {
                                                         machine.ReplugRequested();
                                                         return false;
                                                     }});
        session.Dialog().jobTexts = {"Job", "Re-plug the board now.", "Done."};
        session.Start();
        const JobOutcome outcome = session.WriteEeprom().outcome;
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
    DialogSession session(unit.AsPlatform(), view, input,
                          DialogSession::Options{true, [&] {
                                                     machine.Bus().Replug(other);  // the wrong port first
                                                     machine.Hands()->Replug(unit.Port());
                                                     return false;
                                                 }});
    session.Start();
    session.WatchArrivalsElsewhere(unit);
    unit.BindOnJobOpen();
    EXPECT_EQ(session.WriteEeprom().outcome, JobOutcome::Ok());
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
    DialogSession session(
        machine.AsPlatform(), view, input,
        DialogSession::Options{true, {}, [&] { return clock.NowUs() >= interruptAtUs.load(); }});
    session.Start();
    const uint64_t startUs = clock.NowUs();
    interruptAtUs = startUs + 100'000;
    std::string status;
    EXPECT_EQ(session.GetFirmwareVersion(&status), std::nullopt);
    EXPECT_EQ(status, "FAIL");
    EXPECT_LT(clock.NowUs() - startUs, 1'000'000u);
    session.Close();
}

}  // namespace
}  // namespace zt::cli
