#include "station/unit/DeviceIdTrace.h"

namespace zt::station {

int DeviceIdTrace::Write(Handle handle, const uint8_t* data, size_t length) {
    {
        // Asked once per handle: a re-plugged unit comes back on a new one.
        std::lock_guard lock(mutex_);
        uint16_t vendorId = 0, productId = 0;
        if (lastHandle_ != handle && backend_.GetAttributes(handle, vendorId, productId)) {
            lastHandle_ = handle;
            last_ = Ids{vendorId, productId};
            if (!first_) first_ = last_;
        }
    }
    return backend_.Write(handle, data, length);
}

void DeviceIdTrace::Close(Handle handle) {
    {
        // The number may come back for the next device opened.
        std::lock_guard lock(mutex_);
        if (lastHandle_ == handle) lastHandle_.reset();
    }
    backend_.Close(handle);
}

std::optional<DeviceIdTrace::Ids> DeviceIdTrace::First() const {
    std::lock_guard lock(mutex_);
    return first_;
}

std::optional<DeviceIdTrace::Ids> DeviceIdTrace::Last() const {
    std::lock_guard lock(mutex_);
    return last_;
}

void DeviceIdTrace::Reset() {
    std::lock_guard lock(mutex_);
    first_.reset();
    last_.reset();
    // A handle still open stays where it was; its next request notes it again.
    lastHandle_.reset();
}

}  // namespace zt::station
