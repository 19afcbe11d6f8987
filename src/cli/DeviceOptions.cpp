#include "cli/DeviceOptions.h"

#include <algorithm>
#include <cctype>

namespace zt::cli {

std::optional<uint16_t> ParseIdArgument(const std::string& text) {
    std::string digits = text;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) digits = digits.substr(2);
    if (digits.empty() || digits.size() > 4) return std::nullopt;
    if (!std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isxdigit(c) != 0; }))
        return std::nullopt;
    return static_cast<uint16_t>(std::stoul(digits, nullptr, 16));
}

namespace {

std::optional<sim::ChipVariant> ParseVariant(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    if (text == "a") return sim::ChipVariant::A;
    if (text == "b") return sim::ChipVariant::B;
    if (text == "unknown") return sim::ChipVariant::Unknown;
    return std::nullopt;
}

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
    auto& sim = checked->backend.simulation;
    const auto variant = ParseVariant(options.variant);
    if (!variant) {
        *error = "unknown variant '" + options.variant + "': use A, B or unknown";
        return false;
    }
    sim.variant = *variant;
    sim.updater = options.updater;
    sim.simulatedClock = options.simClock;
    for (const std::string& fault : options.faults) {
        std::string reason;
        if (!sim::ApplyFaultByName(sim.faults, fault, &reason)) {
            *error = "--fault '" + fault + "': " + (reason.empty() ? "unknown fault" : reason) +
                     " (the faults are listed in 'zt51xx-mp write --help')";
            return false;
        }
    }
    return true;
}

}  // namespace zt::cli
