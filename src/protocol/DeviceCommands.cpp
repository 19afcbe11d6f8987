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

// imageLength comes from the write request; a length our buffers cannot hold
// (or, for the body, one without room for the header) is refused up front.
bool ImageLengthFits(uint32_t length, uint32_t minimum) {
    return length >= minimum && length <= kImageBufferSize;
}

}  // namespace

DeviceCommandSet::DeviceCommandSet(DeviceAccess& device, CommandOwner& owner, ProgressView& progress)
    : device_(device), owner_(owner), progress_(progress) {}

bool DeviceCommandSet::UseHidPath() const {
    return device_.IsOpen() && device_.InputReportLength() >= kHidMinInputLengthForCommands;
}

bool DeviceCommandSet::Stopped(uint32_t origin) {
    if (!owner_.StopRequested()) return false;
    owner_.RecordFailure(origin, kStopped);
    return true;
}

// Advances the tag and runs one EEPROM exchange with it on the link.
bool DeviceCommandSet::TaggedEepromTransfer(uint16_t address, int read, uint8_t count, uint8_t* buffer) {
    const auto lock = device_.LockLink();
    NextTag();
    return HidEepromTransfer(address, device_.Link(), read, count, buffer, commandTag_.load());
}

// The shape of every single-request EEPROM command: stop check, one tagged
// exchange, the pause whatever its outcome, one failure record.
Status DeviceCommandSet::EepromCommand(uint32_t origin, uint16_t address, int read, uint8_t count,
                                       uint8_t* buffer) {
    if (Stopped(origin)) return kFail;
    const bool ok = TaggedEepromTransfer(address, read, count, buffer);
    Pause(kRequestPauseMs);
    if (!ok) {
        owner_.RecordFailure(origin, kEepromExchangeFailed);
        return kFail;
    }
    return kOk;
}

bool DeviceCommandSet::ReadEepromChunk(uint16_t address, uint8_t count, uint8_t* out) {
    bool ok = false;
    {
        const auto lock = device_.LockLink();
        if (device_.IsOpen()) {
            NextTag();
            ok = HidEepromTransfer(address, device_.Link(), 1, count, out, commandTag_.load());
        }
    }
    Pause(kRequestPauseMs);
    return ok;
}

void DeviceCommandSet::LoadImage(std::span<const uint8_t> image) {
    imageBuffer_.fill(0);
    std::copy(image.begin(), image.begin() + std::min(image.size(), imageBuffer_.size()),
              imageBuffer_.begin());
}

uint32_t DeviceCommandSet::MarkDifferingBody() {
    rewriteMap_.fill(0);
    uint32_t mismatches = 0;
    // The image length counts in 16 bits; the buffers bound it too.
    const uint32_t end = std::min<uint32_t>(static_cast<uint16_t>(imageLength_), kImageBufferSize);
    for (uint32_t i = 8; i < end; ++i) {
        if (imageBuffer_[i] != readBackBuffer_[i]) {
            rewriteMap_[i & ~7u] = 1;
            ++mismatches;
        }
    }
    return mismatches;
}

bool DeviceCommandSet::ReadBackMatches(size_t first, size_t last) const {
    return std::equal(imageBuffer_.begin() + first, imageBuffer_.begin() + last + 1,
                      readBackBuffer_.begin() + first);
}

bool DeviceCommandSet::ReadBackBlank(size_t count) const {
    return std::all_of(readBackBuffer_.begin(), readBackBuffer_.begin() + count,
                       [](uint8_t b) { return b == 0; });
}

void DeviceCommandSet::NextTag() {
    uint8_t current = commandTag_.load();
    while (!commandTag_.compare_exchange_weak(
        current, current >= kTagWrapAt ? 1 : static_cast<uint8_t>(current + 1))) {
    }
}

Status DeviceCommandSet::WriteProgressMarker(uint8_t stage) {
    if (Stopped(kOriginWriteProgressMarker)) return kFail;

    const auto lock = device_.LockLink();
    if (UseHidPath()) {
        imageBuffer_[kProgressMarkerAddress] = stage;  // the image mirrors the EEPROM
        uint8_t data = stage;
        const bool ok = TaggedEepromTransfer(kProgressMarkerAddress, 0, 1, &data);
        Pause(kRequestPauseMs);
        if (!ok) {
            owner_.RecordFailure(kOriginWriteProgressMarker, kHidExchangeFailed);
            return kFail;
        }
        jobStage_.store(stage);
        return kOk;
    }

    const uint16_t index = static_cast<uint16_t>((stage << 8) | (kProgressMarkerAddress & 0xFF));
    const Status status = device_.AudioVendorWrite(kAudioEepromWrite, kAudioMarkerValue, index);
    if (Failed(status)) owner_.RecordFailure(kOriginWriteProgressMarker, kAudioRequestFailed);
    return status;
}

Status DeviceCommandSet::ReadChipIdentity(uint32_t* chipIdOut, uint8_t* statusOut) {
    if (chipIdOut == nullptr || statusOut == nullptr) {
        owner_.RecordFailure(kOriginReadChipIdentity, kBadArgument);
        return kFail;
    }

    // The ten reads belong together: the other thread gets the link back only
    // after the last one.
    const auto lock = device_.LockLink();
    const bool overHid = UseHidPath();
    const auto& registers = overHid ? kHidIdentityRegisters : kAudioIdentityRegisters;
    for (size_t i = 0; i < registers.size(); ++i) {
        uint8_t value = 0;
        bool ok;
        if (overHid) {
            NextTag();
            ok = HidRegisterAccess(device_.Link(), &value, 1, registers[i], commandTag_.load());
        } else {
            ok = Succeeded(device_.AudioReadRegister(registers[i], &value));
        }
        if (!ok) {
            const auto position = static_cast<uint32_t>(i);
            owner_.RecordFailure(kOriginReadChipIdentity, overHid ? HidIdentityReadFailed(position)
                                                                  : AudioIdentityReadFailed(position));
            return kFail;
        }
        if (i == kStatusRegisterIndex) *statusOut = value;
        if (i == kIdHighRegisterIndex) *chipIdOut = static_cast<uint32_t>(value) << 8;
        if (i == kIdLowRegisterIndex) *chipIdOut |= value;
    }
    return kOk;
}

Status DeviceCommandSet::WriteControlRegister() {
    if (Stopped(kOriginWriteControlRegister)) return kFail;

    const auto lock = device_.LockLink();
    if (UseHidPath()) {
        uint8_t value = kControlValue;
        NextTag();
        const bool ok = HidRegisterAccess(device_.Link(), &value, 0, kControlRegister, commandTag_.load());
        Pause(kRequestPauseMs);
        if (!ok) {
            owner_.RecordFailure(kOriginWriteControlRegister, kHidExchangeFailed);
            return kFail;
        }
        return kOk;
    }

    const Status status = device_.AudioVendorWrite(
        kAudioRegisterWrite, static_cast<uint16_t>(kControlRegister << 8), kControlValue);
    if (Failed(status)) owner_.RecordFailure(kOriginWriteControlRegister, kAudioRequestFailed);
    return status;
}

Status DeviceCommandSet::EraseEeprom() {
    const auto lock = device_.LockLink();
    if (!device_.IsOpen()) {
        owner_.RecordFailure(kOriginEraseEeprom, kLinkClosed);
        return kFail;
    }
    // The command goes out twice; the chip acts on the second only when it
    // took the first.
    Status status = HidSendEraseCommand(device_.Link());
    Pause(kErasePauseMs);
    if (Succeeded(status)) {
        status = HidSendEraseCommand(device_.Link());
        Pause(kErasePauseMs);
    }
    if (Failed(status)) owner_.RecordFailure(kOriginEraseEeprom, kEraseSendFailed);
    return status;
}

Status DeviceCommandSet::ClearImageHeader() {
    std::array<uint8_t, kHeaderSize> zeros{};
    return EepromCommand(kOriginClearImageHeader, 0, 0, kHeaderSize, zeros.data());
}

Status DeviceCommandSet::WriteHeaderHead() {
    return EepromCommand(kOriginWriteHeaderHead, 0, 0, kHeaderHeadSize, &imageBuffer_[0]);
}

Status DeviceCommandSet::WriteHeaderTail() {
    return EepromCommand(kOriginWriteHeaderTail, kHeaderTailAddress, 0, kHeaderTailSize,
                         &imageBuffer_[kHeaderTailAddress]);
}

Status DeviceCommandSet::ReadBackHeader() {
    return EepromCommand(kOriginReadBackHeader, 0, 1, kHeaderSize, &readBackBuffer_[0]);
}

Status DeviceCommandSet::ReadBackHeaderHead() {
    return EepromCommand(kOriginReadBackHeaderHead, 0, 1, kHeaderHeadSize, &readBackBuffer_[0]);
}

Status DeviceCommandSet::ReadBackHeaderTail() {
    return EepromCommand(kOriginReadBackHeaderTail, kHeaderTailAddress, 1, kHeaderTailSize,
                         &readBackBuffer_[kHeaderTailAddress]);
}

Status DeviceCommandSet::WriteImageBody() {
    progress_.ShowProgress(0);
    if (!ImageLengthFits(imageLength_, kHeaderSize)) {
        owner_.RecordFailure(kOriginWriteImageBody, kBadArgument);
        return kFail;
    }

    // The chunks go from the end of the image towards its start; the header
    // (addresses 0 to 7) is left to the header commands. A length that is not
    // a multiple of 8 ends with a chunk below address 8, and the walk stops
    // there rather than wrap around the 16-bit address.
    const uint16_t total = static_cast<uint16_t>(imageLength_ - kHeaderSize);
    uint16_t address = total;
    uint32_t chunks = 0;
    while (address > 0 && address <= total) {
        if (Stopped(kOriginWriteImageBody)) return kFail;
        if (rewriteMap_[address] == 1) {
            if (!TaggedEepromTransfer(address, 0, kBodyChunk, &imageBuffer_[address])) {
                owner_.RecordFailure(kOriginWriteImageBody, kEepromExchangeFailed);
                return kFail;
            }
        }
        address = static_cast<uint16_t>(address - kBodyChunk);
        ++chunks;
        progress_.ShowProgress(static_cast<int>(((800 * chunks) / total) / 2));
        Pause(kRequestPauseMs);
    }
    progress_.ShowProgress(50);
    return kOk;
}

Status DeviceCommandSet::ReadBackImage() {
    const uint32_t length = imageLength_;
    if (!ImageLengthFits(length, 1)) {
        owner_.RecordFailure(kOriginReadBackImage, kBadArgument);
        return kFail;
    }

    uint16_t address = 0;
    uint8_t chunk = kReadBackFirstChunk;
    do {
        if (Stopped(kOriginReadBackImage)) return kFail;
        {
            // The read-back carries the current tag and moves it on only after
            // a successful read, wrapping at 252 rather than 240.
            const auto lock = device_.LockLink();
            const uint8_t tag = commandTag_.load();
            if (!HidEepromTransfer(address, device_.Link(), 1, chunk, &readBackBuffer_[address], tag)) {
                owner_.RecordFailure(kOriginReadBackImage, kEepromExchangeFailed);
                return kFail;
            }
            commandTag_.store(tag >= kReadBackTagWrapAt ? 1 : static_cast<uint8_t>(tag + 1));
        }
        address = static_cast<uint16_t>(address + chunk);
        progress_.ShowProgress(static_cast<int>(((address * 100u) / length) / 2 + 49));
        if (address < length) chunk = static_cast<uint8_t>(std::min<uint32_t>(length - address, kBodyChunk));
        Pause(kRequestPauseMs);
    } while (address < length);

    progress_.ShowProgress(99);
    return kOk;
}

Status DeviceCommandSet::RestoreHeaderFromBackup() {
    if (Stopped(kOriginRestoreHeaderFromBackup)) return kFail;

    const auto lock = device_.LockLink();
    std::array<uint8_t, kHeaderSize> copy{};
    const bool copyRead = TaggedEepromTransfer(kHeaderBackupAddress, 1, kHeaderSize, copy.data());
    Pause(kRequestPauseMs);
    if (!copyRead) {
        owner_.RecordFailure(kOriginRestoreHeaderFromBackup, kEepromExchangeFailed);
        return kFail;
    }
    if (std::all_of(copy.begin(), copy.end(), [](uint8_t b) { return b == 0x00 || b == 0xFF; })) {
        owner_.RecordFailure(kOriginRestoreHeaderFromBackup, kBlankHeaderCopy);
        return kFail;
    }

    // The check area starts as the complement of the copy, so a read-back that
    // brings nothing can never pass for a match.
    std::array<uint8_t, kHeaderSize> check{};
    std::transform(copy.begin(), copy.end(), check.begin(),
                   [](uint8_t b) { return static_cast<uint8_t>(~b); });

    // The tail goes first, as in a normal job; the comparisons decide.
    (void)TaggedEepromTransfer(kHeaderTailAddress, 0, kHeaderTailSize, &copy[kHeaderTailAddress]);
    Pause(kRequestPauseMs);
    (void)TaggedEepromTransfer(kHeaderTailAddress, 1, kHeaderTailSize, &check[kHeaderTailAddress]);
    Pause(kRequestPauseMs);
    if (!std::equal(copy.begin() + kHeaderTailAddress, copy.end(), check.begin() + kHeaderTailAddress)) {
        owner_.RecordFailure(kOriginRestoreHeaderFromBackup, kRestoredTailDiffers);
        return kFail;
    }

    (void)TaggedEepromTransfer(0, 0, kHeaderHeadSize, copy.data());
    Pause(kRequestPauseMs);
    (void)TaggedEepromTransfer(0, 1, kHeaderHeadSize, check.data());
    Pause(kRequestPauseMs);
    if (!std::equal(copy.begin(), copy.begin() + kHeaderHeadSize, check.begin())) {
        owner_.RecordFailure(kOriginRestoreHeaderFromBackup, kRestoredHeadDiffers);
        return kFail;
    }
    return kOk;
}

}  // namespace zt
