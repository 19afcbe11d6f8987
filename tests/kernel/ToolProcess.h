#pragma once
#include <sys/types.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zt::kernelbed {

// The zt51xx-mp binary run as the operator would run it, with a hard time
// limit so that a hang ends the test rather than the bed.
struct ToolRun {
    std::vector<std::string> args;
    std::optional<uid_t> user;  // run as this user (and its group) instead of root
    std::vector<gid_t> groups;  // and in these supplementary groups
    // Sees every line of standard output as it comes; returns text to type
    // on standard input (empty: nothing).
    std::function<std::string(const std::string& line)> onLine;
    std::chrono::seconds limit{120};
    // The Windows build under Wine (ZT_BED_WINE_TOOL) instead of the Linux one.
    bool windows = false;
};

struct ToolResult {
    int exitCode = -1;  // -1 when killed at the time limit
    bool timedOut = false;
    std::string out;
    std::string err;
    std::string ResultLine() const;  // the last "result: ..." line of out, or ""
};

// Path of the tool inside the bed (ZT_BED_TOOL), or "" outside it.
std::string BedTool();
// Path of the Windows build inside a bed booted with Wine (ZT_BED_WINE_TOOL), or "".
std::string BedWindowsTool();
ToolResult RunTool(const ToolRun& run);
ToolResult RunTool(std::vector<std::string> args);  // as root, nothing typed

}  // namespace zt::kernelbed
