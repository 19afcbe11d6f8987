// The tool's queries through the real kernel: what list and version read from
// hidraw and sysfs, several units on one machine, and nodes the user may not open.
#include <sstream>

#include "ChipGadget.h"
#include "KernelBed.h"

namespace zt::kernelbed {
namespace {

using gadget::ChipGadget;
using gadget::ChipGadgetOptions;
using gadget::WireEvent;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

bool ReachedTheChip(const std::vector<WireEvent>& log) {
    for (const auto& e : log)
        if (e.kind == WireEvent::Kind::OutputReport || e.kind == WireEvent::Kind::VendorRequest) return true;
    return false;
}

// The release number is the kernel's bcdDevice from sysfs, which the EEPROM
// does not hold here; the first three fields are the EEPROM's version bytes.
TEST(KernelQueriesTest, ListAndVersionReadTheKernelsView) {
    ZT_REQUIRE_KERNEL_BED();
    ChipGadgetOptions options;
    options.bcdDevice = 0x4321;
    ChipGadget unit(options);
    const auto ids = unit.Ids();
    const std::string pair = Hex4(ids.vendorId) + ":" + Hex4(ids.productId);

    const ToolResult list = RunTool({"list"});
    EXPECT_EQ(list.exitCode, 0) << list.err;
    // port, IDs, role, the kernel's bcdDevice, the gadget's serial, the node
    const auto listed = Lines(list.out);
    ASSERT_EQ(listed.size(), 1u) << list.out;
    EXPECT_EQ(listed[0].rfind("1-", 0), 0u) << listed[0];
    EXPECT_NE(listed[0].find("  " + pair + "  normal  bcd 4321  "), std::string::npos) << listed[0];
    EXPECT_EQ(listed[0].substr(listed[0].size() - 14), "  /dev/hidraw0") << listed[0];

    const ToolResult version =
        RunTool({"version", "--vid", Hex4(ids.vendorId), "--pid", Hex4(ids.productId)});
    EXPECT_EQ(version.exitCode, 0) << version.out << version.err;
    const auto lines = Lines(version.out);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "status: SUCCESS"), lines.end()) << version.out;
    EXPECT_NE(std::find(lines.begin(), lines.end(), "version: 1.0.0.4321"), lines.end()) << version.out;
}

TEST(KernelQueriesTest, TwoUnitsOnTwoControllersAreBothListed) {
    ZT_REQUIRE_KERNEL_BED();
    ChipGadgetOptions first, second;
    second.unit = 1;
    second.variant = sim::ChipVariant::B;
    ChipGadget a(first), b(second);

    const ToolResult list = RunTool({"list"});
    EXPECT_EQ(list.exitCode, 0) << list.err;
    const auto lines = Lines(list.out);
    ASSERT_EQ(lines.size(), 2u) << list.out;
    const auto port = [](const std::string& line) { return line.substr(0, line.find(' ')); };
    EXPECT_NE(lines[0].find(Hex4(a.Ids().vendorId) + ":" + Hex4(a.Ids().productId)), std::string::npos);
    EXPECT_NE(lines[1].find(Hex4(b.Ids().vendorId) + ":" + Hex4(b.Ids().productId)), std::string::npos);
    EXPECT_NE(port(lines[0]), port(lines[1])) << "each unit has its own port";
    EXPECT_NE(lines[0].substr(lines[0].rfind(' ')), lines[1].substr(lines[1].rfind(' ')))
        << "and its own node";
}

// devtmpfs makes hidraw and usbfs nodes root-only: an operator without the
// udev rule gets the one-line hint and exit 3, and the chip hears nothing.
TEST(KernelQueriesTest, WithoutPermissionTheToolSaysSoAndTouchesNothing) {
    ZT_REQUIRE_KERNEL_BED();
    ChipGadget unit(ChipGadgetOptions{});
    ToolRun run;
    run.args = {"write", "--yes"};
    run.user = 65534;  // nobody
    const ToolResult result = RunTool(run);
    EXPECT_EQ(result.exitCode, 3) << result.out << result.err;
    const auto errors = Lines(result.err);
    ASSERT_EQ(errors.size(), 1u) << result.err;
    EXPECT_EQ(errors[0].rfind("No permission to open /dev/hidraw", 0), 0u) << errors[0];
    EXPECT_FALSE(ReachedTheChip(unit.Log()));
}

}  // namespace
}  // namespace zt::kernelbed
