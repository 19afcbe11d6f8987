// The Windows build under Wine over the guest's real HID stack: Wine's UDEV
// bus opens the gadget's hidraw node and presents it as a Windows HID
// device, so the tool's SetupAPI lookup, overlapped reads and writes and
// device notices all run against a real kernel. The chip model on the
// gadget side checks what reached it, as for the Linux build.
#include <algorithm>
#include <sstream>

#include "ChipGadget.h"
#include "KernelBed.h"
#include "WireCheck.h"
#include "chip/EepromImage.h"
#include "sim/SimBus.h"

namespace zt::kernelbed {
namespace {

using gadget::ChipGadget;
using gadget::ChipGadgetOptions;

#define ZT_REQUIRE_WINE_BED()                                                                        \
    do {                                                                                             \
        if (::zt::kernelbed::BedWindowsTool().empty())                                               \
            GTEST_SKIP() << "runs inside the kernel test bed booted with --wine-tool zt51xx-mp.exe"; \
    } while (0)

// Wine's first program of a boot starts its services and drivers, which
// takes up to half a minute under emulation. A whole job takes over a
// minute, and several on a host whose cores are busy with other work.
constexpr std::chrono::seconds kWineLimit{480};

ToolRun Windows(std::vector<std::string> args) {
    ToolRun run;
    run.args = std::move(args);
    run.windows = true;
    run.limit = kWineLimit;
    return run;
}

// The operator at the prompt: pulls the cable, plugs it back, presses Enter.
ToolRun WriteWithReplug(ChipGadget& unit, std::function<void()> atPrompt = nullptr) {
    ToolRun run = Windows({"write"});
    run.onLine = [&unit, atPrompt](const std::string& line) -> std::string {
        if (!IsReplugPrompt(line)) return "";
        if (atPrompt)
            atPrompt();
        else
            unit.Replug();
        return "\n";
    };
    return run;
}

bool HasLine(const std::string& text, const std::string& wanted) {
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (line == wanted) return true;
    return false;
}

void ExpectImage(const ChipGadget& unit, const EepromImage& image) {
    const auto eeprom = unit.Eeprom();
    ASSERT_GE(eeprom.size(), kImageSize);
    for (uint32_t a = 0; a < kImageSize; ++a) ASSERT_EQ(eeprom[a], image[a]) << "EEPROM address " << a;
}

// Wine has no USB hub IOCTLs, so version finds no USB tree and reads the
// release number from the HID attributes, which carry the bcdDevice.
TEST(KernelWineTest, ListAndVersionFindTheUnitThroughWinesHidStack) {
    ZT_REQUIRE_WINE_BED();
    ChipGadgetOptions options;
    options.bcdDevice = 0x4321;
    ChipGadget unit(options);
    const std::string pair = Hex4(unit.Ids().vendorId) + ":" + Hex4(unit.Ids().productId);

    const ToolResult list = RunTool(Windows({"list"}));
    ASSERT_FALSE(list.timedOut) << list.out << list.err;
    EXPECT_EQ(list.exitCode, 0) << list.out << list.err;
    EXPECT_NE(list.out.find("  " + pair + "  normal  "), std::string::npos) << list.out;
    EXPECT_EQ(std::count(list.out.begin(), list.out.end(), '\n'), 1) << list.out;

    const ToolResult version = RunTool(
        Windows({"version", "--vid", Hex4(unit.Ids().vendorId), "--pid", Hex4(unit.Ids().productId)}));
    ASSERT_FALSE(version.timedOut) << version.out << version.err;
    EXPECT_EQ(version.exitCode, 0) << version.out << version.err;
    EXPECT_TRUE(HasLine(version.out, "status: SUCCESS")) << version.out;
    EXPECT_TRUE(HasLine(version.out, "version: 1.0.0.4321")) << version.out;
}

// The re-plug is seen through the HID-interface arrival, the only notice
// Wine sends: without it the job waits in vain and ends with 010A0D02.
TEST(KernelWineTest, WholeJobOnANormalUnitWithTheReplug) {
    ZT_REQUIRE_WINE_BED();
    ChipGadget unit(ChipGadgetOptions{});
    const auto factory = unit.Ids();

    const ToolResult result = RunTool(WriteWithReplug(unit));
    ASSERT_FALSE(result.timedOut) << result.out << result.err;
    EXPECT_EQ(result.ResultLine(), "result: OK") << result.out << result.err;
    EXPECT_EQ(result.exitCode, 0);
    ExpectImage(unit, kImageA);
    const auto log = unit.Log();
    EXPECT_EQ(RequestShape(log), ExpectedJobShape(factory, 0x735E));
    EXPECT_EQ(PacingViolations(log), std::vector<std::string>{});
}

// A unit whose header was erased boots as the updater: no erase and no
// re-plug, straight to the header and the body.
TEST(KernelWineTest, WholeJobOnAnUpdaterUnit) {
    ZT_REQUIRE_WINE_BED();
    ChipGadgetOptions options;
    options.variant = sim::ChipVariant::B;
    options.eeprom = sim::FactoryEeprom(sim::ChipVariant::B);
    std::fill(options.eeprom.begin(), options.eeprom.begin() + 8, uint8_t{0xFF});
    ChipGadget unit(options);
    ASSERT_EQ(unit.Ids().productId, 0x735F);

    const ToolResult result = RunTool(Windows({"write", "--yes"}));
    ASSERT_FALSE(result.timedOut) << result.out << result.err;
    EXPECT_EQ(result.ResultLine(), "result: OK") << result.out << result.err;
    EXPECT_EQ(result.exitCode, 0);
    ExpectImage(unit, kImageB);
    const auto log = unit.Log();
    // The normal unit's job from the updater's plug on.
    auto expected = ExpectedJobShape(unit.Ids(), 0x735F);
    expected.erase(expected.begin(), std::find(expected.begin(), expected.end(), "unplug") + 1);
    EXPECT_EQ(RequestShape(log), expected);
    EXPECT_EQ(PacingViolations(log), std::vector<std::string>{});
}

TEST(KernelWineTest, UnitPulledMidBodyEndsWithItsCode) {
    ZT_REQUIRE_WINE_BED();
    ChipGadget unit(ChipGadgetOptions{});
    const ToolResult pulled = RunTool(WriteWithReplug(unit, [&unit] {
        unit.Replug();
        // A few hundred reports into the body write, which takes thousands.
        const uint64_t at = unit.OutputReportCount() + 300;
        unit.WithModel([at](sim::SimChipModel& chip) { chip.faults().unplugAtRequest = at; });
    }));
    ASSERT_FALSE(pulled.timedOut) << pulled.out << pulled.err;
    EXPECT_EQ(pulled.ResultLine(), "result: FAIL 020F0702") << pulled.out << pulled.err;
    EXPECT_EQ(pulled.exitCode, 1);
    EXPECT_FALSE(unit.Plugged());
}

}  // namespace
}  // namespace zt::kernelbed
