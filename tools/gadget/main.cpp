// zt-gadget: ZT51xx units on the virtual USB controllers of a test machine
// (dummy_hcd), answered by the simulated chip model. For trying the tool by
// hand inside the kernel test bed; the bed's tests use ChipGadget directly.
//
//   zt-gadget [--units N] [--variant A|B] [--bcd-device HEX] [--input-length N] [--link full|high]
//
// Then, one command a line on stdin: "replug [UNIT]", "unplug [UNIT]",
// "log [UNIT]" (counts of what reached the chip), "quit".
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <sstream>
#include <vector>

#include "ChipGadget.h"

namespace {

int Usage() {
    std::cerr << "usage: zt-gadget [--units N] [--variant A|B] [--bcd-device HEX] [--input-length N] "
                 "[--link full|high]\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    using zt::gadget::ChipGadget;
    zt::gadget::ChipGadgetOptions options;
    int units = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc) return Usage();
        const char* value = argv[++i];
        if (arg == "--units") {
            units = std::atoi(value);
        } else if (arg == "--variant") {
            options.variant =
                std::strcmp(value, "B") == 0 ? zt::sim::ChipVariant::B : zt::sim::ChipVariant::A;
        } else if (arg == "--bcd-device") {
            options.bcdDevice = static_cast<uint16_t>(std::strtoul(value, nullptr, 16));
        } else if (arg == "--link") {
            options.fullSpeed = std::strcmp(value, "full") == 0;
        } else if (arg == "--input-length") {
            options.inputReportLength = static_cast<uint16_t>(std::atoi(value));
        } else {
            return Usage();
        }
    }
    if (units < 1 || units > 8) return Usage();

    try {
        std::vector<std::unique_ptr<ChipGadget>> gadgets;
        for (int unit = 0; unit < units; ++unit) {
            options.unit = unit;
            gadgets.push_back(std::make_unique<ChipGadget>(options));
            const auto ids = gadgets.back()->Ids();
            std::printf("unit %d plugged in as %04X:%04X bcdDevice %04X\n", unit, ids.vendorId, ids.productId,
                        ids.bcdDevice);
        }
        std::fflush(stdout);
        for (std::string line; std::getline(std::cin, line);) {
            std::istringstream words(line);
            std::string command;
            int unit = 0;
            words >> command >> unit;
            if (command == "quit") break;
            if (unit < 0 || unit >= units) {
                std::cout << "no unit " << unit << std::endl;
                continue;
            }
            ChipGadget& gadget = *gadgets[static_cast<size_t>(unit)];
            if (command == "replug") {
                gadget.Replug();
                const auto ids = gadget.Ids();
                std::printf("unit %d back as %04X:%04X\n", unit, ids.vendorId, ids.productId);
            } else if (command == "unplug") {
                gadget.Unplug();
                std::printf("unit %d out\n", unit);
            } else if (command == "log") {
                std::printf("unit %d: %zu output reports, %zu events\n", unit, gadget.OutputReportCount(),
                            gadget.Log().size());
            } else {
                std::printf("commands: replug [UNIT], unplug [UNIT], log [UNIT], quit\n");
            }
            std::fflush(stdout);
        }
    } catch (const std::exception& e) {
        std::cerr << "zt-gadget: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
