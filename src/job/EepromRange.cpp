#include "job/EepromRange.h"

#include <algorithm>

#include "protocol/DeviceCommandSet.h"

namespace zt {

namespace {

constexpr uint8_t kReadChunk = 8;

}  // namespace

Status ReadEepromRange(DeviceCommandSet& commands, uint16_t address, std::span<uint8_t> out,
                       const std::function<bool(size_t done)>& progress, uint32_t* failedAt) {
    *failedAt = address;
    // The 16-bit EEPROM address must not wrap round to the start.
    if (address + out.size() > 0x10000u) return kFail;

    size_t done = 0;
    while (done < out.size()) {
        const uint32_t at = address + static_cast<uint32_t>(done);
        const auto count = static_cast<uint8_t>(std::min<size_t>(out.size() - done, kReadChunk));
        const bool ok = commands.ReadEepromChunk(static_cast<uint16_t>(at), count, &out[done]);
        if (!ok) {
            *failedAt = at;
            return kFail;
        }
        done += count;
        if (progress && !progress(done)) {
            *failedAt = address + static_cast<uint32_t>(done);
            return kFail;
        }
    }
    return kOk;
}

}  // namespace zt
