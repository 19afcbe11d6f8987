#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/BackendSelection.h"

namespace zt::cli {

// The options of the device commands as typed, and what they mean once checked.
struct DeviceOptions {
    std::optional<std::string> vid;  // not given: the dialog's default
    std::optional<std::string> pid;
    bool yes = false;
    bool json = false;
    bool simulate = false;
    std::string variant = "A";
    std::vector<std::string> faults;
    bool updater = false;
    bool simClock = false;
};

struct CheckedDeviceOptions {
    std::optional<uint16_t> vendorId;
    std::optional<uint16_t> productId;
    BackendChoice backend;
};

// An ID on the command line: 1 to 4 hexadecimal digits, optionally after 0x.
// Stricter than the dialog's boxes on purpose: a typo must not become an ID.
std::optional<uint16_t> ParseIdArgument(const std::string& text);

// Checks everything before any device is touched. False with one line for
// the operator in `error`.
bool CheckDeviceOptions(const DeviceOptions& options, CheckedDeviceOptions* checked, std::string* error);

}  // namespace zt::cli
