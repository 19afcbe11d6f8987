#include "cli/DeviceOptions.h"

#include <CLI/CLI.hpp>

#include "chip/HexId.h"

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
    if (checked->vendorId == 0) {
        // The known-device table ends at the first row with vendor 0, so the
        // typed pair would never be looked for.
        *error = "--vid " + *options.vid + " can never match: vendor ID 0 ends the table of known devices";
        return false;
    }
    if (!CheckId("--pid", options.pid, &checked->productId, error)) return false;

    if (options.all && !options.ports.empty()) {
        *error = "--all and --port pick the units two ways: give one of them";
        return false;
    }
    if (options.replugWaitSeconds < 0 || options.replugWaitSeconds > 3600) {
        *error = "--replug-wait " + std::to_string(options.replugWaitSeconds) + ": give 1 to 3600 seconds";
        return false;
    }
    checked->severalUnits = options.all || options.ports.size() > 1;

    checked->backend.simulate = options.simulate;
    if (!sim::SimulatedMachine::ParseArguments(options.simulation, &checked->backend.simulation, error)) {
        if (error->rfind("--fault", 0) == 0) *error += " (the faults are listed in 'zt51xx-mp write --help')";
        return false;
    }
    return true;
}

void AddSimulatorOptions(CLI::App* command, DeviceOptions& options, bool withUpdater) {
    const std::string group = "Simulated chip (no hardware needed)";
    auto* simulate =
        command->add_flag("--simulate", options.simulate, "use the built-in simulated chip")->group(group);
    command
        ->add_option("--variant", options.simulation.variant, "simulated chip: A, B or unknown (default A)")
        ->needs(simulate)
        ->group(group);
    command
        ->add_option("--fault", options.simulation.faults,
                     "inject a fault into the simulated chip (repeatable)")
        ->allow_extra_args(false)
        ->needs(simulate)
        ->group(group);
    if (withUpdater)
        command
            ->add_flag("--updater", options.simulation.updater,
                       "the simulated chip starts as an updater device (blank header)")
            ->needs(simulate)
            ->group(group);
    command
        ->add_flag("--sim-clock", options.simulation.simulatedClock,
                   "run the simulation on simulated time (instant) instead of the real clock")
        ->needs(simulate)
        ->group(group);
    command
        ->add_option("--units", options.simulation.units,
                     "simulated chips on the hub, on ports 1-1.1, 1-1.2, ... (default 1); --fault U:NAME "
                     "targets unit U only")
        ->needs(simulate)
        ->group(group);
}

std::unique_ptr<DeviceBackend> SelectCommandBackend(const CheckedDeviceOptions& checked,
                                                    const CommandContext& ctx, std::string* error) {
    BackendChoice choice = checked.backend;
    choice.machineClock = ctx.clock;
    choice.unitLockFolder = ctx.unitLockFolder;
    try {
        return SelectBackend(choice, error);
    } catch (const std::exception& e) {
        // A backend that cannot start (no udev, no notice socket) says why.
        *error = e.what();
        return nullptr;
    }
}

}  // namespace zt::cli
