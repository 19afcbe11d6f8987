#pragma once
#include <optional>
#include <string>

namespace zt::station {

struct StationConfig;
struct StationRecord;

// Who runs the station; written into every record.
struct StationIdentity {
    std::string stationId, operatorName, workOrder;
};

// What a front end was given for each of them (its options); none leaves it
// to the station settings.
struct GivenIdentity {
    std::optional<std::string> stationId, operatorName, workOrder;
};

// The longest name a record takes, in bytes.
constexpr size_t kMaxIdentityText = 128;

// A name goes into every record and every log line as it is: record text of
// at most kMaxIdentityText bytes. False with "`what`: at most 128 printable
// characters" otherwise.
bool CheckIdentityText(const std::string& what, const std::string& value, std::string* error);

// Each name as given, else as the settings say, else ""; false with the
// reason for a name that CheckIdentityText refuses, naming the option, or
// for a value from a settings file its file, line and key.
bool ResolveIdentity(const GivenIdentity& given, const StationConfig& config, StationIdentity* identity,
                     std::string* error);

// Puts who ran the job into its record.
void StampIdentity(const StationIdentity& identity, StationRecord& record);

}  // namespace zt::station
