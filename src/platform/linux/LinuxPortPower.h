#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/Clock.h"
#include "platform/PortPower.h"

namespace zt::platform_linux {

// Re-plugs a unit through the kernel's switch of its hub port: the `disable`
// attribute of the port's sysfs folder, which the `port` link of the
// device's own folder points to (for 1-2.3: .../1-2/1-2:1.0/1-2-port3).
// Writing 1 powers the port off on a hub that switches each port on its
// own; writing 0 powers it on and the device enumerates afresh.
class LinuxPortPower final : public PortPower {
public:
    // wHubCharacteristics of the hub whose usb_device sysfs folder is given,
    // nullopt when its hub descriptor cannot be read.
    using HubCharacteristicsReader = std::function<std::optional<uint16_t>(const std::string& hubSysPath)>;

    explicit LinuxPortPower(Clock& clock);
    LinuxPortPower(Clock& clock, HubCharacteristicsReader readHub);

    std::string Unavailable(const std::string& port) override;
    Status Cycle(const std::string& port, uint32_t offMs) override;

private:
    Clock& clock_;
    HubCharacteristicsReader readHub_;
};

// Asks the hub itself for its hub descriptor over usbfs (a class request on
// endpoint 0, which root hubs answer too).
std::optional<uint16_t> ReadHubCharacteristics(const std::string& hubSysPath);

}  // namespace zt::platform_linux
