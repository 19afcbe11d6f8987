#include "station/operator/TerminalText.h"

#include <cstdio>

namespace zt::station {

namespace {

void Put(std::string& out, unsigned value) {
    if (value == '\\') {
        out += "\\\\";
    } else if (value >= 0x20 && value < 0x7F) {
        out.push_back(static_cast<char>(value));
    } else {
        char code[8];
        std::snprintf(code, sizeof code, value > 0xFF ? "\\u%04X" : "\\x%02X", value);
        out += code;
    }
}

}  // namespace

std::string ForTerminal(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) Put(out, static_cast<unsigned char>(c));
    return out;
}

std::string ForTerminal(std::span<const uint16_t> units) {
    std::string out;
    out.reserve(units.size());
    for (const uint16_t unit : units) Put(out, unit);
    return out;
}

}  // namespace zt::station
