// The port switch on the kernel's own hub driver: dummy_hcd's root hub says
// it switches each port on its own (so the tool offers it), and switching the
// gadget's port off and on must make the device leave, the chip restart, and
// the device enumerate again.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "ChipGadget.h"
#include "KernelBed.h"
#include "WireCheck.h"
#include "chip/EepromImage.h"
#include "chip/ImageIdentity.h"

namespace zt::kernelbed {
namespace {

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

// Two units on two controllers, written at once with nobody at the station:
// each is switched off and on at its own port and holds its own class's image.
TEST(KernelPortPowerTest, WriteAllReplugsEachUnitAtItsOwnPort) {
    ZT_REQUIRE_KERNEL_BED();
    gadget::ChipGadgetOptions first, second;
    second.unit = 1;
    second.variant = sim::ChipVariant::B;
    gadget::ChipGadget a(first), b(second);
    ToolRun run;
    run.args = {"write", "--all", "--replug", "power"};
    const ToolResult result = RunTool(run);
    ASSERT_FALSE(result.timedOut) << result.out << result.err;
    EXPECT_EQ(result.exitCode, 0) << result.out << "\nSTDERR:\n" << result.err;
    for (auto* unit : {&a, &b}) {
        const auto eeprom = unit->Eeprom();
        const EepromImage& image = unit == &a ? kImageA : kImageB;
        EXPECT_TRUE(std::equal(image.begin(), image.end(), eeprom.begin()))
            << (unit == &a ? "unit A" : "unit B");
        EXPECT_EQ(PacingViolations(unit->Log()), std::vector<std::string>{});
    }
}

// A station with nobody at it: both units are written as found, each gets its
// own serial, is re-plugged by its port once more and confirmed.
TEST(KernelPortPowerTest, StationWritesAndConfirmsEachUnit) {
    ZT_REQUIRE_KERNEL_BED();
    gadget::ChipGadgetOptions first, second;
    second.unit = 1;
    second.variant = sim::ChipVariant::B;
    gadget::ChipGadget a(first), b(second);
    // A serial ledger of this run's own: the counter starts at 7 whatever ran before.
    char ledger[] = "/tmp/zt-kernel-serials-XXXXXX";
    ASSERT_NE(::mkdtemp(ledger), nullptr);
    ::setenv("ZT_STATE_DIR", ledger, 1);
    ToolRun run;
    run.args = {"station", "--replug", "power", "--json", "--stop-after", "2", "--serial", "counter:7"};
    const ToolResult result = RunTool(run);
    ASSERT_FALSE(result.timedOut) << result.out << result.err;
    EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
    std::set<std::string> serials;
    std::istringstream out(result.out);
    for (std::string line; std::getline(out, line);) {
        const auto event = nlohmann::json::parse(line);
        if (event["event"] != "result") continue;
        EXPECT_EQ(event["confirmed"], true) << line;
        serials.insert(event["cameBack"]["serial"].get<std::string>());
    }
    EXPECT_EQ(serials, (std::set<std::string>{"000000000007", "000000000008"})) << result.out;
    for (auto* unit : {&a, &b}) {
        const auto eeprom = unit->Eeprom();
        const EepromImage& image = unit == &a ? kImageA : kImageB;
        const ImageIdentity written = IdentityOf(eeprom);
        EXPECT_TRUE(serials.count(written.serial)) << written.serial;
        EXPECT_EQ(written.productId, IdentityOf(image).productId);
        EXPECT_EQ(PacingViolations(unit->Log()), std::vector<std::string>{});
    }
}

// A unit that enumerates at full speed, as behind a USB 1.1 hub, presents its
// image's full-speed device descriptor: 3C4D:7350, which the kernel reports
// at 12 Mbit/s. It is written and confirmed by that identity, alone with
// write --confirm and at a station.
TEST(KernelPortPowerTest, AUnitAtFullSpeedIsWrittenAndConfirmedByItsFullSpeedIdentity) {
    ZT_REQUIRE_KERNEL_BED();
    gadget::ChipGadgetOptions options;
    options.fullSpeed = true;
    gadget::ChipGadget unit(options);
    ASSERT_EQ(unit.Ids().productId, 0x7350);
    const ImageIdentity fullSpeed = *IdentityOf(kImageA).AtFullSpeed();

    const std::vector<std::vector<std::string>> commands = {
        {"write", "--replug", "power", "--confirm", "--json"},
        {"station", "--replug", "power", "--json", "--stop-after", "1"}};
    for (const auto& args : commands) {
        ToolRun run;
        run.args = args;
        const ToolResult result = RunTool(run);
        ASSERT_FALSE(result.timedOut) << result.out << result.err;
        EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
        size_t confirmed = 0;
        std::istringstream out(result.out);
        for (std::string line; std::getline(out, line);) {
            const auto event = nlohmann::json::parse(line);
            if (event["event"] != "result") continue;
            EXPECT_EQ(event["status"], "OK") << line;
            EXPECT_EQ(event["confirmed"], true) << line;
            EXPECT_EQ(event["cameBack"]["pid"], Hex4(fullSpeed.productId)) << line;
            EXPECT_EQ(event["cameBack"]["serial"], fullSpeed.serial) << line;
            EXPECT_EQ(event["cameBack"]["link"], "full") << line;
            EXPECT_EQ(event["cameBack"]["identity"], "full-speed") << line;
            ++confirmed;
        }
        EXPECT_EQ(confirmed, 1u) << args[0] << "\n" << result.out;
        const auto eeprom = unit.Eeprom();
        EXPECT_TRUE(std::equal(kImageA.begin(), kImageA.end(), eeprom.begin())) << args[0];
        EXPECT_EQ(PacingViolations(unit.Log()), std::vector<std::string>{});
    }
}

// udevd with the package's rule, for one test; stopped and its traces gone
// afterwards, so that the other tests see a guest without udev, as they expect.
class RuleDaemon {
public:
    RuleDaemon() {
        running_ = ::access("/usr/lib/systemd/systemd-udevd", X_OK) == 0 &&
                   std::system("/usr/lib/systemd/systemd-udevd --daemon >/tmp/udevd.log 2>&1") == 0;
    }
    ~RuleDaemon() {
        // Nothing more to do if the daemon is gone already.
        if (running_ && std::system("udevadm control --exit; rm -rf /run/udev") != 0) return;
    }
    bool Running() const { return running_; }
    // Every event so far has been through the rules (false: not within 30 s).
    bool Settle() const { return std::system("udevadm settle --timeout=30") == 0; }

private:
    bool running_ = false;
};

// The `disable` switch of each port a unit of ours sits in.
std::vector<std::string> OurPortSwitches() {
    std::vector<std::string> switches;
    for (const auto& device : std::filesystem::directory_iterator("/sys/bus/usb/devices")) {
        std::string vendor;
        std::ifstream(device.path() / "idVendor") >> vendor;
        const auto disable = device.path() / "port" / "disable";
        if (vendor == "3c4d" && std::filesystem::exists(disable)) switches.push_back(disable.string());
    }
    return switches;
}

// A station user who is not root but in plugdev: udevd and the package's
// rule give the unit and its port's power switch to the group, and a whole
// station job with --replug power runs; the same user outside the group
// cannot open the unit.
TEST(KernelPortPowerTest, APlugdevUserRunsAStationWithPortPowerWithoutRoot) {
    ZT_REQUIRE_KERNEL_BED();
    const RuleDaemon udevd;
    if (!udevd.Running()) GTEST_SKIP() << "no udevd in this bed";
    gadget::ChipGadget unit(gadget::ChipGadgetOptions{});
    udevd.Settle();
    const auto switches = OurPortSwitches();
    ASSERT_EQ(switches.size(), 1u);
    struct stat info {};
    ASSERT_EQ(::stat(switches[0].c_str(), &info), 0);
    EXPECT_EQ(info.st_gid, 46u) << switches[0];
    EXPECT_TRUE(info.st_mode & S_IWGRP) << switches[0];

    ToolRun outsider;
    outsider.user = 1000;
    outsider.args = {"list"};
    EXPECT_EQ(RunTool(outsider).exitCode, 3) << "a user outside plugdev opened the unit";

    ToolRun station;
    station.user = 1000;
    station.groups = {46};
    station.args = {"station", "--replug", "power", "--json", "--stop-after", "1"};
    const ToolResult result = RunTool(station);
    ASSERT_FALSE(result.timedOut) << result.out << result.err;
    EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
    size_t confirmed = 0;
    std::istringstream out(result.out);
    for (std::string line; std::getline(out, line);) {
        const auto event = nlohmann::json::parse(line);
        if (event["event"] == "result" && event["status"] == "OK" && event["confirmed"] == true) ++confirmed;
    }
    EXPECT_EQ(confirmed, 1u) << result.out << result.err;
    const auto eeprom = unit.Eeprom();
    EXPECT_TRUE(std::equal(kImageA.begin(), kImageA.end(), eeprom.begin()));
}

}  // namespace
}  // namespace zt::kernelbed
