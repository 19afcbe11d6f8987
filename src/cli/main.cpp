#include <iostream>

#include "cli/Commands.h"
#include "cli/StandardStreams.h"

int main(int argc, char** argv) {
    zt::cli::ProtectStandardStreams();
    zt::cli::CommandContext ctx{std::cout, std::cerr};
    return zt::cli::RunCommandLine(argc, argv, ctx);
}
