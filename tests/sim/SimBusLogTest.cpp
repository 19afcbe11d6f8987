#include <gtest/gtest.h>

#include "sim/SimBus.h"
#include "sim/SimClock.h"
#include "sim/SimHost.h"

namespace zt::sim {
namespace {

using test::SimHost;
using Kind = SimLogEntry::Kind;

// A chip that answers every request with hundreds of stale replies used to
// leave each one in the log for the bus's whole life (a single job reached
// 170 MB). The log keeps the newest entries up to its capacity and counts the
// rest, so the end of the traffic, which tests and the pacing bench read, is
// still there.
TEST(SimBusLog, FloodOfRepliesKeepsOnlyTheNewestEntries) {
    SimClock clock;
    SimBus bus{clock};
    bus.AddChip(ChipVariant::A, {});
    SimHost host{bus};
    ASSERT_TRUE(host.Open());
    bus.ClearLog();
    bus.Faults().wrongTagRepliesBefore = 299;

    constexpr int kRequests = 250;  // 250 x (1 request + 300 replies) > the default capacity
    for (int i = 1; i <= kRequests; ++i) {
        host.Send(SimHost::RegisterRead(static_cast<uint8_t>(i), 0xB9));
        for (int r = 0; r < 300; ++r) host.Receive();
    }

    const auto log = bus.Log();
    const uint64_t produced = kRequests * 301;
    ASSERT_EQ(log.size(), SimBus::kDefaultLogCapacity);
    EXPECT_EQ(bus.LogDropped(), produced - log.size());
    ASSERT_EQ(log.back().kind, Kind::InputReport);
    EXPECT_EQ(log.back().bytes[7], static_cast<uint8_t>(kRequests));  // the last right reply

    // A smaller capacity drops the oldest at once; clearing starts the count afresh.
    bus.SetLogCapacity(10);
    EXPECT_EQ(bus.Log().size(), 10u);
    EXPECT_EQ(bus.Log().back().bytes, log.back().bytes);
    bus.ClearLog();
    EXPECT_EQ(bus.LogDropped(), 0u);
}

}  // namespace
}  // namespace zt::sim
