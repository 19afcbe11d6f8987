#include "platform/sim/SimBusState.h"

#include <cstdio>

#include "platform/DeviceNotices.h"

namespace zt::sim {
namespace {

std::string UsbPath(uint16_t vendorId, uint16_t productId, const char* instance, int index) {
    char path[96];
    std::snprintf(path, sizeof path, "\\\\?\\USB#VID_%04X&PID_%04X#%s%d", vendorId, productId, instance,
                  index);
    return path;
}

}  // namespace

SimBus::State::State(Clock& busClock)
    : clock(busClock), hid(*this), audio(*this), usb(*this), notices(*this) {}

std::string SimBus::State::ChipPath(int index) const {
    const auto& chip = *chips.at(static_cast<size_t>(index));
    return UsbPath(chip.vendorId(), chip.productId(), "ZT51XXSIM", index);
}

std::string SimBus::State::OtherPath(int index) const {
    const auto& other = others.at(static_cast<size_t>(index));
    return UsbPath(other.vendorId, other.productId, "OTHERSIM", index);
}

std::string SimBus::State::ChipPort(int index) { return "1-1." + std::to_string(index + 1); }

std::string SimBus::State::OtherPort(int index) { return "1-2." + std::to_string(index + 1); }

bool SimBus::State::IsAlive(const HidHandle& h) const {
    if (h.chip < 0) return true;
    const auto& chip = *chips[static_cast<size_t>(h.chip)];
    return chip.plugged() && chip.generation() == h.generation;
}

void SimBus::State::Log(int chip, SimLogEntry::Kind kind, std::vector<uint8_t> bytes) {
    log.push_back(SimLogEntry{clock.NowUs(), chip, kind, std::move(bytes)});
}

void SimBus::State::PlugLocked(int index) {
    auto& chip = Chip(index);
    if (chip.plugged()) return;
    chip.Plug();
    Log(index, SimLogEntry::Kind::Plug,
        {static_cast<uint8_t>(chip.vendorId() >> 8), static_cast<uint8_t>(chip.vendorId()),
         static_cast<uint8_t>(chip.productId() >> 8), static_cast<uint8_t>(chip.productId())});
    pendingNotices.push_back({kDbtDeviceArrival, ChipPath(index), ChipPort(index)});
}

void SimBus::State::UnplugLocked(int index) {
    auto& chip = Chip(index);
    if (!chip.plugged()) return;
    const std::string path = ChipPath(index);  // the IDs it presented while plugged
    chip.Unplug();
    for (auto& [handle, h] : hidHandles)
        if (h.chip == index) h.replies.clear();
    Log(index, SimLogEntry::Kind::Unplug);
    pendingNotices.push_back({kDbtDeviceRemoveComplete, path, ChipPort(index)});
}

void SimBus::State::PostPendingNotices() {
    // Holding noticeMutex across the whole drain keeps notices in order even
    // when two threads plug and unplug at once, and lets Unregister wait for a
    // post in progress.
    std::lock_guard<std::recursive_mutex> posting(noticeMutex);
    for (;;) {
        PendingNotice notice;
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (pendingNotices.empty()) return;
            notice = std::move(pendingNotices.front());
            pendingNotices.pop_front();
        }
        DeviceBroadcast record;
        record.deviceType = kDbtDevtypDeviceInterface;
        record.devicePath = notice.path;
        record.port = notice.port;
        std::vector<uintptr_t> ids;
        for (const auto& [id, recipient] : recipients) ids.push_back(id);
        for (uintptr_t id : ids) {
            auto it = recipients.find(id);  // a handler may have unregistered it
            if (it != recipients.end()) it->second->PostDeviceChange(notice.eventCode, record);
        }
    }
}

}  // namespace zt::sim
