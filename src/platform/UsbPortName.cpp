#include "platform/UsbPortName.h"

#include <algorithm>

namespace zt {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool InBusPath(char c) { return IsDigit(c) || c == '-' || c == '.'; }
bool InLocationPath(char c) {
    return IsDigit(c) || IsLetter(c) || c == '(' || c == ')' || c == '#' || c == '_' || c == '.';
}

constexpr size_t kShownChars = 40;

}  // namespace

bool IsUsbPortName(std::string_view port, PortNaming naming) {
    const bool busPath = naming == PortNaming::BusPath;
    if (port.empty() || port.size() > (busPath ? kMaxBusPathPort : kMaxLocationPathPort)) return false;
    return std::all_of(port.begin(), port.end(), busPath ? InBusPath : InLocationPath);
}

std::string PrintablePortText(std::string_view port) {
    std::string shown;
    for (const char c : port.substr(0, kShownChars)) shown += (c >= 0x20 && c < 0x7F) ? c : '?';
    if (port.size() > kShownChars) shown += "...";
    return shown;
}

std::string NotAPortNameReason(std::string_view port) {
    std::string reason = "'";
    reason += PrintablePortText(port);
    reason += "' is not a USB port name";
    return reason;
}

}  // namespace zt
