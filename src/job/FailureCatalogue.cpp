#include "job/FailureCatalogue.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "job/TranslatableText.h"

namespace zt {

namespace {

struct Named {
    uint32_t number;
    std::string_view name;
};

constexpr std::array kOriginNames = {
    Named{kOriginWriteRequest, "write request"},
    Named{kOriginParseImageTags, "ParseImageTags"},
    Named{kOriginOpenKnownDevice, "OpenKnownDevice"},
    Named{kOriginOpenDeviceById, "OpenDeviceById"},
    Named{kOriginReadChipIdentity, "ReadChipIdentity"},
    Named{kOriginWriteControlRegister, "WriteControlRegister"},
    Named{kOriginWriteProgressMarker, "WriteProgressMarker"},
    Named{kOriginEraseEeprom, "EraseEeprom"},
    Named{kOriginWorker, "worker"},
    Named{kOriginClearImageHeader, "ClearImageHeader"},
    Named{kOriginWriteHeaderHead, "WriteHeaderHead"},
    Named{kOriginWriteHeaderTail, "WriteHeaderTail"},
    Named{kOriginWriteImageBody, "WriteImageBody"},
    Named{kOriginReadBackHeader, "ReadBackHeader"},
    Named{kOriginReadBackHeaderHead, "ReadBackHeaderHead"},
    Named{kOriginReadBackHeaderTail, "ReadBackHeaderTail"},
    Named{kOriginReadBackImage, "ReadBackImage"},
    Named{kOriginRestoreHeaderFromBackup, "RestoreHeaderFromBackup"},
    Named{kOriginConfirmUnit, "ConfirmUnit"},
    Named{kOriginVersionQuery, "version query"},
    Named{kOriginReadEepromRange, "EEPROM read-out"},
    Named{kOriginCompareUnit, "unit compare"},
    Named{kOriginSaveUnit, "saving the read-out"},
};

constexpr std::array kClassNames = {
    Named{kClassChipNotSupported, "chip not supported"},
    Named{kClassChipClassRecord, "image chip class"},
    Named{kClassDeviceNotFound, "device not found"},
    Named{kClassHidLinkClosed, "no connection"},
    Named{kClassHidExchange, "HID exchange"},
    Named{kClassEeprom, "EEPROM exchange"},
    Named{kClassEraseSend, "erase command"},
    Named{kClassLinkTooShort, "reports too short"},
    Named{kClassAudioPath, "audio-driver path"},
    Named{kClassBadArgument, "internal"},
    Named{kClassDeviceWait, "device wait"},
    Named{kClassStopped, "stopped"},
    Named{kClassVerify, "verify"},
    Named{kClassUnitChanged, "unit changed"},
    Named{kClassHsDescriptors, "image descriptors"},
    Named{kClassSerial, "serial number"},
    Named{kClassFile, "file"},
    Named{kClassUnitClaim, "unit claim"},
    Named{kClassImageFit, "image fit"},
    Named{kClassPreCheck, "pre-check"},
};

// What the operator does next, one line per class; front ends show it in the
// operator's language, looked up under "FailureCatalogue".
constexpr std::array kClassActions = {
    Named{kClassChipNotSupported,
          ZT_TR_NOOP("FailureCatalogue",
                     "Check the unit's chip variant; put the unit aside if the tool has no image for it")},
    Named{kClassChipClassRecord,
          ZT_TR_NOOP("FailureCatalogue", "Install the tool again: its image is damaged")},
    Named{kClassDeviceNotFound,
          ZT_TR_NOOP("FailureCatalogue", "Plug the unit in, check the IDs, then try again")},
    Named{kClassHidLinkClosed, ZT_TR_NOOP("FailureCatalogue", "Re-plug the unit and press Write again")},
    Named{kClassHidExchange,
          ZT_TR_NOOP("FailureCatalogue", "Check the cable and hub, re-plug the unit and try again")},
    Named{kClassEeprom,
          ZT_TR_NOOP("FailureCatalogue", "Check the cable and hub, re-plug the unit and try again")},
    Named{kClassEraseSend, ZT_TR_NOOP("FailureCatalogue", "Re-plug the unit and press Write again")},
    Named{kClassLinkTooShort,
          ZT_TR_NOOP("FailureCatalogue", "Connect the unit directly, not through an adapter, and try again")},
    Named{kClassAudioPath,
          ZT_TR_NOOP("FailureCatalogue", "Check the unit's audio driver, re-plug and press Write again")},
    Named{kClassBadArgument, ZT_TR_NOOP("FailureCatalogue", "Report this code to the engineer")},
    Named{kClassDeviceWait,
          ZT_TR_NOOP("FailureCatalogue", "Re-plug the unit sooner after the prompt and press Write again")},
    Named{kClassStopped, ZT_TR_NOOP("FailureCatalogue", "Start the tool again and write the unit again")},
    Named{kClassVerify,
          ZT_TR_NOOP("FailureCatalogue",
                     "Re-plug the unit and press Write again; if it fails twice, put it aside")},
    Named{kClassUnitChanged,
          ZT_TR_NOOP("FailureCatalogue",
                     "Plug back the unit this job started with; if it was that unit, put it aside")},
    Named{kClassHsDescriptors,
          ZT_TR_NOOP("FailureCatalogue", "Install the tool again: its image is damaged")},
    Named{kClassSerial, ZT_TR_NOOP("FailureCatalogue",
                                   "Give a serial number that fits the image and write the unit again")},
    Named{kClassFile, ZT_TR_NOOP("FailureCatalogue", "Check the file and the folder, then try again")},
    Named{kClassUnitClaim,
          ZT_TR_NOOP("FailureCatalogue", "Wait for the other job to end, then write the unit again")},
    Named{kClassImageFit,
          ZT_TR_NOOP("FailureCatalogue", "Choose the image file for this unit's chip and write it again")},
    Named{kClassPreCheck, ZT_TR_NOOP("FailureCatalogue",
                                     "Settle what the factory's check names, then put the unit in again")},
};

constexpr std::array<std::string_view, 5> kStageMeanings = {
    "no progress marker written over HID yet: the preflight, the first control-register write or the "
    "first marker; the EEPROM is untouched unless the markers went over the audio-driver path",
    "marker 1 written: the erase, the re-plug, the second control-register write or the header clear; "
    "the EEPROM may be erased",
    "marker 2 written: the body write and its verify; the header is blank, so the unit starts as an "
    "updater device",
    "marker 3 written: the header tail; the header is still incomplete",
    "marker 4 written: the header head, then the final marker; the header is complete once its head "
    "verified",
};

// Sentences shared by several rows.
constexpr std::string_view kStoppedMeaning = ZT_TR_NOOP(
    "FailureCatalogue",
    "The tool was closing, so the command was not sent and the job ended there; start the tool again "
    "and repeat the job.");
constexpr std::string_view kNoAnswerMeaning = ZT_TR_NOOP(
    "FailureCatalogue",
    "The chip did not answer this EEPROM request, so the image may be incomplete (the unit then starts "
    "as an updater device): check the cable and the hub, re-plug and run the job again.");
constexpr std::string_view kHidIdentityMeaning = ZT_TR_NOOP(
    "FailureCatalogue",
    "The chip did not answer this register read over HID, so its identity is unknown: check the cable "
    "and re-plug; at stage 00 nothing was written, at stage 01 (after the re-plug) the unit is already "
    "erased and needs a new job.");
constexpr std::string_view kAudioIdentityMeaning = ZT_TR_NOOP(
    "FailureCatalogue",
    "The audio driver did not carry this register read (used when the HID reports are too short for "
    "commands): check that the device's audio function and its driver are present; at stage 01 (after "
    "the re-plug) the unit is already erased and needs a new job.");
constexpr std::string_view kInternalMeaning = ZT_TR_NOOP(
    "FailureCatalogue", "An internal fault of the tool, not of the device: report it with this code.");

// Ordered by origin, class and detail (a test keeps it so).
constexpr std::array kCatalogue = {
    // The write request's own checks: nothing has reached the EEPROM yet.
    FailureEntry{
        kOriginWriteRequest, kClassChipNotSupported, kDetailChipNotSupported, "chip not supported",
        ZT_TR_NOOP("FailureCatalogue",
                   "The chip's identifier selects none of the embedded images, or its status byte is not 0; "
                   "nothing was written: check that the unit carries a supported ZT51xx variant.")},
    FailureEntry{
        kOriginWriteRequest, kClassLinkTooShort, kDetailInputReportTooShort, "input reports too short",
        ZT_TR_NOOP(
            "FailureCatalogue",
            "The device's HID input reports are 24 bytes or shorter, too short for the read-back, so the "
            "job was refused before anything was erased: connect the device directly, or check the "
            "firmware it runs.")},
    FailureEntry{
        kOriginWriteRequest, kClassLinkTooShort, kDetailOutputReportTooShort, "output reports too short",
        ZT_TR_NOOP(
            "FailureCatalogue",
            "The device's HID output reports are shorter than 16 bytes, too short to carry 8 EEPROM "
            "bytes per write, so the job was refused before anything was erased: check the firmware it "
            "runs.")},
    FailureEntry{
        kOriginWriteRequest, kClassSerial, kDetailSerialRefused, "serial refused",
        ZT_TR_NOOP(
            "FailureCatalogue",
            "The serial number given for the unit does not fit the image's serial string (its length or "
            "its characters), so nothing was written: give serials of the image's length, made of "
            "letters, digits and '-'.")},
    FailureEntry{
        kOriginWriteRequest, kClassUnitClaim, kDetailUnitHeld, "unit held by another job",
        ZT_TR_NOOP("FailureCatalogue",
                   "Another job, in this tool or another, holds the unit's port, so this job left the unit "
                   "alone; nothing was sent to it: wait until that job has ended, then write the unit.")},
    FailureEntry{
        kOriginWriteRequest, kClassUnitClaim, kDetailUnitLockFailed, "unit lock not taken",
        ZT_TR_NOOP(
            "FailureCatalogue",
            "The lock that keeps two jobs off one unit could not be taken (a missing or read-only lock "
            "folder; the log line says why), so nothing was sent to the unit: mend the lock folder, "
            "then write the unit.")},
    FailureEntry{
        kOriginWriteRequest, kClassImageFit, kDetailImageOfOtherChip, "image file not for this chip",
        ZT_TR_NOOP(
            "FailureCatalogue",
            "The image file given for the job is not one for the chip in this unit (another variant's "
            "image, firmware, chip class or release series), so the unit was not erased: give the image "
            "of this unit's variant.")},
    FailureEntry{
        kOriginWriteRequest, kClassPreCheck, kDetailPreCheckRefused, "refused by the pre-check",
        ZT_TR_NOOP(
            "FailureCatalogue",
            "The station's pre-check program (--pre-check) ended with a status other than 0, so the unit "
            "was not touched; the record's preCheck field holds the first line it printed: settle what it "
            "names (a closed work order, a unit the factory does not know), then put the unit in again.")},
    FailureEntry{
        kOriginWriteRequest, kClassPreCheck, kDetailPreCheckNoAnswer, "no answer from the pre-check",
        ZT_TR_NOOP("FailureCatalogue",
                   "The station's pre-check program could not be started, crashed, was still running at its "
                   "time-out (--pre-check-timeout) and was killed, or said yes with output that is no JSON "
                   "object, so the unit was not touched: the record's preCheck field says which; mend the "
                   "program or the factory's system behind it, then put the unit in again.")},
    FailureEntry{
        kOriginWriteRequest, kClassPreCheck, kDetailPreCheckSerialRefused, "pre-check serial refused",
        ZT_TR_NOOP(
            "FailureCatalogue",
            "The serial the pre-check program handed the unit does not fit the image's serial string (its "
            "length or its characters, letters, digits and '-'), or was handed out before and is in the "
            "serial ledger, so the unit was not touched: have the factory's system hand out serials of "
            "the image's length, each once.")},
    // The image scan: the tool's own image is wrong; no device can help.
    FailureEntry{
        kOriginParseImageTags, kClassChipClassRecord, kDetailChipClassRecord, "chip-class record",
        ZT_TR_NOOP("FailureCatalogue",
                   "The embedded image has no chip-class record or one for another class than 0x27; nothing "
                   "was written: the tool's image is damaged, install the tool again.")},
    FailureEntry{
        kOriginParseImageTags, kClassHsDescriptors, kDetailHsDescriptorsMissing, "no high-speed descriptors",
        ZT_TR_NOOP("FailureCatalogue",
                   "The embedded image has no high-speed descriptor record; nothing was written: the tool's "
                   "image is damaged, install the tool again.")},
    // Device access.
    FailureEntry{
        kOriginOpenKnownDevice, kClassDeviceNotFound, kDetailDeviceNotFound, "no known device",
        ZT_TR_NOOP("FailureCatalogue",
                   "No known device found, or its device node could not be opened: plug the unit in, check "
                   "the IDs typed in the boxes and the permission on the device node.")},
    FailureEntry{
        kOriginOpenDeviceById, kClassDeviceNotFound, kDetailDeviceNotFound, "re-plugged device not opened",
        ZT_TR_NOOP("FailureCatalogue",
                   "The device that announced itself could not be opened by its IDs (gone again, or its node "
                   "may not be opened); the worker keeps trying while its wait lasts.")},
    // ReadChipIdentity: over HID, detail 2 + the position of the register.
    FailureEntry{kOriginReadChipIdentity, kClassHidExchange, 2, "HID read of register 0xA3",
                 kHidIdentityMeaning},
    FailureEntry{kOriginReadChipIdentity, kClassHidExchange, 3, "HID read of register 0xB2",
                 kHidIdentityMeaning},
    FailureEntry{kOriginReadChipIdentity, kClassHidExchange, 4, "HID read of register 0xD8",
                 kHidIdentityMeaning},
    FailureEntry{kOriginReadChipIdentity, kClassHidExchange, 5, "HID read of register 0x9A",
                 kHidIdentityMeaning},
    FailureEntry{kOriginReadChipIdentity, kClassHidExchange, 6, "HID read of register 0xEE",
                 kHidIdentityMeaning},
    FailureEntry{kOriginReadChipIdentity, kClassHidExchange, 7, "HID read of register 0xCA",
                 kHidIdentityMeaning},
    FailureEntry{kOriginReadChipIdentity, kClassHidExchange, 8, "HID read of register 0xF8",
                 kHidIdentityMeaning},
    FailureEntry{kOriginReadChipIdentity, kClassHidExchange, 9, "HID read of the status register 0xB1",
                 kHidIdentityMeaning},
    FailureEntry{kOriginReadChipIdentity, kClassHidExchange, 10,
                 "HID read of the identifier's high byte (0xB9)", kHidIdentityMeaning},
    FailureEntry{kOriginReadChipIdentity, kClassHidExchange, 11,
                 "HID read of the identifier's low byte (0xB8)", kHidIdentityMeaning},
    // Over the audio-driver path, detail 12 + the position of the register.
    FailureEntry{kOriginReadChipIdentity, kClassAudioPath, 12, "audio-path read of register 0xA3",
                 kAudioIdentityMeaning},
    FailureEntry{kOriginReadChipIdentity, kClassAudioPath, 13, "audio-path read of register 0xB2",
                 kAudioIdentityMeaning},
    FailureEntry{kOriginReadChipIdentity, kClassAudioPath, 14, "audio-path read of register 0xB8",
                 kAudioIdentityMeaning},
    FailureEntry{kOriginReadChipIdentity, kClassAudioPath, 15, "audio-path read of register 0x9A",
                 kAudioIdentityMeaning},
    FailureEntry{kOriginReadChipIdentity, kClassAudioPath, 16, "audio-path read of register 0xEE",
                 kAudioIdentityMeaning},
    FailureEntry{kOriginReadChipIdentity, kClassAudioPath, 17, "audio-path read of register 0xCA",
                 kAudioIdentityMeaning},
    FailureEntry{kOriginReadChipIdentity, kClassAudioPath, 18, "audio-path read of register 0xF8",
                 kAudioIdentityMeaning},
    FailureEntry{kOriginReadChipIdentity, kClassAudioPath, 19, "audio-path read of the status register 0xB1",
                 kAudioIdentityMeaning},
    FailureEntry{kOriginReadChipIdentity, kClassAudioPath, 20,
                 "audio-path read of the identifier's high byte (0xB9)", kAudioIdentityMeaning},
    FailureEntry{kOriginReadChipIdentity, kClassAudioPath, 21,
                 "audio-path read of the identifier's low byte (0xB8)", kAudioIdentityMeaning},
    FailureEntry{kOriginReadChipIdentity, kClassBadArgument, kDetailBadArgument, "no place for the identity",
                 kInternalMeaning},
    // The device commands of the job.
    FailureEntry{
        kOriginWriteControlRegister, kClassHidExchange, kDetailExchangeFailed,
        "control register not acknowledged",
        ZT_TR_NOOP(
            "FailureCatalogue",
            "The chip did not acknowledge the control-register write over HID: check the cable and the "
            "hub; the stage byte tells whether the EEPROM was touched.")},
    FailureEntry{
        kOriginWriteControlRegister, kClassAudioPath, kDetailAudioRequestFailed,
        "control register over the audio path",
        ZT_TR_NOOP("FailureCatalogue",
                   "The audio driver did not carry the control-register write: check that the device's audio "
                   "function and its driver are present.")},
    FailureEntry{kOriginWriteControlRegister, kClassStopped, kDetailStopped, "stopped", kStoppedMeaning},
    FailureEntry{
        kOriginWriteProgressMarker, kClassHidExchange, kDetailExchangeFailed, "marker not acknowledged",
        ZT_TR_NOOP(
            "FailureCatalogue",
            "The chip did not acknowledge the progress-marker write over HID: check the cable and the "
            "hub; at stage 00 the EEPROM is untouched, at stages 01 to 03 it is incomplete and needs a new "
            "job; at stage 04 only the final marker failed: the image and its header were written and "
            "verified, so the unit starts with its new image, but its progress marker still reads 4 "
            "until a job completes on it.")},
    FailureEntry{
        kOriginWriteProgressMarker, kClassAudioPath, kDetailAudioRequestFailed, "marker over the audio path",
        ZT_TR_NOOP("FailureCatalogue",
                   "The audio driver did not carry the progress-marker write: check that the device's audio "
                   "function and its driver are present.")},
    FailureEntry{kOriginWriteProgressMarker, kClassStopped, kDetailStopped, "stopped", kStoppedMeaning},
    FailureEntry{
        kOriginEraseEeprom, kClassHidLinkClosed, kDetailLinkClosed, "no connection",
        ZT_TR_NOOP("FailureCatalogue",
                   "The erase was asked for with no device open, so nothing was sent: plug the unit in and "
                   "try again.")},
    FailureEntry{
        kOriginEraseEeprom, kClassEraseSend, kDetailExchangeFailed, "erase not sent",
        ZT_TR_NOOP("FailureCatalogue",
                   "The erase command could not be written to the device (unplugged, or it refuses output "
                   "reports); the EEPROM may be partly erased: re-plug and run the job again.")},
    // The worker's own checks.
    FailureEntry{
        kOriginWorker, kClassDeviceWait, kDetailDeviceNotBack, "device did not come back",
        ZT_TR_NOOP("FailureCatalogue",
                   "No known device was opened before the wait after the re-plug prompt ran out (the wait "
                   "starts afresh at every re-plug prompt: about 10 s once the prompt is dismissed, or about "
                   "1 s of attempts to open a known device that announced itself since the prompt); the "
                   "EEPROM is erased: re-plug the unit and run the job again.")},
    FailureEntry{
        kOriginWorker, kClassVerify, kDetailHeaderNotBlank, "header did not clear",
        ZT_TR_NOOP(
            "FailureCatalogue",
            "The header did not read back as zeros after it was cleared, so the job stopped before the "
            "body, with the EEPROM already erased. Unless the device was an updater device the header "
            "is then restored from its copy at 0x4010: the unit then starts as the normal device with "
            "whatever program the EEPROM holds (after the erase, none that runs), so it is found "
            "again but does not work; a restore that fails is reported next (origin 19, "
            "RestoreHeaderFromBackup). Run the job again, and reject the unit if its header does not "
            "clear a second time.")},
    FailureEntry{
        kOriginWorker, kClassVerify, kDetailBodyDiffers, "body verify failed",
        ZT_TR_NOOP(
            "FailureCatalogue",
            "Body bytes still differed after two rewrite passes, or more than 16 differed at once; the "
            "unit starts as an updater device: run the job again, and reject the unit if it fails again.")},
    FailureEntry{
        kOriginWorker, kClassVerify, kDetailHeaderTailDiffers, "header tail differs",
        ZT_TR_NOOP(
            "FailureCatalogue",
            "Header bytes 5 to 7 read back differently from the image; the unit is left without a valid "
            "header: run the job again, and reject the unit if it fails again.")},
    FailureEntry{
        kOriginWorker, kClassVerify, kDetailHeaderHeadDiffers, "header head differs",
        ZT_TR_NOOP(
            "FailureCatalogue",
            "Header bytes 0 to 4 read back differently from the image; the unit is left without a valid "
            "header: run the job again, and reject the unit if it fails again.")},
    FailureEntry{
        kOriginWorker, kClassUnitChanged, kDetailChipIdentifierDiffers, "another or unready chip came back",
        ZT_TR_NOOP("FailureCatalogue",
                   "The device that came back from the re-plug reports another chip identifier than the one "
                   "the job was prepared for, or its status byte (register 0xB1) is not 0, so nothing was "
                   "written to it: plug back the unit the job started with (it is erased) and run the job "
                   "again.")},
    // Single EEPROM exchanges of the job.
    FailureEntry{kOriginClearImageHeader, kClassEeprom, kDetailExchangeFailed,
                 "header clear not acknowledged", kNoAnswerMeaning},
    FailureEntry{kOriginClearImageHeader, kClassStopped, kDetailStopped, "stopped", kStoppedMeaning},
    FailureEntry{kOriginWriteHeaderHead, kClassEeprom, kDetailExchangeFailed,
                 "header head write not acknowledged", kNoAnswerMeaning},
    FailureEntry{kOriginWriteHeaderHead, kClassStopped, kDetailStopped, "stopped", kStoppedMeaning},
    FailureEntry{kOriginWriteHeaderTail, kClassEeprom, kDetailExchangeFailed,
                 "header tail write not acknowledged", kNoAnswerMeaning},
    FailureEntry{kOriginWriteHeaderTail, kClassStopped, kDetailStopped, "stopped", kStoppedMeaning},
    FailureEntry{kOriginWriteImageBody, kClassEeprom, kDetailExchangeFailed, "body write not acknowledged",
                 kNoAnswerMeaning},
    FailureEntry{kOriginWriteImageBody, kClassBadArgument, kDetailBadArgument, "image length out of range",
                 kInternalMeaning},
    FailureEntry{kOriginWriteImageBody, kClassStopped, kDetailStopped, "stopped", kStoppedMeaning},
    FailureEntry{kOriginReadBackHeader, kClassEeprom, kDetailExchangeFailed, "header read-back not answered",
                 kNoAnswerMeaning},
    FailureEntry{kOriginReadBackHeader, kClassStopped, kDetailStopped, "stopped", kStoppedMeaning},
    FailureEntry{kOriginReadBackHeaderHead, kClassEeprom, kDetailExchangeFailed,
                 "header head read-back not answered", kNoAnswerMeaning},
    FailureEntry{kOriginReadBackHeaderHead, kClassStopped, kDetailStopped, "stopped", kStoppedMeaning},
    FailureEntry{kOriginReadBackHeaderTail, kClassEeprom, kDetailExchangeFailed,
                 "header tail read-back not answered", kNoAnswerMeaning},
    FailureEntry{kOriginReadBackHeaderTail, kClassStopped, kDetailStopped, "stopped", kStoppedMeaning},
    FailureEntry{kOriginReadBackImage, kClassEeprom, kDetailExchangeFailed, "image read-back not answered",
                 kNoAnswerMeaning},
    FailureEntry{kOriginReadBackImage, kClassBadArgument, kDetailBadArgument, "image length out of range",
                 kInternalMeaning},
    FailureEntry{kOriginReadBackImage, kClassStopped, kDetailStopped, "stopped", kStoppedMeaning},
    // The header restore after a header that did not clear.
    FailureEntry{
        kOriginRestoreHeaderFromBackup, kClassEeprom, kDetailExchangeFailed, "header copy not read",
        ZT_TR_NOOP(
            "FailureCatalogue",
            "The header copy at 0x4010 could not be read, so the header was not restored"
            "; a header whose bytes 0 to 3 still read \"WTC\" and a zero byte makes the unit start as "
            "the normal device with whatever program the EEPROM holds (after the erase, none that "
            "runs), any other header as an updater device. Either way the tool finds it again: run the "
            "job again, and reject the unit if its header does not clear a second time.")},
    FailureEntry{
        kOriginRestoreHeaderFromBackup, kClassEeprom, kDetailBlankHeaderCopy, "header copy blank",
        ZT_TR_NOOP(
            "FailureCatalogue",
            "The header copy at 0x4010 is blank (all 0x00 or 0xFF), so there was nothing to restore"
            "; a header whose bytes 0 to 3 still read \"WTC\" and a zero byte makes the unit start as "
            "the normal device with whatever program the EEPROM holds (after the erase, none that "
            "runs), any other header as an updater device. Either way the tool finds it again: run the "
            "job again, and reject the unit if its header does not clear a second time.")},
    FailureEntry{
        kOriginRestoreHeaderFromBackup, kClassEeprom, kDetailRestoredTailDiffers,
        "restored tail did not take",
        ZT_TR_NOOP(
            "FailureCatalogue",
            "Header bytes 5 to 7 read back differently after the restore from the copy, so the head was "
            "not restored"
            "; a header whose bytes 0 to 3 still read \"WTC\" and a zero byte makes the unit start as "
            "the normal device with whatever program the EEPROM holds (after the erase, none that "
            "runs), any other header as an updater device. Either way the tool finds it again: run the "
            "job again, and reject the unit if its header does not clear a second time.")},
    FailureEntry{
        kOriginRestoreHeaderFromBackup, kClassEeprom, kDetailRestoredHeadDiffers,
        "restored head did not take",
        ZT_TR_NOOP(
            "FailureCatalogue",
            "Header bytes 0 to 4 read back differently after the restore from the copy"
            "; a header whose bytes 0 to 3 still read \"WTC\" and a zero byte makes the unit start as "
            "the normal device with whatever program the EEPROM holds (after the erase, none that "
            "runs), any other header as an updater device. Either way the tool finds it again: run the "
            "job again, and reject the unit if its header does not clear a second time.")},
    FailureEntry{kOriginRestoreHeaderFromBackup, kClassStopped, kDetailStopped, "stopped", kStoppedMeaning},
    // A station's check after the last re-plug: the EEPROM had verified.
    FailureEntry{
        kOriginConfirmUnit, kClassUnitChanged, kDetailCameBackAsOther, "came back as another device",
        ZT_TR_NOOP(
            "FailureCatalogue",
            "The written unit verified, but after its last re-plug it came back with other IDs, another "
            "release number or another serial string than its image gives: set it aside and check it; "
            "writing it again will not help.")},
    // The commands that only look at a unit: nothing was written to it.
    FailureEntry{
        kOriginVersionQuery, kClassDeviceNotFound, kDetailDeviceNotFound, "no device to ask",
        ZT_TR_NOOP(
            "FailureCatalogue",
            "No known device with the given IDs was found on the USB bus, so no version was read: plug "
            "the unit in and check the IDs.")},
    FailureEntry{
        kOriginVersionQuery, kClassHidExchange, kDetailExchangeFailed, "version not read",
        ZT_TR_NOOP("FailureCatalogue",
                   "The device was found but did not answer the version read (or could not be opened): check "
                   "the cable and the permission on the device node, re-plug and ask again.")},
    FailureEntry{
        kOriginReadEepromRange, kClassEeprom, kDetailExchangeFailed, "EEPROM read not answered",
        ZT_TR_NOOP("FailureCatalogue",
                   "The chip did not answer an EEPROM read, so the unit could not be read whole; nothing was "
                   "written to it: check the cable and the hub, re-plug and read again.")},
    FailureEntry{
        kOriginCompareUnit, kClassChipNotSupported, kDetailChipNotSupported, "no built-in image",
        ZT_TR_NOOP("FailureCatalogue",
                   "The chip answered with an identifier that selects none of the built-in images, so there "
                   "is nothing to compare with: name the image with --image.")},
    FailureEntry{
        kOriginCompareUnit, kClassVerify, kDetailUnitDiffers, "unit differs",
        ZT_TR_NOOP("FailureCatalogue",
                   "The unit's EEPROM differs from the image it was compared with: write the unit again, or "
                   "compare it with the image it should hold.")},
    FailureEntry{
        kOriginSaveUnit, kClassFile, kDetailFileNotWritten, "file not written",
        ZT_TR_NOOP("FailureCatalogue",
                   "The unit was read whole but the file could not be written (no space, no permission, a "
                   "link of another user); a file that was there is left as it was: free space or name "
                   "another file.")},
};

std::string_view FindName(std::span<const Named> names, uint32_t number) {
    const auto it =
        std::find_if(names.begin(), names.end(), [number](const Named& n) { return n.number == number; });
    return it == names.end() ? std::string_view() : it->name;
}

std::string Numbered(std::string_view what, uint32_t number) {
    char text[48];
    std::snprintf(text, sizeof text, " %02X", number);
    return std::string(what) + text;
}

}  // namespace

std::span<const FailureEntry> FailureCatalogue() { return kCatalogue; }

std::string_view OriginName(uint32_t origin) { return FindName(kOriginNames, origin); }

std::string_view FailureClassName(uint32_t errorClass) { return FindName(kClassNames, errorClass); }

std::string_view FailureClassAction(uint32_t errorClass) { return FindName(kClassActions, errorClass); }

std::string_view StageMeaning(uint32_t stage) {
    return stage < kStageMeanings.size() ? kStageMeanings[stage] : std::string_view();
}

FailureDescription DescribeFailure(uint32_t code) {
    FailureDescription d;
    d.code = code;
    d.stage = code >> 24;
    d.origin = (code >> 16) & 0xFF;
    d.errorClass = (code >> 8) & 0xFF;
    d.errorDetail = code & 0xFF;

    const std::string_view stage = StageMeaning(d.stage);
    d.stageText = stage.empty() ? Numbered("not a stage this tool writes:", d.stage) : std::string(stage);
    const std::string_view origin = OriginName(d.origin);
    d.originName = origin.empty() ? Numbered("unknown origin", d.origin) : std::string(origin);
    const std::string_view errorClass = FailureClassName(d.errorClass);
    d.className = errorClass.empty() ? Numbered("unknown class", d.errorClass) : std::string(errorClass);

    const auto entry = std::find_if(kCatalogue.begin(), kCatalogue.end(), [&d](const FailureEntry& e) {
        return e.origin == d.origin && e.errorClass == d.errorClass && e.errorDetail == d.errorDetail;
    });
    if (entry == kCatalogue.end()) {
        d.detailName = Numbered("unknown detail", d.errorDetail);
        d.meaning = code == 0
                        ? ZT_TR_NOOP("FailureCatalogue", "No failure has been recorded.")
                        : ZT_TR_NOOP("FailureCatalogue",
                                     "Not a code this tool records: check the digits, or whether another "
                                     "program showed it.");
        return d;
    }
    // A known combination at a stage the job never writes is still not ours.
    d.known = !stage.empty();
    d.detailName = entry->name;
    d.meaning = entry->meaning;
    d.action = std::string(FailureClassAction(d.errorClass));
    return d;
}

}  // namespace zt
