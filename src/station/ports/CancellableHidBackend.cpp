#include "station/ports/CancellableHidBackend.h"

#include <algorithm>

namespace zt::station {

namespace {
// Short enough for Ctrl-C to feel immediate, long enough to cost nothing.
constexpr uint32_t kSliceMs = 50;
}  // namespace

int CancellableHidBackend::Read(Handle handle, uint8_t* buffer, size_t length, uint32_t timeoutMs) {
    uint32_t left = timeoutMs;
    for (;;) {
        const uint32_t slice = std::min(left, kSliceMs);
        const int result = backend_.Read(handle, buffer, length, slice);
        if (result != -1) return result;
        left -= slice;
        if (left == 0 || cancelled_()) return -1;
    }
}

}  // namespace zt::station
