#include "job/JobResult.h"

#include <cstdio>

#include "job/TranslatableText.h"

namespace zt {

std::string FailureMessage(uint32_t code) {
    char text[64];
    std::snprintf(text, sizeof text, ZT_TR_NOOP("JobTexts", "Fail to Write EEPROM! [%08X]"), code);
    return text;
}

}  // namespace zt
