#include "cli/DeviceOptions.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>

#include "chip/HexId.h"
#include "platform/UsbPortName.h"

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

// A port becomes part of the name of the unit's lock, so it must be a port
// name before anything is made of it; one unit named twice would be two jobs
// on one unit.
bool CheckPorts(const DeviceOptions& options, PortNaming naming, std::string* error) {
    std::vector<std::string> ports = options.ports;
    if (ports.empty() && !options.port.empty()) ports.push_back(options.port);
    for (auto port = ports.begin(); port != ports.end(); ++port) {
        if (!IsUsbPortName(*port, naming)) {
            *error = "--port '" + PrintablePortText(*port) +
                     "' is not a USB port name (give it as 'list' shows it" +
                     (naming == PortNaming::BusPath ? ", e.g. 1-2.3: digits, '-' and '.', at most " +
                                                          std::to_string(kMaxBusPathPort) + " characters)"
                                                    : ")");
            return false;
        }
        if (std::find(ports.begin(), port, *port) != port) {
            *error = "--port " + *port + " is given twice: name each unit once";
            return false;
        }
    }
    return true;
}

// --units in plain decimal: "" or "0x4" is a mistake, not 0 or 4 units.
bool CheckUnits(const std::optional<std::string>& text, int* units, std::string* error) {
    if (!text) return true;
    const bool digits =
        !text->empty() && text->size() <= 2 &&
        std::all_of(text->begin(), text->end(), [](unsigned char c) { return std::isdigit(c); });
    const int count = digits ? std::stoi(*text) : 0;
    if (count >= 1 && count <= sim::SimulatedMachine::kMaxUnits) {
        *units = count;
        return true;
    }
    *error = "--units '" + *text + "' is not a number of units: give 1 to " +
             std::to_string(sim::SimulatedMachine::kMaxUnits) + " in decimal";
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
    if (options.logGiven && std::any_of(options.logTargets.begin(), options.logTargets.end(),
                                        [](const std::string& t) { return t.empty(); })) {
        *error = "--log needs the name of a file";
        return false;
    }
    if (std::count_if(options.logTargets.begin(), options.logTargets.end(),
                      [](const std::string& target) { return target != "journal"; }) > 1) {
        *error = "--log takes one file (and 'journal' beside it)";
        return false;
    }

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
    sim::SimulationArguments simulation = options.simulation;
    if (!CheckUnits(options.units, &simulation.units, error)) return false;
    if (!sim::ParseSimulationArguments(simulation, &checked->backend.simulation, error)) {
        if (error->rfind("--fault", 0) == 0) *error += " (the faults are listed in 'zt51xx-mp write --help')";
        return false;
    }
    return CheckPorts(options, PortNamingOf(checked->backend), error);
}

void AddSimulatorOptions(CLI::App* command, DeviceOptions& options, bool withUpdater) {
    const std::string group = "Simulated chip (no hardware needed)";
    auto* simulate =
        command->add_flag("--simulate", options.simulate, "use the built-in simulated chip")->group(group);
    command
        ->add_option_function<std::vector<std::string>>(
            "--variant",
            [&simulation = options.simulation](const std::vector<std::string>& values) {
                // "U:VARIANT" is unit U's own; a plain VARIANT is every unit's.
                for (const std::string& value : values) {
                    if (value.find(':') == std::string::npos)
                        simulation.variant = value;
                    else
                        simulation.unitVariants.push_back(value);
                }
            },
            "simulated chip: A, B or unknown (default A); U:VARIANT gives unit U its own, e.g. 2:B "
            "(repeatable)")
        ->type_name("VARIANT")
        ->allow_extra_args(false)
        ->needs(simulate)
        ->group(group);
    command
        ->add_option("--link", options.simulation.links,
                     "the simulated chip's link: high (default) or full, as behind a USB 1.1 hub, where it "
                     "presents its full-speed descriptor's IDs; U:LINK gives unit U its own, e.g. 2:full "
                     "(repeatable)")
        ->type_name("LINK")
        ->allow_extra_args(false)
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
            ->add_option_function<std::vector<std::string>>(
                "--updater",
                [&simulation = options.simulation](const std::vector<std::string>& values) {
                    // Without a unit: every unit.
                    for (const std::string& value : values) {
                        if (value.empty())
                            simulation.updater = true;
                        else
                            simulation.updaterUnits.push_back(value);
                    }
                },
                "the simulated chip starts as an updater device (blank header); --updater U: unit U only "
                "(repeatable)")
            ->type_name("[U]")
            ->expected(0, 1)
            ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
            ->allow_extra_args(false)
            ->needs(simulate)
            ->group(group);
    command
        ->add_flag("--sim-clock", options.simulation.simulatedClock,
                   "run the simulation on simulated time (instant) instead of the real clock")
        ->needs(simulate)
        ->group(group);
    command
        ->add_option("--units", options.units,
                     "simulated chips on the hub, on ports 1-1.1, 1-1.2, ... (default 1); --fault U:NAME, "
                     "--variant U:VARIANT, --link U:LINK and --updater U target unit U only")
        ->type_name("INT")
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
