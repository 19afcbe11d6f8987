#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "device/FailureCodes.h"

// Every failure code the tool can show, in one place. A code is four bytes:
// the job stage, the origin (the operation that recorded the failure), a
// class and a detail. The operations record with the names of
// device/FailureCodes.h; the table behind FailureCatalogue() says what each
// combination means, for the failure
// box, `explain`, JSON events, station logs and docs/failure-codes.md (which
// tools/failurecodes prints from it).
namespace zt {

// One combination the tool can record.
struct FailureEntry {
    uint32_t origin;
    uint32_t errorClass;
    uint32_t errorDetail;
    std::string_view name;     // a few words
    std::string_view meaning;  // one sentence an operator or engineer can act on
};

// Every combination, ordered by origin, class and detail.
std::span<const FailureEntry> FailureCatalogue();

// Names of the parts of a code; empty for a number the tool never records.
std::string_view OriginName(uint32_t origin);
std::string_view FailureClassName(uint32_t errorClass);
// What the operator does next after a failure of this class, one short line
// in English; empty for a class the tool never records.
std::string_view FailureClassAction(uint32_t errorClass);
// What the stage byte says about the device's EEPROM.
std::string_view StageMeaning(uint32_t stage);

// A code taken apart. `known` is false when the tool never records the
// combination of origin, class and detail; the parts are then named as far as
// they are known, and `meaning` says the code is not one of ours.
struct FailureDescription {
    uint32_t code = 0;
    uint32_t stage = 0;
    uint32_t origin = 0;
    uint32_t errorClass = 0;
    uint32_t errorDetail = 0;
    bool known = false;
    std::string stageText;
    std::string originName;
    std::string className;
    std::string detailName;
    std::string meaning;
    std::string action;  // the class's operator action; "" for a combination the tool never records
};

FailureDescription DescribeFailure(uint32_t code);

}  // namespace zt
