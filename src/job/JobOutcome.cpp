#include "job/JobOutcome.h"

#include <cstdio>

namespace zt {

const char* ResultName(ResultKind kind) {
    switch (kind) {
        case ResultKind::Ok:
            return "OK";
        case ResultKind::Failed:
            return "FAIL";
        case ResultKind::Interrupted:
            return "INTERRUPTED";
        case ResultKind::Cancelled:
            return "CANCELLED";
    }
    return "FAIL";
}

std::string FormatResultCode(uint32_t code) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", code);
    return text;
}

}  // namespace zt
