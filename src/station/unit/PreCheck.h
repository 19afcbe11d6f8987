#pragma once
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "device/FailureCodes.h"

namespace zt::station {

// What the pre-check program is told of a unit, as one JSON object on its
// standard input.
struct PreCheckFacts {
    std::string stationId, operatorName, workOrder;
    std::string port;                             // "" when not known yet
    std::optional<uint16_t> vendorId, productId;  // of the device found on the port
    std::string barcode;
    std::string serial;  // the serial the unit would get (--serial); "" keeps the image's own
};

// The program's word on a unit.
struct PreCheckAnswer {
    bool yes = false;
    Failure failure{kClassPreCheck, kDetailPreCheckRefused};  // with a no
    // Its first line of output (standard output, else standard error), fit
    // for a record; with a no and nothing said, why there was no yes.
    std::string line;
    // With a yes: the serial it hands the unit ({"serial":"..."}), unchecked.
    std::optional<std::string> serial;
};

// The factory's say before a unit is touched: `--pre-check COMMAND` runs
// COMMAND through the system's shell for each unit, with the unit's facts
// on its standard input. Exit status 0 lets the unit be written; anything
// else, a crash, a program that cannot be started (the shell's 126 and 127
// among them) or one still running at the time-out (then killed) refuses it. With a yes, standard output may
// be one JSON object; its "serial" member hands the unit its serial.
class PreCheck {
public:
    static constexpr std::chrono::milliseconds kDefaultTimeout{10000};

    PreCheck(std::string command, std::chrono::milliseconds timeout);

    // Runs the program for one unit and waits for its word. Safe from any
    // thread; units asked at once run their programs side by side.
    PreCheckAnswer Ask(const PreCheckFacts& facts) const;

    // The facts as the program reads them: one JSON object and a newline.
    static std::string FactsLine(const PreCheckFacts& facts);

private:
    std::string command_;
    std::chrono::milliseconds timeout_;
};

}  // namespace zt::station
