#include "device/AudioDriverPath.h"

#include <algorithm>
#include <mutex>

#include "device/DebugOutput.h"
#include "device/DeviceAccess.h"

namespace zt {

namespace {

constexpr uint8_t kReadRegisterRequest = 0x22;
constexpr char kShortReplyText[] = "WDM Topology: GetVendorDefCom: ";

// Sends one request under each property set in turn until the driver takes
// one. Returns whether any was taken; the reply of the taken one is left in
// `reply`/`replyLength`.
bool SendUnderAnyPropertySet(AudioFilterBackend& audio, Handle handle, uint32_t flags, uint8_t requestType,
                             uint8_t request, uint16_t value, uint16_t index, uint8_t (&reply)[4],
                             uint32_t& replyLength) {
    for (int set = 1; set <= static_cast<int>(kVendorPropertySets.size()); ++set) {
        const std::array<uint8_t, 48> built =
            BuildVendorPropertyFrame(set, flags, requestType, request, value, index);
        uint8_t frame[48];
        std::copy(built.begin(), built.end(), frame);
        replyLength = 0;
        if (audio.SendProperty(handle, frame, reply, replyLength)) return true;
    }
    return false;
}

}  // namespace

Status OpenVendorFilter(AudioFilterBackend& audio, Handle& handle, const char* serviceName) {
    handle = kInvalidHandle;
    if (serviceName == nullptr) return kFail;
    const Handle opened = audio.Open(serviceName);
    if (!IsValidHandle(opened)) return kFail;
    handle = opened;
    return kOk;
}

Status VendorRequestOut(AudioFilterBackend& audio, Handle handle, uint8_t request, uint16_t value,
                        uint16_t index) {
    if (!IsValidHandle(handle)) return kFail;
    uint8_t reply[4] = {};
    uint32_t replyLength = 0;
    // Drivers that know none of our property sets refuse every frame; the
    // request is then simply not delivered, which the OUT path has never
    // treated as a failure.
    (void)SendUnderAnyPropertySet(audio, handle, kPropertyTypeSet, kRequestTypeVendorOut, request, value,
                                  index, reply, replyLength);
    return kOk;
}

Status VendorRequestIn(AudioFilterBackend& audio, Handle handle, uint8_t request, uint16_t value,
                       uint32_t* result) {
    if (result == nullptr || !IsValidHandle(handle)) return kFail;
    uint8_t reply[4] = {};
    uint32_t replyLength = 0;
    if (!SendUnderAnyPropertySet(audio, handle, kPropertyTypeGet, kRequestTypeVendorIn, request, value, 0,
                                 reply, replyLength)) {
        return kOk;
    }
    if (replyLength < sizeof reply) {
        DebugOutput(kShortReplyText);
        return kOk;
    }
    *result = static_cast<uint32_t>(reply[0]) | (static_cast<uint32_t>(reply[1]) << 8) |
              (static_cast<uint32_t>(reply[2]) << 16) | (static_cast<uint32_t>(reply[3]) << 24);
    return kOk;
}

// The audio device is looked up and opened afresh for every request and closed
// again before returning, so filterHandle is -1 between operations. linkMutex
// keeps the two threads from sharing filterHandle.

Status DeviceAccess::AudioVendorWrite(const char* serviceName, uint8_t request, uint16_t value,
                                      uint16_t index) {
    if (serviceName == nullptr) return kFail;
    std::lock_guard lock(linkMutex_);
    Handle handle = kInvalidHandle;
    (void)OpenVendorFilter(platform_.audio, handle, serviceName);  // a failed open fails the request below
    filterHandle_.store(handle);
    const Status status = VendorRequestOut(platform_.audio, handle, request, value, index);
    const Handle open = filterHandle_.exchange(kInvalidHandle);
    if (IsValidHandle(open)) platform_.audio.Close(open);
    return status;
}

Status DeviceAccess::AudioReadRegister(uint8_t reg, uint8_t* value) {
    if (value == nullptr) return kFail;
    std::lock_guard lock(linkMutex_);
    Handle handle = kInvalidHandle;
    (void)OpenVendorFilter(platform_.audio, handle, audioDeviceName_.c_str());
    filterHandle_.store(handle);
    uint32_t result = 0;
    const Status status = VendorRequestIn(platform_.audio, handle, kReadRegisterRequest,
                                          static_cast<uint16_t>(reg << 8), &result);
    const Handle open = filterHandle_.exchange(kInvalidHandle);
    if (IsValidHandle(open)) platform_.audio.Close(open);
    if (Succeeded(status)) *value = static_cast<uint8_t>(result);
    return status;
}

}  // namespace zt
