#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// Every failure code the tool can show, in one place. A code is four bytes:
// the job stage, the origin (the operation that recorded the failure), a
// class and a detail. The operations record with the names below; the table
// behind FailureCatalogue() says what each combination means, for the failure
// box, `explain`, JSON events, station logs and docs/failure-codes.md (which
// tools/failurecodes prints from it).
namespace zt {

// Origins: the operation that recorded a failure.
enum Origin : uint32_t {
    kOriginWriteRequest = 1,
    kOriginParseImageTags = 2,
    kOriginOpenKnownDevice = 3,
    kOriginOpenDeviceById = 4,
    kOriginReadChipIdentity = 5,
    kOriginWriteControlRegister = 6,
    kOriginWriteProgressMarker = 7,
    kOriginEraseEeprom = 8,
    kOriginWorker = 10,
    kOriginClearImageHeader = 11,
    kOriginWriteHeaderHead = 13,
    kOriginWriteHeaderTail = 14,
    kOriginWriteImageBody = 15,
    kOriginReadBackHeader = 17,
    kOriginReadBackHeaderHead = 18,
    kOriginReadBackHeaderTail = 19,
    kOriginReadBackImage = 22,
    kOriginRestoreHeaderFromBackup = 25,
};

// Classes: what kind of failure.
enum FailureClass : uint32_t {
    kClassChipNotSupported = 2,
    kClassChipClassRecord = 3,
    kClassDeviceNotFound = 4,
    kClassHidLinkClosed = 5,
    kClassHidExchange = 6,
    kClassEeprom = 7,
    kClassEraseSend = 8,
    kClassLinkTooShort = 9,
    kClassAudioPath = 10,
    kClassBadArgument = 12,
    kClassDeviceWait = 13,
    kClassStopped = 14,
    kClassVerify = 16,
    kClassUnitChanged = 18,
    kClassHsDescriptors = 21,
};

// Details within a class. The same number means different things in
// different classes.
enum FailureDetail : uint32_t {
    kDetailChipNotSupported = 1,         // class 2
    kDetailChipClassRecord = 2,          // class 3
    kDetailHsDescriptorsMissing = 3,     // class 21
    kDetailDeviceNotFound = 1,           // class 4
    kDetailLinkClosed = 1,               // class 5
    kDetailExchangeFailed = 2,           // classes 6, 7 and 8
    kDetailFirstHidIdentityRead = 2,     // class 6: 2 + the register's position
    kDetailBlankHeaderCopy = 3,          // class 7
    kDetailRestoredTailDiffers = 6,      // class 7
    kDetailRestoredHeadDiffers = 9,      // class 7
    kDetailInputReportTooShort = 1,      // class 9
    kDetailOutputReportTooShort = 2,     // class 9
    kDetailAudioRequestFailed = 3,       // class 10
    kDetailFirstAudioIdentityRead = 12,  // class 10: 12 + the register's position
    kDetailBadArgument = 1,              // class 12
    kDetailDeviceNotBack = 2,            // class 13
    kDetailStopped = 1,                  // class 14
    kDetailHeaderNotBlank = 3,           // class 16
    kDetailBodyDiffers = 5,              // class 16
    kDetailHeaderTailDiffers = 6,        // class 16
    kDetailHeaderHeadDiffers = 7,        // class 16
    kDetailChipClassDiffers = 1,         // class 18
};

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
};

FailureDescription DescribeFailure(uint32_t code);

}  // namespace zt
