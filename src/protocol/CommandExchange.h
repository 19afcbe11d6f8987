#pragma once
#include <cstddef>
#include <cstdint>

#include "chip/ReportFrame.h"
#include "device/HidLink.h"
#include "platform/Status.h"

namespace zt {

// The wire layer of the vendor command protocol: one output report per
// command, replies matched by the tag echoed in byte 7.

// Reads (`read` non-zero) or writes `count` bytes of EEPROM at `address`.
// True when the matching reply arrived (for a read: and its data was copied).
bool HidEepromTransfer(uint16_t address, HidLink& link, int read, uint8_t count, uint8_t* buffer,
                       uint8_t tag);

// Reads or writes one chip register. False without sending when `value` is null.
bool HidRegisterAccess(HidLink& link, uint8_t* value, int read, uint8_t reg, uint8_t tag);

// Sends the erase command F5 AB CD; no reply. kOk when the report was written.
Status HidSendEraseCommand(HidLink& link);

// Where an EEPROM transfer's data sits (after 8 bytes of request, 9 of
// reply). A report must reach that far plus the data, report-ID byte
// included, to carry a transfer.
inline constexpr size_t kEepromRequestDataOffset = frame::kEepromRequestDataOffset;
inline constexpr size_t kEepromReplyDataOffset = frame::kEepromReplyDataOffset;

// Read budgets of the two acknowledged exchanges.
inline constexpr int kEepromReplyBudget = 300;
inline constexpr int kRegisterReplyBudget = 1000;
inline constexpr uint32_t kRegisterWritePauseMs = 10;

}  // namespace zt
