#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace zt::station {

// Every station record in the journal carries this MESSAGE_ID, so that
// `journalctl MESSAGE_ID=...` finds every job of every version of the tool.
inline constexpr std::string_view kJobRecordMessageId = "eb5d9b56275d496e99c2ec9e4935fb82";

// A station-log line (one JSON object) as the fields of a journal entry:
// each member as ZT_ and its name in upper case with words split by '_'
// (port as ZT_PORT, imageSha256 as ZT_IMAGE_SHA256, durationMs as
// ZT_DURATION_MS), except status, which is ZT_RESULT; null members are left
// out, objects and arrays kept as JSON. Beside them MESSAGE_ID, a MESSAGE an
// operator reads, PRIORITY (6 for OK, 4 otherwise), SYSLOG_IDENTIFIER, and
// ZT_JSON, the whole line, for shippers that want it as it is. Members added
// to the record later reach the journal without a change here.
std::vector<std::string> JournalFieldsOf(std::string_view recordLine);

}  // namespace zt::station
