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

bool IsRecordText(const std::string& text) {
    for (size_t at = 0; at < text.size();) {
        const auto lead = static_cast<unsigned char>(text[at]);
        const size_t length = lead < 0x80             ? 1
                              : (lead & 0xE0) == 0xC0 ? 2
                              : (lead & 0xF0) == 0xE0 ? 3
                              : (lead & 0xF8) == 0xF0 ? 4
                                                      : 0;
        if (length == 0 || at + length > text.size()) return false;
        uint32_t point = length == 1 ? lead : lead & (0x7F >> length);
        for (size_t i = 1; i < length; ++i) {
            const auto next = static_cast<unsigned char>(text[at + i]);
            if ((next & 0xC0) != 0x80) return false;
            point = (point << 6) | (next & 0x3F);
        }
        // The shortest form only, no surrogate halves, nothing past U+10FFFF.
        static constexpr uint32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (point < kShortest[length] || (point >= 0xD800 && point <= 0xDFFF) || point > 0x10FFFF)
            return false;
        if (point < 0x20 || (point >= 0x7F && point <= 0x9F)) return false;
        at += length;
    }
    return true;
}

}  // namespace zt::station
