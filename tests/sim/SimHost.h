#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/HidBackend.h"
#include "sim/SimBus.h"
#include "sim/SimClock.h"

namespace zt::sim::test {

// A bare host on the simulated bus: opens a chip's HID interface the way the
// tool does (a write handle and a read handle) and trades raw reports with it.
struct SimHost {
    SimBus& bus;
    Handle writeHandle = kInvalidHandle;
    Handle readHandle = kInvalidHandle;

    bool Open(int chip = 0) {
        const std::string path = bus.Path(chip);
        writeHandle = bus.hid().Open(path, false);
        readHandle = bus.hid().Open(path, true);
        return IsValidHandle(writeHandle) && IsValidHandle(readHandle);
    }
    int Send(std::vector<uint8_t> report, size_t length = 64) {
        report.resize(length, 0);
        return bus.hid().Write(writeHandle, report.data(), report.size());
    }
    // One input report, or an empty vector with `result` set when there was none.
    std::vector<uint8_t> Receive(int* result = nullptr, uint32_t timeoutMs = 5000) {
        std::vector<uint8_t> buffer(256, 0xEE);
        const int n = bus.hid().Read(readHandle, buffer.data(), 64, timeoutMs);
        if (result) *result = n;
        buffer.resize(n > 0 ? static_cast<size_t>(n) : 0);
        return buffer;
    }

    static std::vector<uint8_t> EepromWrite(uint8_t tag, uint16_t address, std::vector<uint8_t> data) {
        std::vector<uint8_t> r{0,
                               tag,
                               0x11,
                               0xA0,
                               0xA0,
                               static_cast<uint8_t>(address >> 8),
                               static_cast<uint8_t>(address),
                               static_cast<uint8_t>(data.size())};
        for (uint8_t b : data) r.push_back(b);
        return r;
    }
    static std::vector<uint8_t> EepromRead(uint8_t tag, uint16_t address, uint8_t count) {
        return {
            0,    tag, 0x12, 0xE4, 0xA0, static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address),
            count};
    }
    static std::vector<uint8_t> RegisterWrite(uint8_t tag, uint8_t reg, uint8_t value) {
        return {0, tag, 0x21, 0, reg, value};
    }
    static std::vector<uint8_t> RegisterRead(uint8_t tag, uint8_t reg) { return {0, tag, 0x22, 0, reg, 0}; }
    static std::vector<uint8_t> Erase() { return {0, 0xF5, 0xAB, 0xCD}; }
};

inline size_t CountKind(const std::vector<SimLogEntry>& log, SimLogEntry::Kind kind) {
    size_t n = 0;
    for (const auto& e : log) n += e.kind == kind;
    return n;
}

}  // namespace zt::sim::test
