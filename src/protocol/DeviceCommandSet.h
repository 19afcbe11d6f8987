#pragma once
#include <array>
#include <atomic>
#include <cstdint>

#include "chip/EepromImage.h"
#include "device/DeviceAccess.h"
#include "protocol/ProgressView.h"

namespace zt {

// The named device commands: each makes exactly one attempt, paces the chip
// with its fixed pauses, and on failure records its own origin and returns a
// failure status. The class owns what the commands share: the rolling tag,
// the image they write from, the read-back they fill, and the stage last
// written to the device.
//
// Threads: the commands run on the worker during a job and on the
// user-interface thread for the preflight and the hidden buttons; the job
// hand-over (workerStep) gives the buffers to one thread at a time.
class DeviceCommandSet : public DeviceAccess {
public:
    DeviceCommandSet(const Platform& platform, ProgressView& progress);

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

    // True once the tool is closing: the commands that check it then send
    // nothing and record that they were stopped.
    virtual bool StopRequested() const = 0;

    std::atomic<uint8_t> commandTag{240};
    // The image the commands write, by EEPROM address; the marker command
    // mirrors its stage into it.
    std::array<uint8_t, kImageBufferSize> imageBuffer{};
    uint32_t imageLength = kImageSize;
    // The body groups (by their first address) that the next body write sends.
    std::array<uint8_t, kImageBufferSize> rewriteMap{};
    std::array<uint8_t, kImageBufferSize> readBackBuffer{};
    // The stage last written to the device's EEPROM as its progress marker.
    std::atomic<uint8_t> jobStage{0};

protected:
    ProgressView& progress;
};

}  // namespace zt
