// The audio-driver path through the real kernel: libusb control transfers on
// usbfs, through dummy_hcd, to FunctionFS endpoint 0 on the gadget side. The
// unit's input reports are too short for the commands, which forces the path.
#include "ChipGadget.h"
#include "KernelBed.h"
#include "WireCheck.h"
#include "job/EepromImage.h"

namespace zt::kernelbed {
namespace {

using gadget::ChipGadget;
using gadget::ChipGadgetOptions;

std::string VendorIn(unsigned reg) { return "vendor C0 22 value=" + Hex4(reg << 8) + " index=0000 length=4"; }

TEST(KernelAudioPathTest, ShortInputReportsSendTheCommandsAsVendorRequests) {
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
    // The header clear needs a HID reply the short reports cannot carry: the
    // job ends there, after everything the audio path can do.
    EXPECT_EQ(result.exitCode, 1) << result.out << result.err;

    const auto shape = RequestShape(unit.Log());
    // The identity's ten reads came back as 4-byte IN replies: the tool knew
    // the chip, picked its image and went on to erase it.
    const std::vector<std::string> expected = {
        "plug 3C4D:7351",
        VendorIn(0xA3),
        VendorIn(0xB2),
        VendorIn(0xB8),
        VendorIn(0x9A),
        VendorIn(0xEE),
        VendorIn(0xCA),
        VendorIn(0xF8),
        VendorIn(0xB1),
        VendorIn(0xB9),
        VendorIn(0xB8),
        "vendor 40 21 value=C400 index=000C length=0",  // control register
        "vendor 40 13 value=40A0 index=011C length=0",  // marker 1 at 0x401C
        "erase x2",
        "unplug",
        "plug 3C4D:735E",
        "vendor 40 21 value=C400 index=000C length=0",
        "vendor 40 13 value=40A0 index=011C length=0",
    };
    ASSERT_GE(shape.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(shape.begin(), shape.begin() + static_cast<long>(expected.size())),
              expected);
    EXPECT_EQ(unit.Eeprom()[kProgressMarkerAddress], 1) << "the marker written over the audio path";
}

}  // namespace
}  // namespace zt::kernelbed
