#pragma once
#include <cstdint>

namespace zt {

// Operations report a signed 32-bit status: any non-negative value is success.
using Status = int32_t;
inline constexpr Status kOk = 0;
inline constexpr Status kFail = static_cast<Status>(0x80004005u);

inline constexpr bool Succeeded(Status s) { return s >= 0; }
inline constexpr bool Failed(Status s) { return s < 0; }

// Device and filter handles: a handle is valid when it is neither 0 nor -1.
using Handle = intptr_t;
inline constexpr Handle kInvalidHandle = -1;
inline constexpr bool IsValidHandle(Handle h) { return h != 0 && h != -1; }

}  // namespace zt
