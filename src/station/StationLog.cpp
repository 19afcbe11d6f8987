#include "station/StationLog.h"

#include <nlohmann/json.hpp>

#include "chip/HexId.h"
#include "job/FailureCatalogue.h"
#include "job/JobOutcome.h"
#include "platform/HostSystem.h"
#include "station/IsoTime.h"
#include "station/JsonEvents.h"

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
        {"schema", JsonEvents::kSchemaVersion},
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
    line["rewritePasses"] = r.rewritePasses;
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

bool StationLog::Append(const std::string& line, std::string* error) {
    std::string reason = "the log is not open";
    if (!file_ || !file_->Append(line, &reason)) {
        *error = "the log " + path_ + " was not written: " + reason;
        return false;
    }
    return true;
}

}  // namespace zt::station
