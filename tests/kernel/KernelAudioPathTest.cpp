// The audio-driver path through the real kernel: libusb control transfers on
// usbfs, through dummy_hcd, to FunctionFS endpoint 0 on the gadget side. The
// unit's input reports are too short for the commands, which forces the path.
#include "ChipGadget.h"
#include "KernelBed.h"
#include "WireCheck.h"
#include "chip/EepromImage.h"

namespace zt::kernelbed {
namespace {

using gadget::ChipGadget;
using gadget::ChipGadgetOptions;

std::string VendorIn(unsigned reg) { return "vendor C0 22 value=" + Hex4(reg << 8) + " index=0000 length=4"; }

TEST(KernelAudioPathTest, ShortInputReportsReadTheIdentityAsVendorRequestsAndEraseNothing) {
    ZT_REQUIRE_KERNEL_BED();
    ChipGadgetOptions options;
    options.inputReportLength = 9;
    ChipGadget unit(options);

    ToolRun run;
    run.args = {"write"};
    run.onLine = [&unit](const std::string& line) -> std::string {
        if (!IsReplugPrompt(line)) return "";
        unit.Replug();
        return "\n";
    };
    const ToolResult result = RunTool(run);
    ASSERT_FALSE(result.timedOut) << result.out << result.err;
    // The identity goes over the audio path; then the write request refuses a
    // link whose reports cannot carry the read-back, before anything is erased.
    EXPECT_EQ(result.exitCode, 1) << result.out << result.err;
    EXPECT_NE(result.out.find("Fail to Write EEPROM! [00010901]"), std::string::npos) << result.out;

    const auto shape = RequestShape(unit.Log());
    // The identity's ten reads came back as 4-byte IN replies: the tool knew
    // the chip and picked its image before it refused the link.
    const std::vector<std::string> expected = {
        "plug 3C4D:7351", VendorIn(0xA3), VendorIn(0xB2), VendorIn(0xB8), VendorIn(0x9A), VendorIn(0xEE),
        VendorIn(0xCA),   VendorIn(0xF8), VendorIn(0xB1), VendorIn(0xB9), VendorIn(0xB8),
    };
    EXPECT_EQ(shape, expected);
}

}  // namespace
}  // namespace zt::kernelbed
