#pragma once
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "chip/EepromImage.h"

namespace zt {

// How the unit is re-plugged between the erase and the write: by the
// operator's hands, or by switching its hub port's power off and on.
enum class ReplugMode { Operator, Power };

// An image file brought for the job instead of the embedded image.
struct ImageFile {
    EepromImage bytes{};
    std::string name;  // as the operator knows it, shown in reports
};

// One write job as a caller asks for it.
struct JobRequest {
    // The unit's port; "" means the unit that the typed IDs select.
    std::string port;
    // IDs to type into the ID boxes; an unset one keeps what the box shows.
    std::optional<uint16_t> vendorId;
    std::optional<uint16_t> productId;
    // Written instead of the embedded image, once checked against the chip.
    std::optional<ImageFile> image;
    // Written into the image's serial string (the same length), whichever
    // image the chip takes; none keeps the image's own serial.
    std::optional<std::string> serial;
    ReplugMode replug = ReplugMode::Operator;
    // How long the unit has to come back once the re-plug is asked for;
    // zero keeps the dialog's own wait.
    std::chrono::seconds replugWait{0};
};

}  // namespace zt
