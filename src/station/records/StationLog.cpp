#include "station/records/StationLog.h"

#include <nlohmann/json.hpp>
#include <vector>

#include "chip/HexId.h"
#include "host/HostSystem.h"
#include "job/FailureCatalogue.h"
#include "job/JobOutcome.h"
#include "platform/UsbPortName.h"
#include "station/operator/IsoTime.h"
#include "station/records/JournalRecord.h"
#include "station/records/RecordJson.h"

namespace zt::station {

namespace {

template <typename T>
nlohmann::ordered_json HexOrNull(const std::optional<T>& id) {
    if (!id) return nullptr;
    return FormatHexId(*id);
}

}  // namespace

std::string FormatStationRecord(const StationRecord& r) {
    using namespace std::chrono;
    nlohmann::ordered_json line = {
        {"schema", kJsonSchemaVersion},
        {"record", "job"},
        {"start", FormatIsoTime(r.start)},
        {"end", FormatIsoTime(r.end)},
        {"durationMs", duration_cast<milliseconds>(r.end - r.start).count()},
        {"host", ThisHost().Name()},
        {"tool", ZT_TOOL_VERSION},
        {"port", r.port},
        {"vidBefore", HexOrNull(r.vendorIdBefore)},
        {"pidBefore", HexOrNull(r.productIdBefore)},
        {"vidAfter", HexOrNull(r.vendorIdAfter)},
        {"pidAfter", HexOrNull(r.productIdAfter)},
        {"bcdDevice", HexOrNull(r.bcdDevice)},
        {"serial", r.serial},
        {"chipId", r.chipId ? nlohmann::ordered_json(FormatResultCode(*r.chipId)) : nullptr},
        {"image", r.image},
        {"imageSha256", r.imageSha256},
        {"imageRelease", HexOrNull(r.imageRelease)},
        {"status", r.status},
        {"code", r.code ? nlohmann::ordered_json(FormatResultCode(*r.code)) : nullptr},
    };
    if (r.code) {
        const FailureDescription description = DescribeFailure(*r.code);
        line["name"] = description.detailName;
        line["meaning"] = description.meaning;
    } else {
        line["name"] = nullptr;
        line["meaning"] = nullptr;
    }
    if (r.restoreCode) line["restoreCode"] = FormatResultCode(*r.restoreCode);
    line["rewritePasses"] = r.rewritePasses;
    if (r.port.empty()) line["portNote"] = kPortUnknownText;
    // A station's own fields, only when it has them.
    if (!r.serialWritten.empty()) line["serialWritten"] = r.serialWritten;
    if (!r.serialsSpent.empty()) line["serialsSpent"] = r.serialsSpent;
    if (!r.preCheck.empty()) line["preCheck"] = r.preCheck;
    if (r.confirmed) line["confirmed"] = *r.confirmed;
    if (r.cameBack) line["cameBack"] = CameBackJson(*r.cameBack);
    for (const auto& [key, value] :
         {std::pair{"stationId", &r.stationId}, std::pair{"operator", &r.operatorName},
          std::pair{"workOrder", &r.workOrder}, std::pair{"barcode", &r.barcode}})
        if (!value->empty()) line[key] = *value;
    if (r.kind != "write") line["kind"] = r.kind;
    return line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + '\n';
}

StationLog::StationLog() = default;
StationLog::~StationLog() = default;

bool StationLog::Open(const std::string& path, std::string* error) {
    path_ = path;
    std::string reason;
    file_ = OpenAppendOnlyFile(path, &reason);
    if (!file_) {
        *error = "cannot open the log " + path + " for appending: " + reason;
        return false;
    }
    return true;
}

bool StationLog::OpenJournal(std::string* error) {
    std::string reason;
    journal_ = OpenSystemJournal(&reason);
    if (!journal_) *error = "cannot log to the journal: " + reason;
    return journal_ != nullptr;
}

bool StationLog::Append(const std::string& line, std::string* error) {
    std::string reason = "the log is not open";
    if (!IsOpen()) {
        *error = "the log was not written: " + reason;
        return false;
    }
    std::vector<std::string> failures;
    if (file_ && !file_->Append(line, &reason))
        failures.push_back("the log " + path_ + " was not written: " + reason);
    if (journal_ && !journal_->Send(JournalFieldsOf(line), &reason))
        failures.push_back("the journal did not take the record: " + reason);
    if (failures.empty()) return true;
    *error = failures.front() + (failures.size() > 1 ? "; " + failures.back() : "");
    return false;
}

}  // namespace zt::station
