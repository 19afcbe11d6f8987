#pragma once
#include <string>
#include <string_view>

namespace zt::host_windows {

// The core speaks UTF-8; Windows' wide APIs speak UTF-16.
std::string ToUtf8(std::wstring_view text);
std::wstring ToWide(std::string_view text);

}  // namespace zt::host_windows

// The Windows backend speaks of them in its own namespace too.
namespace zt::platform_windows {
using host_windows::ToUtf8;
using host_windows::ToWide;
}  // namespace zt::platform_windows
