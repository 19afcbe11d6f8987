#include <iostream>

#include "cli/Commands.h"
#include "host/HostSystem.h"
#include "station/operator/OperatorText.h"

int main(int argc, char** argv) {
    zt::HostStandardStreams().ProtectStandardStreams();
    zt::station::SetOperatorLanguage(zt::OperatorLocale());
    zt::cli::CommandContext ctx{std::cout, std::cerr};
    return zt::cli::RunCommandLine(argc, argv, ctx);
}
