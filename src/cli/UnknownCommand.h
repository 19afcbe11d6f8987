#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace CLI {
class App;
}

namespace zt::cli {

// Of `known`, the name `typed` most likely is with a slip of the fingers
// (a letter left out, added, changed, or two swapped); "" when none is that
// near.
std::string NearestName(std::string_view typed, const std::vector<std::string>& known);

// The refusal of a command line whose command (or a command's subcommand)
// is none of `app`'s, naming the nearest one: "zt51xx-mp: unknown command
// 'wirte'; did you mean 'write'?". nullopt when the words name commands.
std::optional<std::string> UnknownCommandLine(const CLI::App& app, int argc, const char* const* argv);

}  // namespace zt::cli
