#pragma once
#include <windows.h>
// cfgmgr32.h needs the types windows.h declares.
#include <cfgmgr32.h>

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace zt::platform_windows {

// A unit's port on Windows: the location path of its USB device node
// ("PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(2)#USB(3)"), which names the chain of
// hub ports from the controller down and so stays the same when the device is
// re-plugged into the same port. Systems that keep no location paths give the
// hub driver's location text instead ("Port_#0003.Hub_#0002"). Every Windows
// backend names ports through here, so PortScope can compare what the HID
// list, the notices, the USB walk and the audio path say.

// The first string of a list of NUL-ended strings (as the system returns
// string-list properties), never read past `chars`.
std::wstring FirstOfStringList(const wchar_t* list, size_t chars);

// The port of one device node from its first location path and its location
// text, or nullopt when the node is not a USB device and the search must go on
// to its parent: a USB device's path ends in "#USB(n)", while an interface of
// a composite device ends in "#USBMI(n)" and a HID collection has none. A node
// without any location path is taken by its hub location text, if it has one.
std::optional<std::wstring> PortOfNode(std::wstring_view firstLocationPath, std::wstring_view locationText);

// The port of the USB device that a device node is, or belongs to (walking up
// through its parents). "" when no USB device is found above it.
std::string UsbPortOfDeviceNode(DEVINST node);

// The port of the USB device behind a device interface path (a HID
// interface, a USB device interface, ...). "" when unknown; an interface that
// is no longer present is looked up among the system's remembered nodes.
std::string UsbPortOfInterface(const std::wstring& interfacePath);

// The present device nodes by their driver key name ("{36fc9e60-...}\0012",
// upper case), which is how the hub drivers name the device on a port. All
// enumerators, not only "USB": some host-controller drivers enumerate under
// their own.
std::map<std::wstring, DEVINST> DeviceNodesByDriverKey();

// Upper case, for comparing the system's names, which ignore case.
std::wstring UpperCase(std::wstring text);

}  // namespace zt::platform_windows
