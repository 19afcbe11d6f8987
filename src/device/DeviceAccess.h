#pragma once
#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "chip/KnownDeviceTable.h"
#include "device/FailureCodes.h"
#include "device/HidLink.h"
#include "platform/Platform.h"
#include "platform/Status.h"

namespace zt {

// The device as the rest of the tool reaches it: the main HID connection and
// its lock, the known-device table, the audio device the second command path
// talks to, and the notices about the device that the user-interface thread
// leaves for the worker. Opening, closing and the audio path's two requests
// are defined here; the commands above build on them.
//
// Threads: both threads open, close and exchange on hidLink, always under
// linkMutex. The ID fields are atomics because the user-interface thread
// compares them with removal notices while the worker opens and closes.
class DeviceAccess {
public:
    explicit DeviceAccess(const Platform& platform);
    // Closes the link and a filter handle still open. The class above has
    // stopped every thread that could use them before this runs.
    virtual ~DeviceAccess();
    DeviceAccess(const DeviceAccess&) = delete;
    DeviceAccess& operator=(const DeviceAccess&) = delete;

    Status OpenKnownDevice();
    Status OpenDeviceById(uint16_t vendorId, uint16_t productId);
    void CloseDevice();
    Status AudioVendorWrite(const char* serviceName, uint8_t request, uint16_t value, uint16_t index);
    Status AudioReadRegister(uint8_t reg, uint8_t* value);
    Status FindDeviceInUsbTree();

    // Where a failing operation leaves its record: the job's record, kept by
    // the class above with the stage the device has reached.
    virtual void RecordFailure(uint32_t origin, Failure failure) = 0;

    Platform platform;

    // The audio device the second command path opens for every request.
    std::string audioDeviceName;

    // linkMutex serialises opening, closing and every exchange on hidLink
    // between the two threads.
    std::recursive_mutex linkMutex;
    HidLink hidLink;
    std::atomic<uint16_t> deviceVendorId{0xFFFF};
    std::atomic<uint16_t> deviceProductId{0xFFFF};
    std::atomic<uint16_t> hidInputReportLength{0};
    std::atomic<Handle> filterHandle{kInvalidHandle};
    KnownDeviceTable knownDevices = kInitialKnownDevices;  // row 0 written by the UI thread only
    uint32_t usbDeviceFound = 0;
    std::array<uint8_t, 16> versionRecord{};

    // Device notices: the user-interface thread sets these, the worker
    // consumes them. A removal names the open link, so closing the link
    // drops it.
    std::atomic<uint32_t> deviceArrivalPending{0};
    std::atomic<uint32_t> deviceRemovalPending{0};
    std::atomic<uint16_t> notifiedVid{0xFFFF};
    std::atomic<uint16_t> notifiedPid{0xFFFF};
};

}  // namespace zt
