#pragma once
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "chip/DeviceIds.h"
#include "chip/ImageIdentity.h"
#include "job/JobOutcome.h"

namespace zt {

// What one write job did, as its front ends and the station log learn it.
// The job fills it as it goes; a job that stopped early leaves the later
// fields empty.
struct JobReport {
    // Interrupted until the job ends: a job that the close stopped keeps it.
    JobOutcome outcome{ResultKind::Interrupted, std::nullopt};
    // The device the job opened before the re-plug, and the one it opened
    // after it (none for an updater device, which is not re-plugged).
    std::optional<DeviceIds> openedBefore;
    std::optional<DeviceIds> openedAfter;
    // The masked chip identifier the preflight read.
    std::optional<uint32_t> chipId;
    // "A", "B" or the image file's name; empty until an image was chosen.
    std::string imageName;
    std::string imageSha256;  // of the bytes written (serial included), lower-case hex
    // What the written image makes of the unit once it boots from it: the
    // IDs, release number and serial string a confirmation expects.
    std::optional<ImageIdentity> imageIdentity;
    std::string serialWritten;  // the request's serial, once it is in the image
    int rewritePasses = 0;
    // Every failure code the operator was shown, in order; a header restore
    // that failed after the job's own failure adds its code last.
    std::vector<uint32_t> codesShown;
    std::optional<uint32_t> restoreCode;
    std::chrono::system_clock::time_point start{}, end{};
};

}  // namespace zt
