#pragma once
#include <iosfwd>
#include <string>

#include "station/config/ExitCodes.h"

namespace CLI {
class App;
}
namespace zt {
class Clock;
}

namespace zt::cli {

// The exit codes are every front end's (station/config/ExitCodes.h); the command
// line and its tests name them unqualified.
using namespace zt::station;

// Where a command prints, and the exit code it leaves.
struct CommandContext {
    std::ostream& out;
    std::ostream& err;
    int exitCode = kExitOk;
    // The operator's answers to prompts, and what `report -` reads; null means the
    // process's standard input.
    std::istream* in = nullptr;
    // What paces jobs on this machine's own devices; null means the real clock.
    // A test hands in simulated time so that a whole job on emulated devices
    // does not spend the real pauses. --simulate keeps its own clock.
    Clock* clock = nullptr;
    // Where claims on this machine's units are kept; "" means the system's
    // lock folder. Tests of emulated machines keep theirs apart.
    std::string unitLockFolder = "";
};

// Each group of commands registers itself on the application.
void AddImageCommands(CLI::App& app, CommandContext& ctx);
void AddDeviceCommands(CLI::App& app, CommandContext& ctx);
void AddExplainCommand(CLI::App& app, CommandContext& ctx);
void AddReportCommand(CLI::App& app, CommandContext& ctx);
void AddUnitImageCommands(CLI::App& app, CommandContext& ctx);
void AddPublishCommands(CLI::App& app, CommandContext& ctx);

// The whole command line: parses argv, runs the command, returns the exit code.
int RunCommandLine(int argc, const char* const* argv, CommandContext& ctx);

}  // namespace zt::cli
