#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

#include "platform/Status.h"

namespace zt {

class DeviceCommandSet;

// Everything of the EEPROM a unit keeps that the tool knows of: the 16400
// image bytes, the header copy at 0x4010, the progress marker at 0x401C and the
// firmware version bytes at 0x4074..0x4076, rounded up to whole 8-byte reads.
// What lies above is never written by any job, so a saved unit holds nothing
// there worth the extra reads.
inline constexpr uint32_t kUnitEepromSize = 0x4080;

// Reads out.size() bytes of the open device's EEPROM from `address` into
// `out`, eight bytes a request, pausing after each request as every EEPROM
// command does. Nothing is written and nothing is recorded in jobResult: this
// is no job, and its failure is not a job's code. `progress` hears the bytes
// read so far after each request and stops the read by returning false.
// On failure `*failedAt` holds the address of the request that failed.
Status ReadEepromRange(DeviceCommandSet& commands, uint16_t address, std::span<uint8_t> out,
                       const std::function<bool(size_t done)>& progress, uint32_t* failedAt);

}  // namespace zt
