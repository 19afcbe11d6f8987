#pragma once
#include <string>
#include <vector>

#include "ChipGadget.h"

namespace zt::kernelbed {

// What reached the chip, one line per kind of request in order: repeats are
// folded ("reg-read x10"), body writes and read-backs become address ranges
// (a walk that skips or repeats a chunk splits its range), plugs show the IDs.
std::vector<std::string> RequestShape(const std::vector<gadget::WireEvent>& log);

// Requests that reached the chip sooner after the previous one than the
// chip's pacing allows: 3 ms after an EEPROM request, 2 ms after an erase,
// 13 ms after a register write (10 ms to settle, then the 3 ms).
std::vector<std::string> PacingViolations(const std::vector<gadget::WireEvent>& log);

// What a whole job on a unit that starts normal sends, in RequestShape's
// terms: the erase, the re-plug into the updater, then the header, the body
// and the three-step header finish.
std::vector<std::string> ExpectedJobShape(const gadget::GadgetIds& factory, uint16_t updaterProductId);

}  // namespace zt::kernelbed
