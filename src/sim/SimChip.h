#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace zt::sim {

// Chip identifiers in registers 0xB9/0xB8 for the variants we simulate.
enum class ChipVariant {
    A,        // 0x73C2, takes image A
    B,        // 0x73B5, takes image B
    Unknown,  // 0x7400, no image
};

// What a request looked like on the wire, as fault predicates see it.
struct SimRequest {
    uint64_t ordinal = 0;         // 1-based count of output reports since the chip was created
    std::vector<uint8_t> report;  // the output report as written
    uint8_t tag() const { return report.size() > 1 ? report[1] : 0; }
    uint8_t command() const { return report.size() > 2 ? report[2] : 0; }
};

// Faults, each switchable per test (and by name from a front end's options,
// station/config/SimFaultNames.h). Lost or garbled replies do not undo the request:
// the chip carried it out and only its answer went astray. Failed writes and
// the unplug never reach the chip.
struct SimFaults {
    bool noReply = false;                                  // no input report ever: every read times out
    std::function<bool(const SimRequest&)> dropReplyWhen;  // no reply to matching requests
    int wrongTagRepliesBefore = 0;                         // replies with a wrong tag before each right one
    int wrongCountRepliesBefore = 0;                       // EEPROM reads: replies with a wrong count first
    int shortReplyLength = 0;                              // when > 0, replies carry only this many bytes
    bool refuseOpen = false;                               // opening the HID interface fails (permission)
    bool failWrites = false;                               // every output report write fails
    uint64_t failWriteAtRequest = 0;                       // the Nth output report write fails (0 = off)
    // EEPROM address -> number of writes to it that do not stick before one does
    // (INT32_MAX: never sticks).
    std::map<uint16_t, int> stuckBytes;
    bool headerWontClear = false;      // zero writes to bytes 0..7 do not take
    bool blankHeaderCopy = false;      // the header copy at 0x4010 reads as 0xFF
    uint64_t unplugAtRequest = 0;      // the chip is pulled at the Nth output report (0 = off)
    uint32_t replyLatencyMs = 0;       // bus time from request to reply
    uint16_t inputReportLength = 64;   // report lengths of the HID interface,
    uint16_t outputReportLength = 64;  // report-ID byte included
    bool noPortPower = false;          // the hub cannot switch this chip's port off and on
    // Once written, the unit boots with a product ID one above its image's:
    // it comes back from its last re-plug as some other device.
    bool otherIdsAfterWrite = false;
};

}  // namespace zt::sim
