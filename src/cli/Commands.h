#pragma once
#include <iosfwd>
#include <string>

namespace CLI {
class App;
}
namespace zt {
class Clock;
}

namespace zt::cli {

// Exit codes of zt51xx-mp.
enum ExitCode : int {
    kExitOk = 0,
    kExitJobFailed = 1,  // the device job ran and failed; the code was printed
    kExitUsage = 2,      // bad command line (unknown option, bad ID, unknown fault)
    kExitNoDevice = 3,   // no device to talk to (or no permission to open it)
    kExitIoError = 4,    // a file could not be written or read
    kExitUnitBusy = 5,   // the unit is held by another job (another process, or another unit's job here)
    kExitUnitLock = 6,   // the unit's lock could not be taken (its lock folder is missing or not writable)
    // A signal stopped the command: the dialog was closed properly, the job did
    // not finish. 128 plus the signal's number, as a shell reports a process
    // that the signal ended.
    kExitInterrupted = 130,  // Ctrl-C (SIGINT)
    kExitTerminated = 143,   // SIGTERM
};

// Where a command prints, and the exit code it leaves.
struct CommandContext {
    std::ostream& out;
    std::ostream& err;
    int exitCode = kExitOk;
    // The operator's answers to prompts; null means the process's standard input.
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
void AddUnitImageCommands(CLI::App& app, CommandContext& ctx);

// The whole command line: parses argv, runs the command, returns the exit code.
int RunCommandLine(int argc, const char* const* argv, CommandContext& ctx);

}  // namespace zt::cli
