#include <CLI/CLI.hpp>

#include "cli/Commands.h"

// Placeholder: replaced by the real implementation.
namespace zt::cli {
void AddImageCommands(CLI::App&, CommandContext&) {}
}  // namespace zt::cli
