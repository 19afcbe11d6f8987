#include "sim/SimDeviceNotices.h"

#include "sim/SimBusState.h"

namespace zt::sim {

uintptr_t SimDeviceNotices::Register(DeviceNoticeRecipient& recipient) {
    std::lock_guard<std::recursive_mutex> lock(state_.noticeMutex);
    const uintptr_t registration = state_.nextRegistration++;
    state_.recipients[registration] = &recipient;
    return registration;
}

void SimDeviceNotices::Unregister(uintptr_t registration) {
    // Waits for a notice being posted on another thread, so that none arrives
    // after this returns.
    std::lock_guard<std::recursive_mutex> lock(state_.noticeMutex);
    state_.recipients.erase(registration);
}

}  // namespace zt::sim
