#include "station/records/StationIdentity.h"

#include <cstdint>

#include "station/config/StationConfig.h"
#include "station/records/StationLog.h"

namespace zt::station {

bool IsRecordText(const std::string& text) {
    for (size_t at = 0; at < text.size();) {
        const auto lead = static_cast<unsigned char>(text[at]);
        const size_t length = lead < 0x80             ? 1
                              : (lead & 0xE0) == 0xC0 ? 2
                              : (lead & 0xF0) == 0xE0 ? 3
                              : (lead & 0xF8) == 0xF0 ? 4
                                                      : 0;
        if (length == 0 || at + length > text.size()) return false;
        uint32_t point = length == 1 ? lead : lead & (0x7F >> length);
        for (size_t i = 1; i < length; ++i) {
            const auto next = static_cast<unsigned char>(text[at + i]);
            if ((next & 0xC0) != 0x80) return false;
            point = (point << 6) | (next & 0x3F);
        }
        // The shortest form only, no surrogate halves, nothing past U+10FFFF.
        static constexpr uint32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (point < kShortest[length] || (point >= 0xD800 && point <= 0xDFFF) || point > 0x10FFFF)
            return false;
        if (point < 0x20 || (point >= 0x7F && point <= 0x9F)) return false;
        at += length;
    }
    return true;
}

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
