#include "cli/DeviceOptions.h"

#include "job/HexId.h"

namespace zt::cli {

namespace {

bool CheckId(const std::string& option, const std::optional<std::string>& text, std::optional<uint16_t>* id,
             std::string* error) {
    if (!text) return true;
    *id = ParseIdArgument(*text);
    if (*id) return true;
    *error = option + " '" + *text + "' is not an ID: give 1 to 4 hexadecimal digits, optionally after 0x";
    return false;
}

}  // namespace

bool CheckDeviceOptions(const DeviceOptions& options, CheckedDeviceOptions* checked, std::string* error) {
    if (!CheckId("--vid", options.vid, &checked->vendorId, error)) return false;
    if (!CheckId("--pid", options.pid, &checked->productId, error)) return false;

    checked->backend.simulate = options.simulate;
    if (!sim::SimulatedMachine::ParseArguments(options.simulation, &checked->backend.simulation, error)) {
        if (error->rfind("--fault", 0) == 0) *error += " (the faults are listed in 'zt51xx-mp write --help')";
        return false;
    }
    return true;
}

}  // namespace zt::cli
