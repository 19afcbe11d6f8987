#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

// The vendor HID report frames, as the tool builds them and the chip answers
// them. Byte 0 is the report ID; the tag that matches a reply to its request
// is byte 1 of the request and byte 7 of the reply.
namespace zt::frame {

// Request: report ID, tag, command, select, select, address high, address
// low, count; data from byte 8.
inline constexpr uint8_t kCmdEepromWrite = 0x11;
inline constexpr uint8_t kCmdEepromRead = 0x12;
inline constexpr uint8_t kCmdRegisterWrite = 0x21;
inline constexpr uint8_t kCmdRegisterRead = 0x22;
inline constexpr uint8_t kEepromSelect = 0xA0;
inline constexpr uint8_t kEepromReadMode = 0xE4;
// The erase command has no reply: F5 AB CD after the report ID.
inline constexpr std::array<uint8_t, 3> kEraseCommand = {0xF5, 0xAB, 0xCD};
// A write request carries at most this many data bytes.
inline constexpr size_t kMaxWriteCount = 8;

// Reply: the tag echo in byte 7, then (EEPROM read) the count echo in byte 8
// and the data from byte 9, or (register read) the value in byte 8.
inline constexpr size_t kTagEchoOffset = 7;
inline constexpr size_t kCountEchoOffset = 8;
inline constexpr size_t kRegisterValueOffset = 8;

// Where an EEPROM transfer's data sits in the request and in the reply.
inline constexpr size_t kEepromRequestDataOffset = 8;
inline constexpr size_t kEepromReplyDataOffset = 9;

}  // namespace zt::frame
