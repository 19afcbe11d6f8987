#include "station/OperatorInput.h"

#include "host/HostSystem.h"

namespace zt::station {

std::optional<std::string> OperatorInput::ReadLine(const std::function<bool()>& cancelled) {
    if (!stream_) return HostStandardInput().ReadLine(cancelled);
    if (cancelled()) return std::nullopt;
    std::string line;
    if (!std::getline(*stream_, line)) return std::nullopt;
    return line;
}

}  // namespace zt::station
