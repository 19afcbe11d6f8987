// When the tool offers to re-plug a unit by switching its hub port.
#include <gtest/gtest.h>

#include "platform/linux/HubPowerSwitching.h"

namespace zt::platform_linux {
namespace {

TEST(HubPowerSwitching, OfferedOnlyWhereTheHubSwitchesEachPortAndTheUserMayWriteTheSwitch) {
    // Bits above 1:0 (compound device, over-current mode, think time) do not matter.
    const auto perPort = PowerSwitchingOf(0x00A9);
    const auto ganged = PowerSwitchingOf(0x00A8);
    EXPECT_EQ(perPort, HubPowerSwitching::kPerPort);
    EXPECT_EQ(ganged, HubPowerSwitching::kGanged);
    EXPECT_EQ(PowerSwitchingOf(0x0002), HubPowerSwitching::kNone);
    EXPECT_EQ(PowerSwitchingOf(0x0003), HubPowerSwitching::kNone);
    EXPECT_EQ(PowerSwitchingOf(std::nullopt), HubPowerSwitching::kUnknown);

    EXPECT_EQ(PortPowerRefusal("1-2.3", perPort, true), "");
    struct Refused {
        HubPowerSwitching switching;
        bool mayWrite;
        const char* reason;
    };
    for (const Refused& r :
         {Refused{perPort, false, "may not"}, Refused{ganged, true, "all its ports together"},
          Refused{ganged, false, "all its ports together"},
          Refused{HubPowerSwitching::kNone, true, "cannot switch"},
          Refused{HubPowerSwitching::kNone, false, "cannot switch"},
          Refused{HubPowerSwitching::kUnknown, true, "hub descriptor"},
          Refused{HubPowerSwitching::kUnknown, false, "may not"}}) {
        const std::string refusal = PortPowerRefusal("1-2.3", r.switching, r.mayWrite);
        SCOPED_TRACE(refusal);
        EXPECT_NE(refusal.find("1-2.3"), std::string::npos);
        EXPECT_NE(refusal.find(r.reason), std::string::npos);
        EXPECT_EQ(refusal.find('\n'), std::string::npos);
    }
}

}  // namespace
}  // namespace zt::platform_linux
