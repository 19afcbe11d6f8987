#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace zt::station {

// A count with the words that agree with it: Counted(1, "line was", "lines
// were") is "1 line was", Counted(2, ...) "2 lines were", Counted(0, ...)
// "0 lines were".
std::string Counted(size_t count, std::string_view one, std::string_view many);

}  // namespace zt::station
