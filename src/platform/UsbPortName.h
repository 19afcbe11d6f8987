#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace zt {

// How a backend names the port of a unit.
enum class PortNaming {
    // Bus number and the hub ports down to the device, as Linux and the
    // simulated hub name them: "1-2.3".
    BusPath,
    // Windows: the device node's location path ("PCIROOT(0)#PCI(1400)#
    // USBROOT(0)#USB(2)#USB(3)", with ACPI names such as "ACPI(_SB_)" on some
    // machines), or the hub driver's location text ("Port_#0003.Hub_#0002").
    LocationPath,
};

// Longest port text taken for each naming. A bus path is short (seven hub
// tiers at most); a location path grows by "#USB(n)" per hub and by a PCI
// element per bridge, so it gets the room an object name has.
constexpr size_t kMaxBusPathPort = 64;
constexpr size_t kMaxLocationPathPort = 200;

// True when `port` can be a port name of that naming: not empty, not too
// long, and only the characters the backend itself puts into one. Port text
// from a command line becomes part of a lock's file or object name, so
// anything else is refused before any name is made of it.
bool IsUsbPortName(std::string_view port, PortNaming naming);

// What list, events and logs say where a backend cannot tell a unit's port
// (an empty port): said plainly rather than guessed.
constexpr const char* kPortUnknownText = "port unknown";

// The port text as it may be shown in one line of a message: control and
// other non-ASCII bytes as '?', long text cut.
std::string PrintablePortText(std::string_view port);

// Why port text is refused: "'<the text, printable>' is not a USB port name".
std::string NotAPortNameReason(std::string_view port);

}  // namespace zt
