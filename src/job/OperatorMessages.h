#pragma once
#include <string_view>

#include "job/TranslatableText.h"

namespace zt {

// The texts the job shows the operator in its boxes. The job holds a copy
// (ProgrammingJob::SetTexts); nothing reads them back to learn what
// happened: front ends learn that through the JobObserver's typed calls. A
// window shows them in the operator's language, looked up under "JobTexts".
struct JobTexts {
    std::string_view caption;
    std::string_view replugPrompt;
    std::string_view completion;
};

inline constexpr JobTexts kJobTexts = {
    ZT_TR_NOOP("JobTexts", "Write to EEPROM..."),
    ZT_TR_NOOP("JobTexts",
               "Please re-plugin USB device and MUST wait for USB device being recognized.\n"
               "Then press button to continue writting EEPROM!!"),
    ZT_TR_NOOP("JobTexts", "Write to EEPROM OK! Please re-plugin USB device !!"),
};

}  // namespace zt
