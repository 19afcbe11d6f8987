#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "ToolProcess.h"

// Every test here needs the bed's guest: root, dummy_hcd, configfs, and the
// tool's path in ZT_BED_TOOL. Anywhere else it skips.
#define ZT_REQUIRE_KERNEL_BED()                                                            \
    do {                                                                                   \
        if (::zt::kernelbed::BedTool().empty())                                            \
            GTEST_SKIP() << "runs inside the kernel test bed: bash scripts/kernel-bed.sh"; \
    } while (0)

namespace zt::kernelbed {

inline std::string Hex4(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", value & 0xFFFF);
    return text;
}

inline bool IsReplugPrompt(const std::string& line) { return line == "Press Enter to continue..."; }

}  // namespace zt::kernelbed
