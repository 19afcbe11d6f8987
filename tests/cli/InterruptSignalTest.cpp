// Ctrl-C and SIGTERM during a command: caught once, then the default again,
// and whatever handled them before the command handles them after it.
#include <gtest/gtest.h>
#include <signal.h>

#include "cli/InterruptSignal.h"

namespace zt::cli {
namespace {

volatile sig_atomic_t outsideCalls = 0;
extern "C" void OutsideHandler(int) { outsideCalls = outsideCalls + 1; }

void (*Disposition(int signal))(int) {
    struct sigaction current {};
    ::sigaction(signal, nullptr, &current);
    return current.sa_handler;
}

class InterruptSignalGuard : public ::testing::Test {
protected:
    void SetUp() override {
        outsideCalls = 0;
        previousInt_ = std::signal(SIGINT, OutsideHandler);
        previousTerm_ = std::signal(SIGTERM, OutsideHandler);
    }
    void TearDown() override {
        std::signal(SIGINT, previousInt_);
        std::signal(SIGTERM, previousTerm_);
        InterruptSignal::Clear();
    }

private:
    void (*previousInt_)(int) = SIG_DFL;
    void (*previousTerm_)(int) = SIG_DFL;
};

TEST_F(InterruptSignalGuard, TheFirstSignalIsAFlagTheSecondEndsTheProcessAndTheOldHandlerComesBack) {
    {
        InterruptSignal guard;
        EXPECT_FALSE(InterruptSignal::Requested());
        ::raise(SIGTERM);
        EXPECT_TRUE(InterruptSignal::Requested());
        EXPECT_EQ(InterruptSignal::Signal(), SIGTERM);
        // A second SIGTERM would end the process; a Ctrl-C after it is still
        // caught but does not change which signal asked first.
        EXPECT_EQ(Disposition(SIGTERM), SIG_DFL);
        ::raise(SIGINT);
        EXPECT_EQ(InterruptSignal::Signal(), SIGTERM);
        EXPECT_EQ(Disposition(SIGINT), SIG_DFL);
        EXPECT_EQ(outsideCalls, 0);
    }
    EXPECT_EQ(Disposition(SIGINT), OutsideHandler);
    EXPECT_EQ(Disposition(SIGTERM), OutsideHandler);
    ::raise(SIGINT);
    EXPECT_EQ(outsideCalls, 1);
}

TEST_F(InterruptSignalGuard, AnInnerGuardLeavesTheOuterOneCatching) {
    InterruptSignal outer;
    { InterruptSignal inner; }
    ::raise(SIGINT);
    EXPECT_EQ(InterruptSignal::Signal(), SIGINT);
    EXPECT_EQ(outsideCalls, 0);
}

}  // namespace
}  // namespace zt::cli
