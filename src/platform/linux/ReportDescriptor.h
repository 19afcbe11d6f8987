#pragma once
#include <cstddef>
#include <cstdint>

namespace zt::platform_linux {

// What the tool needs from a HID report descriptor: how long the largest
// input and output report is, and whether the device numbers its reports.
// Lengths are in bytes with one byte for the report ID counted, whether or
// not the device uses IDs, because that is how the command layer sizes its
// buffers (the ID byte leads every report it writes and reads).
struct ReportLengths {
    uint16_t inputLength = 0;   // 0 when the device has no input report
    uint16_t outputLength = 0;  // 0 when the device has no output report
    bool usesReportIds = false;
};

// Parses a report descriptor as the kernel hands it out. Items are walked
// once; the global state (report size, count, ID) honours Push and Pop, long
// items are skipped, and an item cut short by the end of the buffer ends the
// walk. Malformed input never reads out of bounds; lengths that would not
// fit 16 bits saturate at 0xFFFF.
ReportLengths ParseReportDescriptor(const uint8_t* data, size_t length);

}  // namespace zt::platform_linux
