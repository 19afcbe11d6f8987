#include "protocol/CommandExchange.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "chip/ReportFrame.h"

namespace zt {

namespace {

using Report = std::array<uint8_t, kMaxReportLength>;

using frame::kCmdEepromRead;
using frame::kCmdEepromWrite;
using frame::kCmdRegisterRead;
using frame::kCmdRegisterWrite;
using frame::kCountEchoOffset;
using frame::kEepromReadMode;
using frame::kEepromSelect;
using frame::kEraseCommand;
using frame::kMaxWriteCount;
using frame::kRegisterValueOffset;
using frame::kTagEchoOffset;

constexpr int kMinEepromReply = 10;
constexpr int kMinRegisterReply = 8;

// The bytes of a report we can hold: the link's length, never above our buffers.
size_t UsableLength(uint16_t reportLength) { return std::min(reportLength, kMaxReportLength); }

// Writes the first outputReportLength bytes of `report`. -1 when the link
// cannot take a report, else what the backend says.
int WriteReport(HidLink& link, const Report& report) {
    if (!IsValidHandle(link.writeHandle) || link.outputReportLength == 0) return -1;
    return link.hid->Write(link.writeHandle, report.data(), UsableLength(link.outputReportLength));
}

}  // namespace

bool HidEepromTransfer(uint16_t address, HidLink& link, int read, uint8_t count, uint8_t* buffer,
                       uint8_t tag) {
    if (buffer == nullptr && count != 0) return false;
    // A write frame has room for 8 data bytes, and a read's data must fit the
    // reply after its 9 leading bytes. A request that cannot be carried is not
    // sent at all.
    if (!read && count > kMaxWriteCount) return false;
    if (read && count + kEepromReplyDataOffset > UsableLength(link.inputReportLength)) return false;

    Report request{};
    request[1] = tag;
    request[2] = read ? kCmdEepromRead : kCmdEepromWrite;
    request[3] = read ? kEepromReadMode : kEepromSelect;
    request[4] = kEepromSelect;
    request[5] = static_cast<uint8_t>(address >> 8);
    request[6] = static_cast<uint8_t>(address);
    request[7] = count;
    if (!read && count != 0) std::memcpy(&request[kEepromRequestDataOffset], buffer, count);

    // Whether the command took effect is told by the reply alone.
    (void)WriteReport(link, request);

    Report reply{};
    for (int attempt = 0; attempt < kEepromReplyBudget; ++attempt) {
        reply[0] = 0;
        const int got = HidReadReport(link, reply.data());
        if (got < 0) return false;  // no report within the read time-out
        if (got < kMinEepromReply || reply[kTagEchoOffset] != tag) continue;
        if (!read) return true;
        if (reply[kCountEchoOffset] != count) continue;
        // A reply cut short of its own data is as good as none.
        if (static_cast<size_t>(got) < kEepromReplyDataOffset + count) continue;
        if (count != 0) std::memcpy(buffer, &reply[kEepromReplyDataOffset], count);
        return true;
    }
    return false;
}

bool HidRegisterAccess(HidLink& link, uint8_t* value, int read, uint8_t reg, uint8_t tag) {
    if (value == nullptr) return false;
    if (read) *value = 0;
    // A read's value sits in byte 8, so its reply needs one byte more than a
    // write's; a link whose reports are too short for it is not asked.
    const int minReply = read ? kMinRegisterReply + 1 : kMinRegisterReply;
    if (read && UsableLength(link.inputReportLength) < static_cast<size_t>(minReply)) return false;

    Report request{};
    request[1] = tag;
    request[2] = read ? kCmdRegisterRead : kCmdRegisterWrite;
    request[3] = 0;
    request[4] = reg;
    if (!read) request[5] = *value;

    (void)WriteReport(link, request);

    Report reply{};
    for (int attempt = 0; attempt < kRegisterReplyBudget; ++attempt) {
        reply[0] = 0;
        const int got = HidReadReport(link, reply.data());
        if (got < 0) return false;
        if (got < minReply || reply[kTagEchoOffset] != tag) continue;
        if (read) {
            *value = reply[kRegisterValueOffset];
        } else {
            // The chip needs this long to settle after a register write.
            link.clock->SleepMs(kRegisterWritePauseMs);
        }
        return true;
    }
    return false;
}

Status HidSendEraseCommand(HidLink& link) {
    Report command{};
    std::copy(kEraseCommand.begin(), kEraseCommand.end(), command.begin() + 1);
    if (!IsValidHandle(link.writeHandle) || link.outputReportLength == 0) return kFail;
    return WriteReport(link, command) > 0 ? kOk : kFail;
}

}  // namespace zt
