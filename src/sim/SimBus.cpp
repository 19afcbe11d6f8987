#include "sim/SimBus.h"

#include <algorithm>

#include "chip/EepromImage.h"
#include "chip/ImageLayout.h"
#include "sim/SimBusState.h"

namespace zt::sim {

SimBus::SimBus(Clock& clock) : state_(std::make_unique<State>(clock)) {}
SimBus::~SimBus() = default;

int SimBus::AddChip(ChipVariant variant, const std::vector<uint8_t>& eeprom) {
    int index;
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        index = static_cast<int>(state_->chips.size());
        state_->chips.push_back(std::make_unique<SimChipModel>(variant, eeprom));
        state_->order.push_back({true, index});
        state_->PlugLocked(index);
    }
    state_->PostPendingNotices();
    return index;
}

std::vector<uint8_t> FactoryEeprom(ChipVariant variant) {
    std::vector<uint8_t> eeprom(SimChipModel::kEepromSize, 0xFF);
    const EepromImage& factory = variant == ChipVariant::B ? kImageB : kImageA;
    std::copy(factory.begin(), factory.end(), eeprom.begin());
    std::copy_n(factory.begin(), image::kHeaderSize, eeprom.begin() + kHeaderBackupAddress);
    eeprom[kProgressMarkerAddress] = 0;
    eeprom[kFirmwareVersionAddress] = 1;
    eeprom[kFirmwareVersionAddress + 1] = 0;
    eeprom[kFirmwareVersionAddress + 2] = 0;
    return eeprom;
}

int SimBus::AddFactoryChip(ChipVariant variant) { return AddChip(variant, FactoryEeprom(variant)); }

void SimBus::AddOtherHidDevice(uint16_t vendorId, uint16_t productId) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->others.push_back({vendorId, productId});
    state_->order.push_back({false, static_cast<int>(state_->others.size()) - 1});
}

void SimBus::Unplug(int chip) {
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        state_->UnplugLocked(chip);
    }
    state_->PostPendingNotices();
}

void SimBus::Plug(int chip) {
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        state_->PlugLocked(chip);
    }
    state_->PostPendingNotices();
}

// The removal notice goes out while the chip is still away, as on a real bus.
void SimBus::Replug(int chip) {
    Unplug(chip);
    Plug(chip);
}

void SimBus::ReplaceUnit(int chip) {
    Unplug(chip);
    std::lock_guard<std::mutex> lock(state_->mutex);
    SimChipModel& model = state_->Chip(chip);
    model.ReplaceUnit(FactoryEeprom(model.variant()));
}

std::string SimBus::Serial(int chip) const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->Chip(chip).serial();
}

bool SimBus::IsPlugged(int chip) const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->Chip(chip).plugged();
}

uint16_t SimBus::VendorId(int chip) const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->Chip(chip).vendorId();
}

uint16_t SimBus::ProductId(int chip) const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->Chip(chip).productId();
}

uint16_t SimBus::BcdDevice(int chip) const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->Chip(chip).bcdDevice();
}

std::string SimBus::Path(int chip) const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->ChipPath(chip);
}

std::string SimBus::Port(int chip) const { return State::ChipPort(chip); }

std::vector<uint8_t> SimBus::Eeprom(int chip) const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->Chip(chip).Eeprom();
}

void SimBus::SetEeprom(int chip, uint16_t address, const std::vector<uint8_t>& bytes) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->Chip(chip).SetEeprom(address, bytes);
}

uint8_t SimBus::Register(int chip, uint8_t reg) const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->Chip(chip).Register(reg);
}

void SimBus::SetRegister(int chip, uint8_t reg, uint8_t value) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->Chip(chip).SetRegister(reg, value);
}

std::vector<std::pair<uint8_t, uint8_t>> SimBus::RegisterWrites(int chip) const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->Chip(chip).RegisterWrites();
}

SimFaults& SimBus::Faults(int chip) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->Chip(chip).faults();
}

void SimBus::SetFullSpeedLink(int chip, bool fullSpeed) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->Chip(chip).SetFullSpeedLink(fullSpeed);
}

void SimBus::SetAudioServiceName(const std::string& name) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->audioServiceName = name;
}

void SimBus::SetAcceptedPropertySet(int set) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->acceptedPropertySet = set;
}

void SimBus::SetInReplyLength(uint32_t length) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->inReplyLength = length;
}

void SimBus::SetAudioPresent(bool present) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->audioPresent = present;
}

std::vector<SimLogEntry> SimBus::Log() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return {state_->log.begin(), state_->log.end()};
}

void SimBus::ClearLog() {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->log.clear();
    state_->logDropped = 0;
}

size_t SimBus::LogCapacity() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->logCapacity;
}

void SimBus::SetLogCapacity(size_t entries) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->logCapacity = entries;
    while (state_->log.size() > entries) {
        state_->log.pop_front();
        ++state_->logDropped;
    }
}

uint64_t SimBus::LogDropped() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->logDropped;
}

HidBackend& SimBus::hid() { return state_->hid; }
AudioFilterBackend& SimBus::audio() { return state_->audio; }
UsbTree& SimBus::usb() { return state_->usb; }
DeviceNoticeSource& SimBus::notices() { return state_->notices; }
Clock& SimBus::clock() { return state_->clock; }

}  // namespace zt::sim
