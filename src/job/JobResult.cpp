#include "job/JobResult.h"

#include <cstdio>

namespace zt {

std::string FailureMessage(uint32_t code) {
    char text[64];
    std::snprintf(text, sizeof text, "Fail to Write EEPROM! [%08X]", code);
    return text;
}

}  // namespace zt
