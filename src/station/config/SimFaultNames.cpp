#include "station/config/SimFaultNames.h"

#include <climits>

#include "chip/HexId.h"

namespace zt::sim {
namespace {

// An unsigned number (decimal, or hexadecimal with 0x) that must fill the
// whole text and lie within [lo, hi].
bool ParseNumber(const std::string& text, uint64_t lo, uint64_t hi, uint64_t& out) {
    const auto value = ParseNumberArgument(text);
    if (!value || *value < lo || *value > hi) return false;
    out = *value;
    return true;
}

bool Fail(std::string* error, const std::string& reason) {
    if (error) *error = reason;
    return false;
}

// Seventeen addresses spread over the body, each in its own 8-byte chunk.
constexpr uint16_t kStuckManyFirst = 0x0100;
constexpr uint16_t kStuckManyStep = 0x03C0;
constexpr int kStuckManyCount = 17;

constexpr uint64_t kMaxRepeatedReplies = 4000;
constexpr uint64_t kMaxReportLength = 1024;
constexpr uint64_t kMaxLatencyMs = 600000;

}  // namespace

std::vector<std::pair<std::string, std::string>> FaultNames() {
    return {
        {"no-reply", "the chip never answers: every read times out"},
        {"drop-reply-at=N", "no reply to the Nth output report"},
        {"wrong-tag=N", "N replies with a wrong tag before each right one"},
        {"wrong-count=N", "EEPROM reads: N replies with a wrong count before the right one"},
        {"short-reply=N", "replies carry only N bytes"},
        {"refuse-open", "the HID interface cannot be opened"},
        {"fail-write", "every output report write fails"},
        {"fail-write-at=N", "the Nth output report write fails"},
        {"stuck=ADDR[:TIMES]", "writes to EEPROM address ADDR do not stick (TIMES times, or never)"},
        {"stuck-many", "17 body addresses that never stick"},
        {"header-wont-clear", "zero writes to header bytes 0..7 do not take"},
        {"blank-header-copy", "the header copy at 0x4010 reads as 0xFF"},
        {"unplug-at=N", "the chip is pulled at the Nth output report"},
        {"latency-ms=N", "each reply arrives N ms after its request"},
        {"input-length=N", "input report length N bytes, report ID included"},
        {"output-length=N", "output report length N bytes, report ID included"},
        {"no-port-power", "the hub cannot switch the unit's port off and on"},
        {"other-ids-after-write", "once written, the unit comes back with another product ID"},
    };
}

bool ApplyFaultByName(SimFaults& faults, const std::string& fault, std::string* error) {
    const size_t eq = fault.find('=');
    const std::string name = fault.substr(0, eq);
    const bool hasValue = eq != std::string::npos;
    const std::string value = hasValue ? fault.substr(eq + 1) : std::string();

    auto flag = [&](bool& field) {
        if (hasValue) return Fail(error, "fault '" + name + "' takes no value");
        field = true;
        return true;
    };
    auto number = [&](uint64_t lo, uint64_t hi, uint64_t& out) {
        if (!hasValue) return Fail(error, "fault '" + name + "' needs a value: " + name + "=N");
        if (!ParseNumber(value, lo, hi, out))
            return Fail(error, "fault '" + name + "': '" + value + "' is not a number from " +
                                   std::to_string(lo) + " to " + std::to_string(hi));
        return true;
    };

    uint64_t n = 0;
    if (name == "no-reply") return flag(faults.noReply);
    if (name == "refuse-open") return flag(faults.refuseOpen);
    if (name == "fail-write") return flag(faults.failWrites);
    if (name == "header-wont-clear") return flag(faults.headerWontClear);
    if (name == "blank-header-copy") return flag(faults.blankHeaderCopy);
    if (name == "no-port-power") return flag(faults.noPortPower);
    if (name == "other-ids-after-write") return flag(faults.otherIdsAfterWrite);
    if (name == "stuck-many") {
        if (hasValue) return Fail(error, "fault 'stuck-many' takes no value");
        for (int i = 0; i < kStuckManyCount; ++i)
            faults.stuckBytes[static_cast<uint16_t>(kStuckManyFirst + i * kStuckManyStep)] = INT32_MAX;
        return true;
    }
    if (name == "drop-reply-at") {
        if (!number(1, UINT64_MAX, n)) return false;
        faults.dropReplyWhen = [n](const SimRequest& r) { return r.ordinal == n; };
        return true;
    }
    if (name == "wrong-tag" || name == "wrong-count") {
        if (!number(0, kMaxRepeatedReplies, n)) return false;
        (name == "wrong-tag" ? faults.wrongTagRepliesBefore : faults.wrongCountRepliesBefore) =
            static_cast<int>(n);
        return true;
    }
    if (name == "short-reply") {
        if (!number(1, kMaxReportLength, n)) return false;
        faults.shortReplyLength = static_cast<int>(n);
        return true;
    }
    if (name == "fail-write-at" || name == "unplug-at") {
        if (!number(1, UINT64_MAX, n)) return false;
        (name == "unplug-at" ? faults.unplugAtRequest : faults.failWriteAtRequest) = n;
        return true;
    }
    if (name == "latency-ms") {
        if (!number(0, kMaxLatencyMs, n)) return false;
        faults.replyLatencyMs = static_cast<uint32_t>(n);
        return true;
    }
    if (name == "input-length" || name == "output-length") {
        if (!number(1, kMaxReportLength, n)) return false;
        (name == "input-length" ? faults.inputReportLength : faults.outputReportLength) =
            static_cast<uint16_t>(n);
        return true;
    }
    if (name == "stuck") {
        if (!hasValue) return Fail(error, "fault 'stuck' needs an address: stuck=ADDR[:TIMES]");
        const size_t colon = value.find(':');
        uint64_t address = 0;
        uint64_t times = INT32_MAX;
        if (!ParseNumber(value.substr(0, colon), 0, 0x7FFF, address))
            return Fail(error, "fault 'stuck': '" + value.substr(0, colon) +
                                   "' is not an EEPROM address (0 to 0x7FFF)");
        if (colon != std::string::npos && !ParseNumber(value.substr(colon + 1), 0, INT32_MAX - 1, times))
            return Fail(error, "fault 'stuck': '" + value.substr(colon + 1) + "' is not a number of writes");
        faults.stuckBytes[static_cast<uint16_t>(address)] = static_cast<int>(times);
        return true;
    }
    return Fail(error, "unknown fault '" + name + "'");
}

}  // namespace zt::sim
