#pragma once
#include <cstdint>

namespace zt {

// What a chip says of itself when its identity registers are read: its
// identifier (masked where the job compares it) and its status byte, 0 when
// it is ready to be written.
struct ChipIdentity {
    uint32_t chipId = 0xFFFFFFFF;
    uint8_t status = 0xFF;
};

}  // namespace zt
