#include "chip/EepromImage.h"

namespace zt {

// The low four bits of the chip identifier are a revision that shares the
// variant's image.
const EepromImage* SelectImage(uint32_t chipId) {
    switch (chipId & kChipIdMask) {
        case kChipIdImageA:
            return &kImageA;
        case kChipIdImageB:
            return &kImageB;
        default:
            return nullptr;
    }
}

}  // namespace zt
