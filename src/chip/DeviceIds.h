#pragma once
#include <cstdint>

namespace zt {

// A USB vendor and product ID pair.
struct DeviceIds {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    bool operator==(const DeviceIds&) const = default;
};

}  // namespace zt
