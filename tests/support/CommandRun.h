#pragma once
#include <functional>
#include <istream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/Commands.h"

namespace zt::test {

// One run of the command line in-process: its exit code and what it printed.
struct CommandRun {
    int rc = -1;
    std::string out;
    std::string err;

    std::vector<std::string> OutLines() const { return Split(out); }
    std::vector<std::string> ErrLines() const { return Split(err); }
    static std::vector<std::string> Split(const std::string& text) {
        std::vector<std::string> lines;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
};

// Runs `zt51xx-mp ARGS...`; the operator's answers come from `input`, or
// there are none. `setUp` may point the run at a clock or a lock folder of
// the test's own.
inline CommandRun RunArgs(std::vector<std::string> args, std::istream* input = nullptr,
                          const std::function<void(cli::CommandContext&)>& setUp = nullptr) {
    std::istringstream noInput;
    std::ostringstream out, err;
    cli::CommandContext ctx{out, err};
    ctx.in = input ? input : &noInput;
    if (setUp) setUp(ctx);
    args.insert(args.begin(), "zt51xx-mp");
    std::vector<const char*> argv;
    for (const auto& a : args) argv.push_back(a.c_str());
    CommandRun run;
    run.rc = cli::RunCommandLine(static_cast<int>(argv.size()), argv.data(), ctx);
    run.out = out.str();
    run.err = err.str();
    return run;
}

}  // namespace zt::test
