#include "job/HexId.h"

#include <cstdio>
#include <cstdlib>

namespace zt {

uint16_t ParseHexId(const std::string& text) {
    const std::string limited = text.substr(0, 31);
    return static_cast<uint16_t>(std::strtoul(limited.c_str(), nullptr, 16) & 0xFFFF);
}

std::string FormatHexId(uint16_t id) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", id);
    return text;
}

}  // namespace zt
