// The text that udev hands us: PRODUCT properties of removed devices, the
// order of device paths, and the kernel's table of Unix sockets.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/linux/Udev.h"

namespace zt::platform_linux {
namespace {

TEST(ProductProperty, ReadsVendorAndProductOfRemovalEvents) {
    struct Case {
        const char* text;
        bool ok;
        uint16_t vid, pid;
    };
    for (const Case& c :
         {Case{"3c4d/7351/100", true, 0x3C4D, 0x7351}, Case{"3C4D/735e/0", true, 0x3C4D, 0x735E},
          Case{"1d6b/2/601", true, 0x1D6B, 0x0002}, Case{"3c4d/7351", true, 0x3C4D, 0x7351},
          Case{"", false, 0, 0}, Case{"3c4d", false, 0, 0}, Case{"/7351/100", false, 0, 0},
          Case{"13c4d/7351/1", false, 0, 0}, Case{"3c4d/zz/1", false, 0, 0}}) {
        SCOPED_TRACE(c.text);
        uint16_t vid = 0xAAAA, pid = 0xBBBB;
        EXPECT_EQ(ParseProductProperty(c.text, vid, pid), c.ok);
        if (c.ok) {
            EXPECT_EQ(vid, c.vid);
            EXPECT_EQ(pid, c.pid);
        }
    }
}

TEST(NaturalPathOrder, NumbersCompareAsNumbersAndParentsComeFirst) {
    std::vector<std::string> paths = {
        "/dev/hidraw10",       "/dev/hidraw2",  "/dev/hidraw0", "/sys/usb1/1-10", "/sys/usb1/1-2",
        "/sys/usb1/1-1/1-1.2", "/sys/usb1/1-1", "/sys/usb2",    "/sys/usb1",      "/sys/usb1/1-1/1-1.10"};
    std::sort(paths.begin(), paths.end(), NaturalPathLess);
    EXPECT_EQ(paths, (std::vector<std::string>{"/dev/hidraw0", "/dev/hidraw2", "/dev/hidraw10", "/sys/usb1",
                                               "/sys/usb1/1-1", "/sys/usb1/1-1/1-1.2", "/sys/usb1/1-1/1-1.10",
                                               "/sys/usb1/1-2", "/sys/usb1/1-10", "/sys/usb2"}));
    EXPECT_FALSE(NaturalPathLess("a01", "a1"));
    EXPECT_FALSE(NaturalPathLess("a1", "a01"));
}

// An ordinary user cannot connect to the daemon's control socket; the socket
// table tells a listening daemon from a file left behind.
TEST(UnixSocketTable, OnlyAListeningSocketOnThePathCounts) {
    const std::string header = "Num       RefCount Protocol Flags    Type St Inode Path\n";
    const std::string listening =
        "0000000012345678: 00000002 00000000 00010000 0005 01 16390 /run/udev/control\n";
    const std::string connected =
        "00000000abcdef01: 00000003 00000000 00000000 0005 03 16391 /run/udev/control\n";
    const std::string unnamed = "00000000abcdef02: 00000003 00000000 00000000 0001 03 248\n";
    EXPECT_TRUE(UnixSocketListens(header + unnamed + listening, "/run/udev/control"));
    EXPECT_FALSE(UnixSocketListens(header + unnamed + connected, "/run/udev/control"));
    EXPECT_FALSE(UnixSocketListens(header + listening, "/run/udev/control.old"));
}

}  // namespace
}  // namespace zt::platform_linux
