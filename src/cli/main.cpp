#include <iostream>

#include "cli/Commands.h"

int main(int argc, char** argv) {
    zt::cli::CommandContext ctx{std::cout, std::cerr};
    return zt::cli::RunCommandLine(argc, argv, ctx);
}
