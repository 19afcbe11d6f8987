#pragma once
#include <cstdint>

// The numbers of every failure the tool records: origins, classes and
// details. They sit at the bottom of the core because every layer records
// failures, from the device access up to the worker; what each combination
// means is the failure catalogue's business (job/FailureCatalogue.h).
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
    kOriginConfirmUnit = 26,  // a station's check of the unit after its last re-plug
    // The commands that only look at a unit, which the dialog's job never
    // runs: the firmware-version query (which records nothing of its own),
    // reading the EEPROM out, comparing it with an image, saving it.
    kOriginVersionQuery = 0x20,
    kOriginReadEepromRange = 0x21,
    kOriginCompareUnit = 0x22,
    kOriginSaveUnit = 0x23,
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
    kClassSerial = 22,
    kClassFile = 23,
    kClassUnitClaim = 24,
    kClassImageFit = 25,
    kClassPreCheck = 26,  // the factory's program that says whether a unit may be written
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
    kDetailChipIdentifierDiffers = 1,    // class 18
    kDetailCameBackAsOther = 2,          // class 18
    kDetailSerialRefused = 1,            // class 22
    kDetailUnitDiffers = 8,              // class 16
    kDetailFileNotWritten = 1,           // class 23
    kDetailUnitHeld = 1,                 // class 24
    kDetailUnitLockFailed = 2,           // class 24
    kDetailImageOfOtherChip = 1,         // class 25
    kDetailPreCheckRefused = 1,          // class 26
    kDetailPreCheckNoAnswer = 2,         // class 26
    kDetailPreCheckSerialRefused = 3,    // class 26
};

// One failure as an operation records it: its class and detail together, so
// that a class is never paired with another class's detail.
struct Failure {
    FailureClass errorClass;
    uint32_t errorDetail;
    bool operator==(const Failure&) const = default;
};

inline constexpr Failure kChipNotSupported{kClassChipNotSupported, kDetailChipNotSupported};
inline constexpr Failure kChipClassRecordWrong{kClassChipClassRecord, kDetailChipClassRecord};
inline constexpr Failure kHsDescriptorsMissing{kClassHsDescriptors, kDetailHsDescriptorsMissing};
inline constexpr Failure kDeviceNotFound{kClassDeviceNotFound, kDetailDeviceNotFound};
inline constexpr Failure kLinkClosed{kClassHidLinkClosed, kDetailLinkClosed};
inline constexpr Failure kHidExchangeFailed{kClassHidExchange, kDetailExchangeFailed};
inline constexpr Failure kEepromExchangeFailed{kClassEeprom, kDetailExchangeFailed};
inline constexpr Failure kEraseSendFailed{kClassEraseSend, kDetailExchangeFailed};
inline constexpr Failure kBlankHeaderCopy{kClassEeprom, kDetailBlankHeaderCopy};
inline constexpr Failure kRestoredTailDiffers{kClassEeprom, kDetailRestoredTailDiffers};
inline constexpr Failure kRestoredHeadDiffers{kClassEeprom, kDetailRestoredHeadDiffers};
inline constexpr Failure kInputReportTooShort{kClassLinkTooShort, kDetailInputReportTooShort};
inline constexpr Failure kOutputReportTooShort{kClassLinkTooShort, kDetailOutputReportTooShort};
inline constexpr Failure kAudioRequestFailed{kClassAudioPath, kDetailAudioRequestFailed};
inline constexpr Failure kBadArgument{kClassBadArgument, kDetailBadArgument};
inline constexpr Failure kSerialRefused{kClassSerial, kDetailSerialRefused};
inline constexpr Failure kCameBackAsOther{kClassUnitChanged, kDetailCameBackAsOther};
inline constexpr Failure kDeviceNotBack{kClassDeviceWait, kDetailDeviceNotBack};
inline constexpr Failure kStopped{kClassStopped, kDetailStopped};
inline constexpr Failure kHeaderNotBlank{kClassVerify, kDetailHeaderNotBlank};
inline constexpr Failure kBodyDiffers{kClassVerify, kDetailBodyDiffers};
inline constexpr Failure kHeaderTailDiffers{kClassVerify, kDetailHeaderTailDiffers};
inline constexpr Failure kHeaderHeadDiffers{kClassVerify, kDetailHeaderHeadDiffers};
inline constexpr Failure kChipIdentifierDiffers{kClassUnitChanged, kDetailChipIdentifierDiffers};
inline constexpr Failure kUnitDiffers{kClassVerify, kDetailUnitDiffers};
inline constexpr Failure kFileNotWritten{kClassFile, kDetailFileNotWritten};
inline constexpr Failure kUnitHeld{kClassUnitClaim, kDetailUnitHeld};
inline constexpr Failure kUnitLockFailed{kClassUnitClaim, kDetailUnitLockFailed};
inline constexpr Failure kImageOfOtherChip{kClassImageFit, kDetailImageOfOtherChip};
inline constexpr Failure kPreCheckRefused{kClassPreCheck, kDetailPreCheckRefused};
inline constexpr Failure kPreCheckNoAnswer{kClassPreCheck, kDetailPreCheckNoAnswer};
inline constexpr Failure kPreCheckSerialRefused{kClassPreCheck, kDetailPreCheckSerialRefused};

// The identity reads number their failures by the register's position in the
// read sequence, one range per path.
constexpr Failure HidIdentityReadFailed(uint32_t position) {
    return {kClassHidExchange, kDetailFirstHidIdentityRead + position};
}
constexpr Failure AudioIdentityReadFailed(uint32_t position) {
    return {kClassAudioPath, kDetailFirstAudioIdentityRead + position};
}

}  // namespace zt
