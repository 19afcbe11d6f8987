#pragma once
#include <string>

#include "chip/ImageIdentity.h"

namespace zt::station {

// What came back on a unit's port after its last re-plug, as its record and
// its result keep it.
struct CameBack {
    ImageIdentity unit;  // IDs, bcdDevice and serial as the USB walk read them
    // The link as the system tells it: "high" or "full"; "" where it does not.
    std::string link;
    // Which of the written image's identities came back: "high-speed" or
    // "full-speed"; "" for neither (then the unit failed its check).
    std::string identity;
};

}  // namespace zt::station
