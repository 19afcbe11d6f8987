// The port switch on the kernel's own hub driver: dummy_hcd's root hub says
// it switches each port on its own, and switching the gadget's port off and
// on must make the device leave, the chip restart, and the device enumerate
// again.
#include <glob.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "ChipGadget.h"
#include "KernelBed.h"
#include "WireCheck.h"
#include "job/EepromImage.h"
#include "platform/linux/LinuxPortPower.h"

namespace zt::kernelbed {
namespace {

using namespace std::chrono_literals;

bool Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

// The sysfs name of the device on unit 0's virtual bus ("B-1").
std::string GadgetPort() {
    glob_t found{};
    std::string port;
    if (::glob("/sys/devices/platform/dummy_hcd.0/usb*/*-1", 0, nullptr, &found) == 0 && found.gl_pathc > 0) {
        port = found.gl_pathv[0];
        port = port.substr(port.rfind('/') + 1);
    }
    ::globfree(&found);
    return port;
}

bool HasHidraw(const std::string& port) {
    glob_t found{};
    const std::string pattern = "/sys/bus/usb/devices/" + port + "/" + port + ":1.*/*/hidraw/hidraw*";
    const bool present = ::glob(pattern.c_str(), 0, nullptr, &found) == 0 && found.gl_pathc > 0;
    ::globfree(&found);
    return present;
}

// Real time, watching whether the device is gone while the port is off.
struct WatchingClock final : Clock {
    std::string devicePath;
    bool leftWhileOff = false;
    void SleepMs(uint32_t ms) override {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < end) {
            if (!Exists(devicePath)) leftWhileOff = true;
            std::this_thread::sleep_for(10ms);
        }
    }
    uint64_t NowUs() const override {
        return std::chrono::duration_cast<std::chrono::microseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
};

TEST(KernelPortPowerTest, CyclingTheGadgetsPortMakesItLeaveAndComeBack) {
    ZT_REQUIRE_KERNEL_BED();
    gadget::ChipGadget unit(gadget::ChipGadgetOptions{});
    const std::string port = GadgetPort();
    ASSERT_FALSE(port.empty());

    WatchingClock clock;
    clock.devicePath = "/sys/bus/usb/devices/" + port;
    platform_linux::LinuxPortPower power(clock);
    ASSERT_EQ(power.Unavailable(port), "");

    // A blank header: the chip boots as its updater device, so what comes
    // back shows that the power cut restarted it.
    unit.WithModel([](sim::SimChipModel& chip) { chip.SetEeprom(0, std::vector<uint8_t>(8, 0xFF)); });
    ASSERT_EQ(power.Cycle(port, 1000), kOk);
    EXPECT_TRUE(clock.leftWhileOff) << "the device stayed while its port was off";
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!HasHidraw(port) && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(10ms);
    EXPECT_TRUE(HasHidraw(port)) << "the device did not come back after its port was switched on";
    std::ifstream product(clock.devicePath + "/idProduct");
    std::string productId;
    product >> productId;
    EXPECT_EQ(productId, "735e") << "the chip did not boot again";
}

// The whole job with nobody at the station: the tool switches the port off
// and on where the operator would re-plug, and the restarted chip is written.
TEST(KernelPortPowerTest, WriteReplugsByPortPowerWithoutAPrompt) {
    ZT_REQUIRE_KERNEL_BED();
    gadget::ChipGadget unit(gadget::ChipGadgetOptions{});
    ToolRun run;
    run.args = {"write", "--replug", "power"};
    bool prompted = false;
    run.onLine = [&prompted](const std::string& line) -> std::string {
        if (!IsReplugPrompt(line)) return "";
        prompted = true;
        return "\n";
    };
    const ToolResult result = RunTool(run);
    ASSERT_FALSE(result.timedOut) << result.out << result.err;
    EXPECT_EQ(result.ResultLine(), "result: OK") << result.out << result.err;
    EXPECT_FALSE(prompted) << result.out;

    const auto eeprom = unit.Eeprom();
    for (uint32_t a = 0; a < kImageSize; ++a) ASSERT_EQ(eeprom[a], kImageA[a]) << "EEPROM address " << a;
    const auto shape = RequestShape(unit.Log());
    const auto unplug = std::find(shape.begin(), shape.end(), "unplug");
    ASSERT_NE(unplug, shape.end());
    ASSERT_NE(unplug + 1, shape.end());
    EXPECT_EQ(*(unplug + 1), "plug 3C4D:735E") << "the chip should come back as its updater device";
    EXPECT_EQ(PacingViolations(unit.Log()), std::vector<std::string>{});
}

}  // namespace
}  // namespace zt::kernelbed
