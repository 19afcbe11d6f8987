// The kernel's port switch as the Linux backend finds and works it: through
// the device's `port` link, on the hub the device really hangs from.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "UsbTestbed.h"
#include "platform/linux/LinuxPortPower.h"

namespace zt::test {
namespace {

using platform_linux::LinuxPortPower;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::string text;
    std::getline(in, text);
    return text;
}

// Records what the port's switch holds while the port is meant to be off.
struct SwitchWatchingClock final : Clock {
    std::string switchFile;
    std::string whileOff;
    uint32_t slept = 0;
    void SleepMs(uint32_t ms) override {
        whileOff = ReadFile(switchFile);
        slept += ms;
    }
    uint64_t NowUs() const override { return slept * 1000ull; }
};

TEST(MockPortPower, FindsTheSwitchThroughThePortLinkAndCyclesIt) {
    UsbTestbed bed;
    ASSERT_TRUE(bed.Mocked()) << "run this binary under umockdev-wrapper";
    UsbTestbed::DeviceSpec hubSpec;
    hubSpec.deviceClass = 0x09;
    hubSpec.interfaceClass = 0x09;
    hubSpec.port = "1-2";
    const int hub = bed.Add(hubSpec);
    UsbTestbed::DeviceSpec unitSpec;
    unitSpec.parent = bed.UsbPath(hub);
    unitSpec.port = "1-2.3";
    const int unit = bed.Add(unitSpec);
    // The port folder lies in the interface of the hub the unit hangs from,
    // not in the root hub's, so the test also checks which hub is asked.
    const std::string portFolder = bed.UsbPath(hub) + "/1-2:1.0/1-2-port3";
    std::filesystem::create_directories(bed.RootDir() + portFolder);
    { std::ofstream(bed.RootDir() + portFolder + "/disable") << "0\n"; }
    std::filesystem::create_symlink("../1-2:1.0/1-2-port3", bed.RootDir() + bed.UsbPath(unit) + "/port");

    SwitchWatchingClock clock;
    clock.switchFile = bed.RootDir() + portFolder + "/disable";
    std::string askedHub;
    uint16_t characteristics = 0x0001;  // each port on its own
    LinuxPortPower power(clock, [&](const std::string& hubSysPath) -> std::optional<uint16_t> {
        askedHub = hubSysPath;
        return characteristics;
    });

    EXPECT_EQ(power.Unavailable("1-2.3"), "");
    EXPECT_EQ(askedHub, bed.UsbPath(hub));
    characteristics = 0x0000;  // ganged
    EXPECT_NE(power.Unavailable("1-2.3"), "");
    EXPECT_NE(power.Unavailable("1-9").find("no USB device on port 1-9"), std::string::npos);
    EXPECT_NE(power.Unavailable("../../..").find("no USB device"), std::string::npos);
    // A device the kernel names no port for (as for the hub's own absent link).
    EXPECT_NE(power.Unavailable("1-2").find("no hub port"), std::string::npos);

    ASSERT_EQ(power.Cycle("1-2.3", 1500), kOk);
    EXPECT_EQ(clock.whileOff, "1");
    EXPECT_EQ(clock.slept, 1500u);
    EXPECT_EQ(ReadFile(clock.switchFile), "0");
    EXPECT_LT(power.Cycle("1-9", 1500), 0);
}

}  // namespace
}  // namespace zt::test
