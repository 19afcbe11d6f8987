#include "chip/HexId.h"

#include <cctype>
#include <cstdio>

namespace zt {

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool HasHexPrefix(const std::string& text, size_t at) {
    return text.size() > at + 1 && text[at] == '0' && (text[at + 1] == 'x' || text[at + 1] == 'X');
}

}  // namespace

uint16_t ParseHexId(const std::string& text) {
    const std::string limited = text.substr(0, 31);
    size_t i = 0;
    while (i < limited.size() && std::isspace(static_cast<unsigned char>(limited[i]))) ++i;
    bool negative = false;
    if (i < limited.size() && (limited[i] == '+' || limited[i] == '-')) negative = (limited[i++] == '-');
    // "0x" counts as a prefix only when a digit follows; "0xg" reads as 0.
    if (HasHexPrefix(limited, i) && i + 2 < limited.size() && HexDigit(limited[i + 2]) >= 0) i += 2;

    // The unsigned long of the platform the boxes were made for has 32 bits.
    constexpr uint64_t kMax = 0xFFFFFFFFu;
    uint64_t value = 0;
    bool overflow = false;
    for (; i < limited.size() && HexDigit(limited[i]) >= 0; ++i) {
        value = value * 16 + static_cast<uint64_t>(HexDigit(limited[i]));
        if (value > kMax) overflow = true, value = kMax;
    }
    if (overflow) return 0xFFFF;
    const uint32_t result =
        negative ? static_cast<uint32_t>(0u - static_cast<uint32_t>(value)) : static_cast<uint32_t>(value);
    return static_cast<uint16_t>(result & 0xFFFF);
}

std::string FormatHexId(uint16_t id) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", id);
    return text;
}

std::optional<uint16_t> ParseIdArgument(const std::string& text) {
    const size_t start = HasHexPrefix(text, 0) ? 2 : 0;
    const size_t digits = text.size() - start;
    if (digits == 0 || digits > 4) return std::nullopt;
    uint16_t value = 0;
    for (size_t i = start; i < text.size(); ++i) {
        const int digit = HexDigit(text[i]);
        if (digit < 0) return std::nullopt;
        value = static_cast<uint16_t>(value * 16 + digit);
    }
    return value;
}

std::optional<uint64_t> ParseNumberArgument(const std::string& text) {
    const bool hex = HasHexPrefix(text, 0);
    const uint64_t base = hex ? 16 : 10;
    const size_t start = hex ? 2 : 0;
    if (text.size() == start) return std::nullopt;
    uint64_t value = 0;
    for (size_t i = start; i < text.size(); ++i) {
        const int digit = HexDigit(text[i]);
        if (digit < 0 || static_cast<uint64_t>(digit) >= base) return std::nullopt;
        if (value > (UINT64_MAX - static_cast<uint64_t>(digit)) / base) return std::nullopt;
        value = value * base + static_cast<uint64_t>(digit);
    }
    return value;
}

}  // namespace zt
