#include "sim/SimBusState.h"

#include "platform/DeviceNotices.h"

namespace zt::sim {
namespace {

// A simulated device is named after the hub port it sits on, which is all
// that tells two of them apart; the name stays across a re-plug, whatever IDs
// the device comes back with.
std::string SimNode(const std::string& port) { return "sim:" + port; }

}  // namespace

SimBus::State::State(Clock& busClock)
    : clock(busClock), hid(*this), audio(*this), usb(*this), notices(*this) {}

std::string SimBus::State::ChipPath(int index) const {
    (void)chips.at(static_cast<size_t>(index));
    return SimNode(ChipPort(index));
}

std::string SimBus::State::OtherPath(int index) const {
    (void)others.at(static_cast<size_t>(index));
    return SimNode(OtherPort(index));
}

std::string SimBus::State::ChipPort(int index) { return "1-1." + std::to_string(index + 1); }

std::string SimBus::State::OtherPort(int index) { return "1-2." + std::to_string(index + 1); }

bool SimBus::State::IsAlive(const HidHandle& h) const {
    if (h.chip < 0) return true;
    const auto& chip = *chips[static_cast<size_t>(h.chip)];
    return chip.plugged() && chip.generation() == h.generation;
}

void SimBus::State::Log(int chip, SimLogEntry::Kind kind, std::vector<uint8_t> bytes) {
    if (logCapacity == 0) {
        ++logDropped;
        return;
    }
    if (log.size() >= logCapacity) {
        log.pop_front();
        ++logDropped;
    }
    log.push_back(SimLogEntry{clock.NowUs(), chip, kind, std::move(bytes)});
}

void SimBus::State::PlugLocked(int index) {
    auto& chip = Chip(index);
    if (chip.plugged()) return;
    chip.Plug();
    Log(index, SimLogEntry::Kind::Plug,
        {static_cast<uint8_t>(chip.vendorId() >> 8), static_cast<uint8_t>(chip.vendorId()),
         static_cast<uint8_t>(chip.productId() >> 8), static_cast<uint8_t>(chip.productId())});
    pendingNotices.push_back(
        {DeviceNotice::Kind::Arrival, chip.vendorId(), chip.productId(), ChipPort(index), ChipPath(index)});
}

void SimBus::State::UnplugLocked(int index) {
    auto& chip = Chip(index);
    if (!chip.plugged()) return;
    // The IDs it presented while plugged.
    DeviceNotice removal{DeviceNotice::Kind::Removal, chip.vendorId(), chip.productId(), ChipPort(index),
                         ChipPath(index)};
    chip.Unplug();
    for (auto& [handle, h] : hidHandles)
        if (h.chip == index) h.replies.clear();
    Log(index, SimLogEntry::Kind::Unplug);
    pendingNotices.push_back(std::move(removal));
}

void SimBus::State::PostPendingNotices() {
    // Holding noticeMutex across the whole drain keeps notices in order even
    // when two threads plug and unplug at once, and lets Unregister wait for a
    // post in progress.
    std::lock_guard<std::recursive_mutex> posting(noticeMutex);
    for (;;) {
        DeviceNotice notice;
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (pendingNotices.empty()) return;
            notice = std::move(pendingNotices.front());
            pendingNotices.pop_front();
        }
        std::vector<uintptr_t> ids;
        for (const auto& [id, recipient] : recipients) ids.push_back(id);
        for (uintptr_t id : ids) {
            auto it = recipients.find(id);  // a handler may have unregistered it
            if (it != recipients.end()) it->second->PostDeviceChange(notice);
        }
    }
}

}  // namespace zt::sim
