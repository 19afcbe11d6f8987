// Report descriptors come from the device: any bytes must parse without
// reading outside the buffer, and the lengths must stay consistent.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/linux/ReportDescriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto r = zt::platform_linux::ParseReportDescriptor(data, size);
    // A length, when there is one, counts at least the ID byte and one data byte.
    if (r.inputLength == 1 || r.outputLength == 1) std::abort();
    return 0;
}
