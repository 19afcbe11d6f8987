#pragma once
#include <string_view>

namespace zt {

// Names in the order people number things: runs of digits compare as
// numbers, so hidraw2 comes before hidraw10, port 1-1.2 before 1-1.10 and
// station st2 before st10, and a parent path before its children. Runs that
// differ only in leading zeros ("a01", "a1") are equal here.
bool NaturalLess(std::string_view a, std::string_view b);

}  // namespace zt
