#pragma once
#include <atomic>
#include <cstdint>
#include <string>

#include "platform/Clock.h"
#include "platform/HidBackend.h"
#include "platform/Status.h"

namespace zt {

// One open HID connection: a handle for attribute queries and output reports,
// a second handle on the same device used only to read input reports, and the
// report lengths (report-ID byte included). The link also knows the backend
// its handles belong to and the clock its pauses and time-outs run on.
struct HidLink {
    HidLink(HidBackend& backend, Clock& clock) : hid(&backend), clock(&clock) {}
    HidLink(const HidLink&) = delete;
    HidLink& operator=(const HidLink&) = delete;

    HidBackend* hid;
    Clock* clock;
    Handle writeHandle = kInvalidHandle;
    Handle readHandle = kInvalidHandle;
    uint16_t inputReportLength = 0;
    uint16_t outputReportLength = 0;
    uint16_t openedInputLength = 0;
    uint16_t openedOutputLength = 0;
    // The interface the handles are open on; "" while closed.
    std::string path;
    // Read by the worker's device-event block while the UI thread may open or
    // close the link.
    std::atomic<uint32_t> isOpen{0};
};

// The read time-out of one input report.
inline constexpr uint32_t kHidReadTimeoutMs = 5000;
// Our report buffers are 64 bytes; a link's report lengths are clamped to this.
inline constexpr uint16_t kMaxReportLength = 64;

// Finds the first present HID interface with the given IDs and opens both of
// its handles on `link`. The report lengths go to the out-parameters.
bool HidOpenByVidPid(HidLink& link, uint16_t vendorId, uint16_t productId, uint16_t* inputLength,
                     uint16_t* outputLength);

// Reads one input report of link.inputReportLength bytes into `buffer`
// (which holds at least that many). Returns the byte count, -1 on the 5000 ms
// time-out, 0 on failure or when there is nothing to read from.
int HidReadReport(HidLink& link, uint8_t* buffer);

// Closes both handles of a link (each only if valid) and sets them to -1.
void HidCloseHandles(HidLink& link);

}  // namespace zt
