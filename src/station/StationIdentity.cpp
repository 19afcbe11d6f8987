#include "station/StationIdentity.h"

#include <algorithm>

#include "station/StationConfig.h"
#include "station/StationLog.h"

namespace zt::station {

bool CheckIdentityText(const std::string& what, const std::string& value, std::string* error) {
    const bool printable = std::all_of(value.begin(), value.end(), [](char c) {
        return static_cast<unsigned char>(c) >= 0x20 && c != 0x7F;
    });
    if (printable && value.size() <= kMaxIdentityText) return true;
    *error = what + ": at most " + std::to_string(kMaxIdentityText) + " printable characters";
    return false;
}

bool ResolveIdentity(const GivenIdentity& given, const StationConfig& config, StationIdentity* identity,
                     std::string* error) {
    auto pick = [&](const std::optional<std::string>& value, const char* key, const char* option,
                    std::string* into) {
        const auto set = config.values.find(key);
        *into = value ? *value : set != config.values.end() ? set->second : "";
        return CheckIdentityText(option, *into, error);
    };
    return pick(given.stationId, "station-id", "--station-id", &identity->stationId) &&
           pick(given.operatorName, "operator", "--operator", &identity->operatorName) &&
           pick(given.workOrder, "work-order", "--work-order", &identity->workOrder);
}

void StampIdentity(const StationIdentity& identity, StationRecord& record) {
    record.stationId = identity.stationId;
    record.operatorName = identity.operatorName;
    record.workOrder = identity.workOrder;
}

}  // namespace zt::station
