#include "device/DeviceAccess.h"

namespace zt {

DeviceAccess::DeviceAccess(const Platform& platform)
    : platform(platform), hidLink(platform.hid, platform.clock) {
    // hidLink starts closed (handles -1, lengths 0); filterHandle -1.
}

DeviceAccess::~DeviceAccess() {
    const Handle filter = filterHandle.exchange(kInvalidHandle);
    if (IsValidHandle(filter)) platform.audio.Close(filter);
    std::lock_guard lock(linkMutex);
    HidCloseHandles(hidLink);
}

}  // namespace zt
