#include <gtest/gtest.h>

#include <string>

#include "host/HostSystem.h"

// A program the tool starts through the system's shell: it reads what it is
// given, what it says is kept up to the cap without blocking it, and how it
// ended is told apart.
namespace zt {
namespace {

#ifdef _WIN32
const char* const kEcho = "more";
const char* const kTalkative = "for /l %i in (1,1,200) do @echo 0123456789";
#else
const char* const kEcho = "cat";
const char* const kTalkative = "yes 0123456789 | head -c 1000000; echo done >&2";
#endif

TEST(ChildProcess, FeedsItsInputKeepsAtMostTheCapAndTellsHowItEnded) {
    ChildOutcome run =
        RunChildProcess({kEcho, "{\"port\":\"1-1.2\"}\n", std::chrono::milliseconds(20000), 1024});
    EXPECT_TRUE(run.Succeeded()) << run.reason;
    EXPECT_EQ(run.out.substr(0, 16), "{\"port\":\"1-1.2\"}");

    run = RunChildProcess({kTalkative, "", std::chrono::milliseconds(20000), 100});
    EXPECT_TRUE(run.Succeeded()) << run.reason;
    EXPECT_EQ(run.out.size(), 100u);
    EXPECT_TRUE(run.outCut);

    run = RunChildProcess({"exit 3", std::string(1 << 20, 'x'), std::chrono::milliseconds(20000), 100});
    EXPECT_EQ(run.kind, ChildOutcome::Kind::Exited);
    EXPECT_EQ(run.exitCode, 3);
}

#ifndef _WIN32
TEST(ChildProcess, OneThatHangsIsKilledWithWhatItStartedAndOneThatCrashesIsTold) {
    // The shell's child holds the pipes too: the time-out ends them both.
    ChildOutcome run = RunChildProcess({"sleep 30 & sleep 30", "", std::chrono::milliseconds(300), 100});
    EXPECT_EQ(run.kind, ChildOutcome::Kind::TimedOut);
    run = RunChildProcess({"kill -SEGV $$", "", std::chrono::milliseconds(20000), 100});
    EXPECT_EQ(run.kind, ChildOutcome::Kind::Crashed);
    EXPECT_EQ(run.exitCode, 11);
}
#endif

}  // namespace
}  // namespace zt
