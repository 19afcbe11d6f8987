#include <algorithm>
#include <string>
#include <vector>

#include "device/HidLink.h"

namespace zt {

namespace {

// We look at no more interfaces than this, however many the system lists.
constexpr size_t kMaxInterfaces = 256;

void CloseHandle(HidBackend& hid, Handle& handle) {
    if (IsValidHandle(handle)) hid.Close(handle);
    handle = kInvalidHandle;
}

// Our report buffers are 64 bytes: a device that declares longer reports is
// spoken to with the first 64 bytes of each, never with more.
uint16_t ClampReportLength(uint16_t length) { return std::min(length, kMaxReportLength); }

}  // namespace

bool HidOpenByVidPid(HidLink& link, uint16_t vendorId, uint16_t productId, uint16_t* inputLength,
                     uint16_t* outputLength) {
    if (inputLength == nullptr || outputLength == nullptr) return false;
    if (IsValidHandle(link.writeHandle) && IsValidHandle(link.readHandle)) return true;

    HidBackend& hid = *link.hid;
    const std::vector<std::string> paths = hid.ListInterfaces();
    const size_t count = std::min(paths.size(), kMaxInterfaces);

    bool found = false;
    for (size_t index = 0; index < count && !found; ++index) {
        const std::string& path = paths[index];

        // The previous interface's write handle stays open until here: it
        // served that interface's attribute queries and is no longer needed.
        CloseHandle(hid, link.writeHandle);
        link.writeHandle = hid.Open(path, false);
        if (!IsValidHandle(link.writeHandle)) {
            link.writeHandle = kInvalidHandle;
            continue;
        }

        uint16_t foundVendorId = 0;
        uint16_t foundProductId = 0;
        if (!hid.GetAttributes(link.writeHandle, foundVendorId, foundProductId)) continue;
        if (foundVendorId != vendorId || foundProductId != productId) continue;

        uint16_t capsInput = 0;
        uint16_t capsOutput = 0;
        if (!hid.GetCaps(link.writeHandle, capsInput, capsOutput)) continue;
        link.inputReportLength = ClampReportLength(capsInput);
        link.outputReportLength = ClampReportLength(capsOutput);

        CloseHandle(hid, link.readHandle);
        link.readHandle = hid.Open(path, true);
        if (IsValidHandle(link.readHandle)) {
            found = true;
            link.path = path;
        } else {
            link.readHandle = kInvalidHandle;
        }
    }

    if (!found) {
        link.inputReportLength = 0;
        link.outputReportLength = 0;
        CloseHandle(hid, link.writeHandle);
        CloseHandle(hid, link.readHandle);
    }

    *inputLength = link.inputReportLength;
    *outputLength = link.outputReportLength;
    return found;
}

int HidReadReport(HidLink& link, uint8_t* buffer) {
    if (buffer == nullptr || !IsValidHandle(link.readHandle) || link.inputReportLength == 0) return 0;

    // Links are opened with lengths of at most 64; one built by hand with a
    // longer length still reads no more than our 64-byte buffers hold.
    const size_t length = ClampReportLength(link.inputReportLength);
    const int result = link.hid->Read(link.readHandle, buffer, length, kHidReadTimeoutMs);
    if (result < 0) return -1;  // time-out; the backend has cancelled the read
    return std::min(result, static_cast<int>(length));
}

void HidCloseHandles(HidLink& link) {
    CloseHandle(*link.hid, link.writeHandle);
    CloseHandle(*link.hid, link.readHandle);
    link.path.clear();
}

}  // namespace zt
