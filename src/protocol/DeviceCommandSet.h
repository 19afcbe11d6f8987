#pragma once
#include <array>
#include <atomic>
#include <cstdint>
#include <span>

#include "chip/EepromImage.h"
#include "device/CommandOwner.h"
#include "device/DeviceAccess.h"
#include "protocol/ProgressView.h"

namespace zt {

// The named device commands: each makes exactly one attempt, paces the chip
// with its fixed pauses, and on failure records its own origin with its owner
// and returns a failure status. The set owns what the commands share: the
// rolling tag, the image they write from, the read-back they fill, the body
// groups still to be written, and the stage last written to the device.
//
// Threads: the commands run on the worker during a job and on the
// user-interface thread for the preflight and the hidden buttons; the job
// hand-over gives the buffers to one thread at a time.
class DeviceCommandSet {
public:
    DeviceCommandSet(DeviceAccess& device, CommandOwner& owner, ProgressView& progress);

    void NextTag();
    Status WriteProgressMarker(uint8_t stage);
    Status ReadChipIdentity(uint32_t* chipIdOut, uint8_t* statusOut);
    Status WriteControlRegister();
    Status EraseEeprom();
    Status ClearImageHeader();
    Status WriteHeaderHead();
    Status WriteHeaderTail();
    Status ReadBackHeader();
    Status ReadBackHeaderHead();
    Status ReadBackHeaderTail();
    Status WriteImageBody();
    Status ReadBackImage();
    Status RestoreHeaderFromBackup();
    // One tagged EEPROM read of up to 8 bytes on the open link, paced like
    // every EEPROM command but recorded nowhere: for reading a unit out,
    // which is no job. False when the link is closed or no reply came.
    bool ReadEepromChunk(uint16_t address, uint8_t count, uint8_t* out);

    // ---- What the commands share -------------------------------------------
    uint8_t Tag() const { return commandTag_.load(); }
    void SetTag(uint8_t tag) { commandTag_.store(tag); }
    // The stage last written to the device's EEPROM as its progress marker.
    uint8_t JobStage() const { return jobStage_.load(); }
    void SetJobStage(uint8_t stage) { jobStage_.store(stage); }
    // The image the commands write, by EEPROM address; the marker command
    // mirrors its stage into it. Loading clears the rest of the buffer.
    void LoadImage(std::span<const uint8_t> image);
    std::span<uint8_t> ImageBuffer() { return imageBuffer_; }
    std::span<const uint8_t> ImageBuffer() const { return imageBuffer_; }
    uint32_t ImageLength() const { return imageLength_; }
    void SetImageLength(uint32_t length) { imageLength_ = length; }
    std::span<const uint8_t> ReadBackBuffer() const { return readBackBuffer_; }
    // Every body group goes out with the next body write.
    void MarkWholeBody() { rewriteMap_.fill(1); }
    // Marks the body groups whose read-back differs from the image for the
    // next body write (and no others); returns how many bytes differ.
    uint32_t MarkDifferingBody();
    std::span<const uint8_t> RewriteMap() const { return rewriteMap_; }
    // Whether the read-back bytes first..last equal the image's.
    bool ReadBackMatches(size_t first, size_t last) const;
    // Whether the first `count` read-back bytes are all zero.
    bool ReadBackBlank(size_t count) const;

private:
    // The three commands with a second path take HID only from a device whose
    // input report can carry their replies.
    bool UseHidPath() const;
    bool Stopped(uint32_t origin);
    bool TaggedEepromTransfer(uint16_t address, int read, uint8_t count, uint8_t* buffer);
    Status EepromCommand(uint32_t origin, uint16_t address, int read, uint8_t count, uint8_t* buffer);
    void Pause(uint32_t ms) { device_.GetPlatform().clock.SleepMs(ms); }

    DeviceAccess& device_;
    CommandOwner& owner_;
    ProgressView& progress_;
    std::atomic<uint8_t> commandTag_{240};
    std::array<uint8_t, kImageBufferSize> imageBuffer_{};
    uint32_t imageLength_ = kImageSize;
    std::array<uint8_t, kImageBufferSize> rewriteMap_{};
    std::array<uint8_t, kImageBufferSize> readBackBuffer_{};
    std::atomic<uint8_t> jobStage_{0};
};

}  // namespace zt
