#include "station/records/StationIdentity.h"

#include <cstdint>

#include "station/config/StationConfig.h"
#include "station/operator/TerminalText.h"
#include "station/records/StationLog.h"

namespace zt::station {

bool CheckIdentityText(const std::string& what, const std::string& value, std::string* error) {
    if (IsRecordText(value) && value.size() <= kMaxIdentityText) return true;
    *error = what + ": at most " + std::to_string(kMaxIdentityText) + " printable characters";
    return false;
}

bool ResolveIdentity(const GivenIdentity& given, const StationConfig& config, StationIdentity* identity,
                     std::string* error) {
    auto pick = [&](const std::optional<std::string>& value, const char* key, const char* option,
                    std::string* into) {
        const auto set = config.values.find(key);
        *into = value ? *value : set != config.values.end() ? set->second : "";
        // A value from a file is named by its place there, not by an option
        // that was never typed.
        const auto origin = config.origins.find(key);
        const std::string what =
            value || origin == config.origins.end() ? std::string(option) : origin->second + ": " + key;
        return CheckIdentityText(what, *into, error);
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
