#pragma once
#include <string>
#include <string_view>

namespace zt::host_windows {

// The core speaks UTF-8; Windows' wide APIs speak UTF-16.
std::string ToUtf8(std::wstring_view text);
std::wstring ToWide(std::string_view text);

}  // namespace zt::host_windows
