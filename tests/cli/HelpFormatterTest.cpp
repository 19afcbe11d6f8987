#include <gtest/gtest.h>

#include <sstream>

#include "cli/Commands.h"
#include "cli/HelpFormatter.h"

namespace zt::cli {
namespace {

TEST(HelpFormatter, HelpFitsTheWidthAndKeepsSimulatorOptionsApart) {
    ::setenv("COLUMNS", "64", 1);
    std::ostringstream out, err;
    CommandContext ctx{out, err};
    const char* argv[] = {"zt51xx-mp", "write", "--help"};
    RunCommandLine(3, argv, ctx);
    ::unsetenv("COLUMNS");

    std::istringstream lines(out.str());
    std::string line;
    bool inSimulatorGroup = false, simulateInGroup = false;
    while (std::getline(lines, line)) {
        // Examples and the fault table are laid out by hand; prose, options
        // and their continuation lines wrap.
        const size_t indent = line.find_first_not_of(' ');
        const bool continuation = indent != std::string::npos && indent > 2 && indent <= 30;
        const bool laidOut = indent != 0 && line.rfind("  -", 0) != 0 && !continuation;
        if (!laidOut) {
            EXPECT_LE(line.size(), 64u) << line;
        }
        if (line.rfind("Simulated chip", 0) == 0) inSimulatorGroup = true;
        if (inSimulatorGroup && line.rfind("  --simulate", 0) == 0) simulateInGroup = true;
        if (line.rfind("  --port", 0) == 0) {
            EXPECT_FALSE(inSimulatorGroup);
        }
    }
    EXPECT_TRUE(simulateInGroup) << out.str();
}

}  // namespace
}  // namespace zt::cli
