#pragma once
#include <vector>

#include "sim/SimBus.h"

// The floor of a job: the pauses mandated for the requests the job actually
// sent, taken from the bus log. A job on the real clock can never be faster.
namespace zt::bench {

constexpr double kEepromRequestPauseMs = 3;       // after each EEPROM read or write
constexpr double kRegisterWritePauseMs = 10 + 3;  // inside the register write, then after it
constexpr double kEraseCommandPauseMs = 2;        // after each erase command

struct Floor {
    double ms = 0;
    int eepromRequests = 0, registerWrites = 0, eraseCommands = 0;
};

inline Floor FloorOf(const std::vector<sim::SimLogEntry>& log) {
    Floor floor;
    for (const auto& entry : log) {
        if (entry.kind != sim::SimLogEntry::Kind::OutputReport || entry.bytes.size() < 4) continue;
        const auto& b = entry.bytes;
        if (b[1] == 0xF5 && b[2] == 0xAB && b[3] == 0xCD) {
            ++floor.eraseCommands;
            floor.ms += kEraseCommandPauseMs;
        } else if (b[2] == 0x11 || b[2] == 0x12) {
            ++floor.eepromRequests;
            floor.ms += kEepromRequestPauseMs;
        } else if (b[2] == 0x21) {
            ++floor.registerWrites;
            floor.ms += kRegisterWritePauseMs;
        }  // register reads (0x22) are not paced
    }
    return floor;
}

}  // namespace zt::bench
