#include <iostream>

#include "cli/Commands.h"
#include "host/HostSystem.h"

int main(int argc, char** argv) {
    zt::HostStandardStreams().ProtectStandardStreams();
    zt::cli::CommandContext ctx{std::cout, std::cerr};
    return zt::cli::RunCommandLine(argc, argv, ctx);
}
