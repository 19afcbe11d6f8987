#include "sim/SimChipModel.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <span>

#include "chip/ImageIdentity.h"
#include "chip/ImageLayout.h"
#include "chip/KnownDeviceTable.h"
#include "chip/ReportFrame.h"

namespace zt::sim {
namespace {

using frame::kCmdEepromRead;
using frame::kCmdEepromWrite;
using frame::kCmdRegisterRead;
using frame::kCmdRegisterWrite;
using frame::kMaxWriteCount;
constexpr uint8_t kSelectEeprom = frame::kEepromSelect;
constexpr uint8_t kSelectEepromRead = frame::kEepromReadMode;

constexpr uint8_t kVendorEepromWrite = 0x13;

constexpr uint8_t kRegIdHigh = 0xB9;
constexpr uint8_t kRegIdLow = 0xB8;
constexpr uint8_t kRegStatus = 0xB1;

constexpr size_t kReplyTag = frame::kTagEchoOffset;
constexpr size_t kReplyValue = frame::kCountEchoOffset;  // also a register's value
constexpr size_t kReplyData = frame::kEepromReplyDataOffset;

uint16_t ChipIdOf(ChipVariant v) {
    switch (v) {
        case ChipVariant::A:
            return 0x73C2;
        case ChipVariant::B:
            return 0x73B5;
        case ChipVariant::Unknown:
            break;
    }
    return 0x7400;
}

}  // namespace

SimChipModel::SimChipModel(ChipVariant variant, const std::vector<uint8_t>& eeprom) : variant_(variant) {
    eeprom_.fill(0xFF);
    std::copy_n(eeprom.begin(), std::min(eeprom.size(), eeprom_.size()), eeprom_.begin());

    // Values the chip shows after reset. The tool reads the first seven and
    // ignores them; they only need to look like a live chip.
    registers_[0xA3] = 0x01;
    registers_[0xB2] = 0x10;
    registers_[0xD8] = 0x00;
    registers_[0x9A] = 0x03;
    registers_[0xEE] = 0x20;
    registers_[0xCA] = 0x0F;
    registers_[0xF8] = 0x80;
    registers_[kRegStatus] = 0x00;
    const uint16_t id = ChipIdOf(variant);
    registers_[kRegIdHigh] = static_cast<uint8_t>(id >> 8);
    registers_[kRegIdLow] = static_cast<uint8_t>(id);
}

uint16_t SimChipModel::ChipIdentifier() const {
    return static_cast<uint16_t>(registers_[kRegIdHigh] << 8 | registers_[kRegIdLow]);
}

void SimChipModel::Plug() {
    if (plugged_) return;
    plugged_ = true;
    Boot();
}

void SimChipModel::Unplug() {
    if (!plugged_) return;
    plugged_ = false;
    ++generation_;  // every handle opened so far is now dead
}

// The boot loader trusts the EEPROM only when the header magic is there; a chip
// without it enumerates as the updater device so that it can still be programmed.
void SimChipModel::Boot() {
    const std::span<const uint8_t> eeprom{eeprom_};
    if (!image::TagEquals(eeprom, image::kMagicOffset, image::kMagic)) {
        vendorId_ = kUpdaterVendorId;
        productId_ = variant_ == ChipVariant::B ? kUpdaterProductIdB : kUpdaterProductIdA;
        bcdDevice_ = kUpdaterBcdDevice;
        serial_.clear();
        return;
    }
    const ImageIdentity image = IdentityOf(eeprom);
    const ImageIdentity identity =
        fullSpeedLink_ ? image.AtFullSpeed().value_or(image.AtHighSpeed()) : image.AtHighSpeed();
    vendorId_ = identity.vendorId;
    productId_ = identity.productId;
    bcdDevice_ = identity.bcdDevice;
    serial_ = identity.serial;
    // A unit that was written and now comes back as some other device.
    if (written_ && faults_.otherIdsAfterWrite) productId_ = static_cast<uint16_t>(productId_ + 1);
}

void SimChipModel::Erase() { std::fill(eeprom_.begin(), eeprom_.begin() + kProgramAreaEnd, uint8_t{0xFF}); }

uint8_t SimChipModel::ReadCell(uint16_t address) const {
    address &= kEepromSize - 1;
    if (faults_.blankHeaderCopy && address >= kHeaderBackupAddress &&
        address < kHeaderBackupAddress + image::kHeaderSize)
        return 0xFF;
    return eeprom_[address];
}

void SimChipModel::WriteCell(uint16_t address, uint8_t value) {
    address &= kEepromSize - 1;
    if (faults_.headerWontClear && address < image::kHeaderSize && value == 0) return;
    auto stuck = faults_.stuckBytes.find(address);
    if (stuck != faults_.stuckBytes.end() && stuck->second > 0) {
        if (stuck->second != INT32_MAX) --stuck->second;
        return;
    }
    eeprom_[address] = value;
    written_ = true;
}

void SimChipModel::WriteRegister(uint8_t reg, uint8_t value) {
    registerWrites_.emplace_back(reg, value);
    if (reg == kRegIdHigh || reg == kRegIdLow) return;  // the identifier is fixed in silicon
    registers_[reg] = value;
}

void SimChipModel::ReplaceUnit(const std::vector<uint8_t>& eeprom) {
    Unplug();
    eeprom_.fill(0xFF);
    SetEeprom(0, eeprom);
    const bool noPortPower = faults_.noPortPower;
    faults_ = SimFaults{};
    faults_.noPortPower = noPortPower;
    requestCount_ = 0;
    written_ = false;
}

void SimChipModel::SetEeprom(uint16_t address, const std::vector<uint8_t>& bytes) {
    for (size_t i = 0; i < bytes.size(); ++i) eeprom_[(address + i) & (kEepromSize - 1)] = bytes[i];
}

std::vector<uint8_t> SimChipModel::NewReply() const {
    return std::vector<uint8_t>(faults_.inputReportLength, 0);
}

// Queues the chip's answer, preceded by the stale or garbled ones the faults
// ask for, each cut to the short length when that fault is on.
void SimChipModel::AddReplies(OutputOutcome& outcome, const SimRequest& request, std::vector<uint8_t> reply,
                              bool isEepromRead) {
    if (faults_.noReply) return;
    if (faults_.dropReplyWhen && faults_.dropReplyWhen(request)) return;
    auto push = [&](std::vector<uint8_t> r) {
        if (faults_.shortReplyLength > 0 && static_cast<size_t>(faults_.shortReplyLength) < r.size())
            r.resize(static_cast<size_t>(faults_.shortReplyLength));
        outcome.replies.push_back(std::move(r));
    };
    for (int i = 0; i < faults_.wrongTagRepliesBefore; ++i) {
        auto stale = reply;
        if (stale.size() > kReplyTag) stale[kReplyTag] ^= 0x80;
        push(std::move(stale));
    }
    if (isEepromRead) {
        for (int i = 0; i < faults_.wrongCountRepliesBefore; ++i) {
            auto garbled = reply;
            if (garbled.size() > kReplyValue) ++garbled[kReplyValue];
            push(std::move(garbled));
        }
    }
    push(std::move(reply));
}

SimChipModel::OutputOutcome SimChipModel::ReceiveOutputReport(const uint8_t* data, size_t length) {
    OutputOutcome outcome;
    SimRequest request;
    request.ordinal = ++requestCount_;
    request.report.assign(data, data + length);

    if (faults_.unplugAtRequest != 0 && faults_.unplugAtRequest == request.ordinal) {
        outcome.kind = OutputOutcome::Kind::Unplugged;  // the bus pulls the chip
        return outcome;
    }
    if (faults_.failWrites ||
        (faults_.failWriteAtRequest != 0 && faults_.failWriteAtRequest == request.ordinal)) {
        outcome.kind = OutputOutcome::Kind::Failed;
        return outcome;
    }

    // A report shorter than the chip's output length arrives padded with zeros.
    auto at = [&](size_t i) -> uint8_t { return i < length ? data[i] : 0; };
    if (at(0) != 0) return outcome;  // the chip has only report 0
    if (at(1) == 0xF5 && at(2) == 0xAB && at(3) == 0xCD) {
        Erase();
        return outcome;
    }

    const uint8_t tag = at(1);
    std::vector<uint8_t> reply = NewReply();
    auto put = [&reply](size_t i, uint8_t v) {
        if (i < reply.size()) reply[i] = v;
    };
    put(kReplyTag, tag);

    switch (at(2)) {
        case kCmdEepromWrite:
        case kCmdEepromRead: {
            const bool isRead = at(2) == kCmdEepromRead;
            if (at(3) != (isRead ? kSelectEepromRead : kSelectEeprom) || at(4) != kSelectEeprom)
                return outcome;
            const uint16_t address = static_cast<uint16_t>(at(5) << 8 | at(6));
            const uint8_t count = at(7);
            if (!isRead) {
                if (count > kMaxWriteCount) return outcome;
                for (size_t i = 0; i < count; ++i) WriteCell(static_cast<uint16_t>(address + i), at(8 + i));
            } else {
                for (size_t i = 0; i < count; ++i)
                    put(kReplyData + i, ReadCell(static_cast<uint16_t>(address + i)));
            }
            put(kReplyValue, count);
            AddReplies(outcome, request, std::move(reply), isRead);
            return outcome;
        }
        case kCmdRegisterWrite:
            WriteRegister(at(4), at(5));
            put(kReplyValue, registers_[at(4)]);
            AddReplies(outcome, request, std::move(reply), false);
            return outcome;
        case kCmdRegisterRead:
            put(kReplyValue, registers_[at(4)]);
            AddReplies(outcome, request, std::move(reply), false);
            return outcome;
        default:
            return outcome;  // unknown commands are ignored without an answer
    }
}

void SimChipModel::VendorOut(uint8_t request, uint16_t value, uint16_t index) {
    switch (request) {
        case kVendorEepromWrite:
            // value: address high byte and the EEPROM select; index: data and address low byte.
            if ((value & 0xFF) != kSelectEeprom) return;
            WriteCell(static_cast<uint16_t>((value & 0xFF00) | (index & 0xFF)),
                      static_cast<uint8_t>(index >> 8));
            return;
        case kCmdRegisterWrite:
            WriteRegister(static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(index));
            return;
        default:
            return;
    }
}

uint32_t SimChipModel::VendorIn(uint8_t request, uint16_t value, uint16_t /*index*/) {
    if (request == kCmdRegisterRead) return registers_[value >> 8];
    return 0;
}

}  // namespace zt::sim
