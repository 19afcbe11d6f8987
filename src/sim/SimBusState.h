#pragma once
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "sim/SimAudioFilterBackend.h"
#include "sim/SimBus.h"
#include "sim/SimChipModel.h"
#include "sim/SimDeviceNotices.h"
#include "sim/SimHidBackend.h"
#include "sim/SimUsbTree.h"

namespace zt::sim {

// Everything the bus and its four platform faces share. `mutex` guards all of
// it except the notice registrations, which `noticeMutex` guards. Nobody holds
// `mutex` while sleeping on the clock or while handing a notice to a recipient,
// so a recipient may call back into the bus.
struct SimBus::State {
    explicit State(Clock& busClock);

    struct OtherDevice {
        uint16_t vendorId;
        uint16_t productId;
    };
    // One entry per device in the order it was added: a chip or another HID device.
    struct DeviceRef {
        bool isChip;
        int index;
    };
    struct QueuedReply {
        uint64_t availableAtUs;
        std::vector<uint8_t> bytes;
    };
    struct HidHandle {
        int chip = -1;   // index into chips, or -1 for another HID device
        int other = -1;  // index into others
        uint64_t generation = 0;
        bool forReading = false;
        std::deque<QueuedReply> replies;  // input reports not read yet
    };
    struct AudioHandle {
        int chip;
        uint64_t generation;
    };

    // Replies a handle keeps before the oldest is dropped, like the input
    // buffer ring of a HID driver (large enough for every fault we inject).
    static constexpr size_t kMaxQueuedReplies = 4096;

    // All of these expect `mutex` held.
    SimChipModel& Chip(int index) { return *chips.at(static_cast<size_t>(index)); }
    // HID interface paths: "sim:" and the device's port ("sim:1-1.2").
    std::string ChipPath(int index) const;
    std::string OtherPath(int index) const;
    // The bus is a root hub "1" with an external hub "1-1" that takes the
    // chips, one per port ("1-1.1", "1-1.2", ...), and a second one "1-2"
    // for the other HID devices.
    static std::string ChipPort(int index);
    static std::string OtherPort(int index);
    bool IsAlive(const HidHandle& h) const;
    void Log(int chip, SimLogEntry::Kind kind, std::vector<uint8_t> bytes = {});
    void PlugLocked(int chip);
    void UnplugLocked(int chip);
    Handle NewHandle() { return nextHandle++; }

    // Hands queued arrival/removal notices to the registered recipients, in the
    // order they happened. Call without `mutex` held.
    void PostPendingNotices();

    Clock& clock;
    mutable std::mutex mutex;
    std::vector<std::unique_ptr<SimChipModel>> chips;
    std::vector<OtherDevice> others;
    std::vector<DeviceRef> order;
    std::map<Handle, HidHandle> hidHandles;
    std::map<Handle, AudioHandle> audioHandles;
    Handle nextHandle = 0x100;
    // The most recent `logCapacity` entries; older ones are dropped and counted.
    std::deque<SimLogEntry> log;
    size_t logCapacity = SimBus::kDefaultLogCapacity;
    uint64_t logDropped = 0;
    std::deque<DeviceNotice> pendingNotices;

    std::string audioServiceName = "MarluUAC";
    int acceptedPropertySet = 1;
    uint32_t inReplyLength = 4;
    bool audioPresent = true;

    std::recursive_mutex noticeMutex;  // reentrant: a recipient may unregister from its handler
    std::map<uintptr_t, DeviceNoticeRecipient*> recipients;
    uintptr_t nextRegistration = 1;

    SimHidBackend hid;
    SimAudioFilterBackend audio;
    SimUsbTree usb;
    SimDeviceNotices notices;
};

}  // namespace zt::sim
