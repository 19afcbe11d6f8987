#pragma once
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace zt::station {

// What the station report keeps of one line of a station log: only the
// facts its figures are built from. Lines written by older and newer tools
// alike are read; fields a line lacks stay empty.
struct LoggedJob {
    std::chrono::system_clock::time_point start, end;
    int64_t durationMs = 0;
    std::string station;  // `stationId` when the line has one, else `host`
    std::string port;
    std::string kind;    // "write", or the kind of another command's record ("erase", "read", "verify")
    std::string status;  // "OK", "FAIL", "INTERRUPTED" or "CANCELLED"
    std::optional<uint32_t> code;
    std::string codeName;       // the name the line itself gives, for a code the catalogue does not know
    std::string barcode;        // the unit's scanned label, "" without one
    std::string serialWritten;  // the serial the job gave the unit, "" without one
    // What tells the unit apart from others: `barcode`, else `serialWritten`;
    // "" when neither. The unit's USB `serial` is not used: it is often the
    // image's own, the same on every unit.
    const std::string& Unit() const { return barcode.empty() ? serialWritten : barcode; }
};

}  // namespace zt::station
