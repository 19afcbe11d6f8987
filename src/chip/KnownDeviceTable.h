#pragma once
#include <array>
#include <cstdint>

namespace zt {

struct KnownDevice {
    uint16_t vendorId;
    uint16_t productId;
    uint16_t reserved;  // 1 in every filled row; nothing reads it
};

// 16 rows tried in order; a vendor ID of 0 ends the table. Row 0 holds the
// pair typed in the ID boxes.
using KnownDeviceTable = std::array<KnownDevice, 16>;

inline constexpr KnownDeviceTable kInitialKnownDevices = {{
    {0x3C4D, 0x7351, 1},
    {0x3C4D, 0x7351, 1},
    {0x3C4D, 0x735E, 1},
    {0x3C4D, 0x735F, 1},
    {0x3C4D, 0x7351, 1},
    {0x3C4D, 0x7350, 1},
    {0x3C4D, 0x0001, 1},
    {0x3C4D, 0x0002, 1},
}};

inline constexpr uint16_t kUpdaterVendorId = 0x3C4D;
inline constexpr uint16_t kUpdaterProductIdA = 0x735E;
inline constexpr uint16_t kUpdaterProductIdB = 0x735F;

inline constexpr bool IsUpdaterDevice(uint16_t vendorId, uint16_t productId) {
    return vendorId == kUpdaterVendorId &&
           (productId == kUpdaterProductIdA || productId == kUpdaterProductIdB);
}

}  // namespace zt
