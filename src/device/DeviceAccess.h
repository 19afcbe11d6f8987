#pragma once
#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "chip/DeviceIds.h"
#include "chip/KnownDeviceTable.h"
#include "device/CommandOwner.h"
#include "device/FailureCodes.h"
#include "device/HidLink.h"
#include "platform/DeviceNotices.h"
#include "platform/Platform.h"
#include "platform/Status.h"

namespace zt {

// The device as the rest of the tool reaches it: the main HID connection and
// its lock, the known-device table, the audio device the second command path
// talks to, and the notices about the device that the user-interface thread
// leaves for the worker.
//
// Threads: both threads open, close and exchange on the link, always under
// its lock (LockLink). The open device's IDs and the notice flags are atomics
// because the user-interface thread compares them with removal notices while
// the worker opens and closes; the table is guarded by a lock of its own,
// since notices may be matched on the notice source's thread.
class DeviceAccess {
public:
    DeviceAccess(const Platform& platform, CommandOwner& owner);
    // Closes the link and a filter handle still open. The owner has stopped
    // every thread that could use them before this runs.
    ~DeviceAccess();
    DeviceAccess(const DeviceAccess&) = delete;
    DeviceAccess& operator=(const DeviceAccess&) = delete;

    Status OpenKnownDevice();
    Status OpenDeviceById(uint16_t vendorId, uint16_t productId);
    void CloseDevice();
    Status AudioVendorWrite(const char* serviceName, uint8_t request, uint16_t value, uint16_t index);
    Status AudioVendorWrite(uint8_t request, uint16_t value, uint16_t index) {
        return AudioVendorWrite(audioDeviceName_.c_str(), request, value, index);
    }
    Status AudioReadRegister(uint8_t reg, uint8_t* value);
    // Looks for the pair in OpenIds among the attached USB devices and keeps
    // the release number of the last one the walk visits (VersionRecord
    // bytes 3 and 4).
    Status FindDeviceInUsbTree();
    // The firmware-version query puts the typed pair where the open device's
    // IDs live before its walk and its own open.
    void PresetDeviceIds(DeviceIds ids) {
        deviceVendorId_.store(ids.vendorId);
        deviceProductId_.store(ids.productId);
    }

    // ---- The link ------------------------------------------------------------
    // Held for every exchange on the link, and across a group of exchanges
    // that belong together.
    std::unique_lock<std::recursive_mutex> LockLink() { return std::unique_lock(linkMutex_); }
    // The open link; use it only under LockLink.
    HidLink& Link() { return hidLink_; }
    bool IsOpen() const { return hidLink_.isOpen.load() != 0; }
    // The IDs of the device the link has open; 0xFFFF each when none is.
    DeviceIds OpenIds() const { return {deviceVendorId_.load(), deviceProductId_.load()}; }
    // The IDs of the device the link opened last, since ForgetLastOpened;
    // none when it opened nothing.
    std::optional<DeviceIds> LastOpenedIds();
    void ForgetLastOpened();
    // The open link's report lengths, as its opening found them.
    uint16_t InputReportLength() const { return hidInputReportLength_.load(); }
    uint16_t OutputReportLength();
    // The USB port of the device the link has open, as the backend names it;
    // "" when none is open or the backend cannot tell.
    std::string OpenPort();
    const Platform& GetPlatform() const { return platform_; }

    // Whether an audio-path request still holds the audio device open (each
    // request closes it again before it returns).
    bool AudioFilterOpen() const { return IsValidHandle(filterHandle_.load()); }

    // ---- Known devices -------------------------------------------------------
    // Row 0 holds the pair typed in the ID boxes. True when it changed.
    bool SetTypedIds(DeviceIds ids);
    KnownDeviceTable KnownDevices() const;
    // The audio device the second command path opens for every request.
    void SetAudioDeviceName(std::string name) { audioDeviceName_ = std::move(name); }
    // Bytes 3 and 4: the release number FindDeviceInUsbTree found.
    std::array<uint8_t, 16> VersionRecord() const { return versionRecord_; }
    void SetVersionBytes(const uint8_t* bytes, size_t count);

    // ---- Device notices --------------------------------------------------------
    // The first row of the table with these IDs becomes the notified pair;
    // false when no row has them.
    bool MatchKnownDevice(uint16_t vendorId, uint16_t productId);
    void NoteArrival() { deviceArrivalPending_.store(1); }
    // Only the removal of the device the link holds open counts; a closed
    // link carries 0xFFFF and so never matches. True when it counted.
    bool NoteRemoval();
    bool ArrivalPending() const { return deviceArrivalPending_.load() != 0; }
    bool RemovalPending() const { return deviceRemovalPending_.load() != 0; }
    void DropArrival() { deviceArrivalPending_.store(0); }
    void DropRemoval() { deviceRemovalPending_.store(0); }
    DeviceIds NotifiedIds() const { return {notifiedVid_.load(), notifiedPid_.load()}; }
    void ForgetNotifiedIds();
    void DropNotices();

private:
    const Platform platform_;
    CommandOwner& owner_;
    std::string audioDeviceName_;

    std::recursive_mutex linkMutex_;
    HidLink hidLink_;
    std::atomic<uint16_t> deviceVendorId_{0xFFFF};
    std::atomic<uint16_t> deviceProductId_{0xFFFF};
    std::atomic<uint16_t> hidInputReportLength_{0};
    std::atomic<Handle> filterHandle_{kInvalidHandle};
    std::optional<DeviceIds> lastOpened_;  // under linkMutex_

    mutable std::mutex tableMutex_;
    KnownDeviceTable knownDevices_ = kInitialKnownDevices;
    uint32_t usbDeviceFound_ = 0;
    std::array<uint8_t, 16> versionRecord_{};

    std::atomic<uint32_t> deviceArrivalPending_{0};
    std::atomic<uint32_t> deviceRemovalPending_{0};
    std::atomic<uint16_t> notifiedVid_{0xFFFF};
    std::atomic<uint16_t> notifiedPid_{0xFFFF};
};

}  // namespace zt
