#include <algorithm>
#include <array>
#include <mutex>

#include "protocol/CommandExchange.h"
#include "protocol/DeviceCommandSet.h"

namespace zt {

namespace {

// Device pacing: the chip needs these pauses between requests.
constexpr uint32_t kRequestPauseMs = 3;
constexpr uint32_t kErasePauseMs = 2;

constexpr uint8_t kTagWrapAt = 240;
constexpr uint8_t kReadBackTagWrapAt = 252;
constexpr uint16_t kHidMinInputLengthForCommands = 16;

constexpr uint8_t kControlRegister = 0xC4;
constexpr uint8_t kControlValue = 0x0C;

constexpr uint16_t kHeaderTailAddress = 5;
constexpr uint8_t kHeaderSize = 8;
constexpr uint8_t kHeaderHeadSize = 5;
constexpr uint8_t kHeaderTailSize = 3;
constexpr uint8_t kBodyChunk = 8;
constexpr uint8_t kReadBackFirstChunk = 16;

// Vendor requests of the audio-driver path.
constexpr uint8_t kAudioEepromWrite = 0x13;
constexpr uint16_t kAudioMarkerValue = 0x40A0;  // address high byte, EEPROM select
constexpr uint8_t kAudioRegisterWrite = 0x21;

// ReadChipIdentity's register reads: seven that wake the chip's identity
// logic, then the status byte and the identifier's high and low byte.
constexpr std::array<uint8_t, 10> kHidIdentityRegisters = {0xA3, 0xB2, 0xD8, 0x9A, 0xEE,
                                                           0xCA, 0xF8, 0xB1, 0xB9, 0xB8};
constexpr std::array<uint8_t, 10> kAudioIdentityRegisters = {0xA3, 0xB2, 0xB8, 0x9A, 0xEE,
                                                             0xCA, 0xF8, 0xB1, 0xB9, 0xB8};
constexpr size_t kStatusRegisterIndex = 7;
constexpr size_t kIdHighRegisterIndex = 8;
constexpr size_t kIdLowRegisterIndex = 9;

using Commands = DeviceCommandSet;

// The three commands with a second path take HID only from a device whose
// input report can carry their replies.
bool UseHidPath(const Commands& commands) {
    return commands.hidLink.isOpen.load() != 0 &&
           commands.hidInputReportLength.load() >= kHidMinInputLengthForCommands;
}

bool Stopped(Commands& commands, uint32_t origin) {
    if (!commands.StopRequested()) return false;
    commands.RecordFailure(origin, kStopped);
    return true;
}

// Advances the tag and runs one EEPROM exchange with it on hidLink.
bool TaggedEepromTransfer(Commands& commands, uint16_t address, int read, uint8_t count, uint8_t* buffer) {
    std::lock_guard lock(commands.linkMutex);
    commands.NextTag();
    return HidEepromTransfer(address, commands.hidLink, read, count, buffer, commands.commandTag.load());
}

// The shape of every single-request EEPROM command: stop check, one tagged
// exchange, the pause whatever its outcome, one failure record.
Status EepromCommand(Commands& commands, uint32_t origin, uint16_t address, int read, uint8_t count,
                     uint8_t* buffer) {
    if (Stopped(commands, origin)) return kFail;
    const bool ok = TaggedEepromTransfer(commands, address, read, count, buffer);
    commands.platform.clock.SleepMs(kRequestPauseMs);
    if (!ok) {
        commands.RecordFailure(origin, kEepromExchangeFailed);
        return kFail;
    }
    return kOk;
}

// imageLength comes from the write request; a length our buffers cannot hold
// (or, for the body, one without room for the header) is refused up front.
bool ImageLengthFits(uint32_t length, uint32_t minimum) {
    return length >= minimum && length <= kImageBufferSize;
}

}  // namespace

DeviceCommandSet::DeviceCommandSet(const Platform& platform, ProgressView& progress)
    : DeviceAccess(platform), progress(progress) {}

void DeviceCommandSet::NextTag() {
    uint8_t current = commandTag.load();
    while (!commandTag.compare_exchange_weak(current,
                                             current >= kTagWrapAt ? 1 : static_cast<uint8_t>(current + 1))) {
    }
}

Status DeviceCommandSet::WriteProgressMarker(uint8_t stage) {
    if (Stopped(*this, kOriginWriteProgressMarker)) return kFail;

    std::unique_lock lock(linkMutex);
    if (UseHidPath(*this)) {
        imageBuffer[kProgressMarkerAddress] = stage;  // the image mirrors the EEPROM
        uint8_t data = stage;
        const bool ok = TaggedEepromTransfer(*this, kProgressMarkerAddress, 0, 1, &data);
        platform.clock.SleepMs(kRequestPauseMs);
        if (!ok) {
            RecordFailure(kOriginWriteProgressMarker, kHidExchangeFailed);
            return kFail;
        }
        jobStage.store(stage);
        return kOk;
    }

    const uint16_t index = static_cast<uint16_t>((stage << 8) | (kProgressMarkerAddress & 0xFF));
    const Status status =
        AudioVendorWrite(audioDeviceName.c_str(), kAudioEepromWrite, kAudioMarkerValue, index);
    if (Failed(status)) RecordFailure(kOriginWriteProgressMarker, kAudioRequestFailed);
    return status;
}

Status DeviceCommandSet::ReadChipIdentity(uint32_t* chipIdOut, uint8_t* statusOut) {
    if (chipIdOut == nullptr || statusOut == nullptr) {
        RecordFailure(kOriginReadChipIdentity, kBadArgument);
        return kFail;
    }

    // The ten reads belong together: the other thread gets the link back only
    // after the last one.
    std::lock_guard lock(linkMutex);
    const bool overHid = UseHidPath(*this);
    const auto& registers = overHid ? kHidIdentityRegisters : kAudioIdentityRegisters;
    for (size_t i = 0; i < registers.size(); ++i) {
        uint8_t value = 0;
        bool ok;
        if (overHid) {
            NextTag();
            ok = HidRegisterAccess(hidLink, &value, 1, registers[i], commandTag.load());
        } else {
            ok = Succeeded(AudioReadRegister(registers[i], &value));
        }
        if (!ok) {
            const auto position = static_cast<uint32_t>(i);
            RecordFailure(kOriginReadChipIdentity,
                          overHid ? HidIdentityReadFailed(position) : AudioIdentityReadFailed(position));
            return kFail;
        }
        if (i == kStatusRegisterIndex) *statusOut = value;
        if (i == kIdHighRegisterIndex) *chipIdOut = static_cast<uint32_t>(value) << 8;
        if (i == kIdLowRegisterIndex) *chipIdOut |= value;
    }
    return kOk;
}

Status DeviceCommandSet::WriteControlRegister() {
    if (Stopped(*this, kOriginWriteControlRegister)) return kFail;

    std::unique_lock lock(linkMutex);
    if (UseHidPath(*this)) {
        uint8_t value = kControlValue;
        NextTag();
        const bool ok = HidRegisterAccess(hidLink, &value, 0, kControlRegister, commandTag.load());
        platform.clock.SleepMs(kRequestPauseMs);
        if (!ok) {
            RecordFailure(kOriginWriteControlRegister, kHidExchangeFailed);
            return kFail;
        }
        return kOk;
    }

    const Status status = AudioVendorWrite(audioDeviceName.c_str(), kAudioRegisterWrite,
                                           static_cast<uint16_t>(kControlRegister << 8), kControlValue);
    if (Failed(status)) RecordFailure(kOriginWriteControlRegister, kAudioRequestFailed);
    return status;
}

Status DeviceCommandSet::EraseEeprom() {
    std::lock_guard lock(linkMutex);
    if (hidLink.isOpen.load() == 0) {
        RecordFailure(kOriginEraseEeprom, kLinkClosed);
        return kFail;
    }
    // The command goes out twice; the chip acts on the second only when it
    // took the first.
    Status status = HidSendEraseCommand(hidLink);
    platform.clock.SleepMs(kErasePauseMs);
    if (Succeeded(status)) {
        status = HidSendEraseCommand(hidLink);
        platform.clock.SleepMs(kErasePauseMs);
    }
    if (Failed(status)) RecordFailure(kOriginEraseEeprom, kEraseSendFailed);
    return status;
}

Status DeviceCommandSet::ClearImageHeader() {
    std::array<uint8_t, kHeaderSize> zeros{};
    return EepromCommand(*this, kOriginClearImageHeader, 0, 0, kHeaderSize, zeros.data());
}

Status DeviceCommandSet::WriteHeaderHead() {
    return EepromCommand(*this, kOriginWriteHeaderHead, 0, 0, kHeaderHeadSize, &imageBuffer[0]);
}

Status DeviceCommandSet::WriteHeaderTail() {
    return EepromCommand(*this, kOriginWriteHeaderTail, kHeaderTailAddress, 0, kHeaderTailSize,
                         &imageBuffer[kHeaderTailAddress]);
}

Status DeviceCommandSet::ReadBackHeader() {
    return EepromCommand(*this, kOriginReadBackHeader, 0, 1, kHeaderSize, &readBackBuffer[0]);
}

Status DeviceCommandSet::ReadBackHeaderHead() {
    return EepromCommand(*this, kOriginReadBackHeaderHead, 0, 1, kHeaderHeadSize, &readBackBuffer[0]);
}

Status DeviceCommandSet::ReadBackHeaderTail() {
    return EepromCommand(*this, kOriginReadBackHeaderTail, kHeaderTailAddress, 1, kHeaderTailSize,
                         &readBackBuffer[kHeaderTailAddress]);
}

Status DeviceCommandSet::WriteImageBody() {
    progress.ShowProgress(0);
    if (!ImageLengthFits(imageLength, kHeaderSize)) {
        RecordFailure(kOriginWriteImageBody, kBadArgument);
        return kFail;
    }

    // The chunks go from the end of the image towards its start; the header
    // (addresses 0 to 7) is left to the header commands. A length that is not
    // a multiple of 8 ends with a chunk below address 8, and the walk stops
    // there rather than wrap around the 16-bit address.
    const uint16_t total = static_cast<uint16_t>(imageLength - kHeaderSize);
    uint16_t address = total;
    uint32_t chunks = 0;
    while (address > 0 && address <= total) {
        if (Stopped(*this, kOriginWriteImageBody)) return kFail;
        if (rewriteMap[address] == 1) {
            if (!TaggedEepromTransfer(*this, address, 0, kBodyChunk, &imageBuffer[address])) {
                RecordFailure(kOriginWriteImageBody, kEepromExchangeFailed);
                return kFail;
            }
        }
        address = static_cast<uint16_t>(address - kBodyChunk);
        ++chunks;
        progress.ShowProgress(static_cast<int>(((800 * chunks) / total) / 2));
        platform.clock.SleepMs(kRequestPauseMs);
    }
    progress.ShowProgress(50);
    return kOk;
}

Status DeviceCommandSet::ReadBackImage() {
    const uint32_t length = imageLength;
    if (!ImageLengthFits(length, 1)) {
        RecordFailure(kOriginReadBackImage, kBadArgument);
        return kFail;
    }

    uint16_t address = 0;
    uint8_t chunk = kReadBackFirstChunk;
    do {
        if (Stopped(*this, kOriginReadBackImage)) return kFail;
        {
            // The read-back carries the current tag and moves it on only after
            // a successful read, wrapping at 252 rather than 240.
            std::lock_guard lock(linkMutex);
            const uint8_t tag = commandTag.load();
            if (!HidEepromTransfer(address, hidLink, 1, chunk, &readBackBuffer[address], tag)) {
                RecordFailure(kOriginReadBackImage, kEepromExchangeFailed);
                return kFail;
            }
            commandTag.store(tag >= kReadBackTagWrapAt ? 1 : static_cast<uint8_t>(tag + 1));
        }
        address = static_cast<uint16_t>(address + chunk);
        progress.ShowProgress(static_cast<int>(((address * 100u) / length) / 2 + 49));
        if (address < length) chunk = static_cast<uint8_t>(std::min<uint32_t>(length - address, kBodyChunk));
        platform.clock.SleepMs(kRequestPauseMs);
    } while (address < length);

    progress.ShowProgress(99);
    return kOk;
}

Status DeviceCommandSet::RestoreHeaderFromBackup() {
    if (Stopped(*this, kOriginRestoreHeaderFromBackup)) return kFail;

    std::lock_guard lock(linkMutex);
    std::array<uint8_t, kHeaderSize> copy{};
    const bool copyRead = TaggedEepromTransfer(*this, kHeaderBackupAddress, 1, kHeaderSize, copy.data());
    platform.clock.SleepMs(kRequestPauseMs);
    if (!copyRead) {
        RecordFailure(kOriginRestoreHeaderFromBackup, kEepromExchangeFailed);
        return kFail;
    }
    if (std::all_of(copy.begin(), copy.end(), [](uint8_t b) { return b == 0x00 || b == 0xFF; })) {
        RecordFailure(kOriginRestoreHeaderFromBackup, kBlankHeaderCopy);
        return kFail;
    }

    // The check area starts as the complement of the copy, so a read-back that
    // brings nothing can never pass for a match.
    std::array<uint8_t, kHeaderSize> check{};
    std::transform(copy.begin(), copy.end(), check.begin(),
                   [](uint8_t b) { return static_cast<uint8_t>(~b); });

    // The tail goes first, as in a normal job; the comparisons decide.
    (void)TaggedEepromTransfer(*this, kHeaderTailAddress, 0, kHeaderTailSize, &copy[kHeaderTailAddress]);
    platform.clock.SleepMs(kRequestPauseMs);
    (void)TaggedEepromTransfer(*this, kHeaderTailAddress, 1, kHeaderTailSize, &check[kHeaderTailAddress]);
    platform.clock.SleepMs(kRequestPauseMs);
    if (!std::equal(copy.begin() + kHeaderTailAddress, copy.end(), check.begin() + kHeaderTailAddress)) {
        RecordFailure(kOriginRestoreHeaderFromBackup, kRestoredTailDiffers);
        return kFail;
    }

    (void)TaggedEepromTransfer(*this, 0, 0, kHeaderHeadSize, copy.data());
    platform.clock.SleepMs(kRequestPauseMs);
    (void)TaggedEepromTransfer(*this, 0, 1, kHeaderHeadSize, check.data());
    platform.clock.SleepMs(kRequestPauseMs);
    if (!std::equal(copy.begin(), copy.begin() + kHeaderHeadSize, check.begin())) {
        RecordFailure(kOriginRestoreHeaderFromBackup, kRestoredHeadDiffers);
        return kFail;
    }
    return kOk;
}

}  // namespace zt
