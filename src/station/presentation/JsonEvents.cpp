#include "station/presentation/JsonEvents.h"

#include <nlohmann/json.hpp>

#include "chip/HexId.h"
#include "job/FailureCatalogue.h"
#include "platform/UsbPortName.h"
#include "station/operator/IsoTime.h"
#include "station/records/RecordJson.h"

namespace zt::station {

template <typename Event>
void JsonEvents::Emit(Event&& fields) {
    nlohmann::ordered_json given = std::forward<Event>(fields);
    // The members every event has come first, after the event's name.
    nlohmann::ordered_json event = {{"event", given["event"]},
                                    {"schema", kSchemaVersion},
                                    {"time", FormatIsoTime(std::chrono::system_clock::now())}};
    if (!unit_.port.empty()) event["port"] = unit_.port;
    for (auto& [key, value] : given.items())
        if (key != "event") event[key] = std::move(value);
    // The dialog's texts are 8-bit; bytes that are not UTF-8 are replaced
    // instead of aborting the line.
    out_ << event.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n'
         << std::flush;
}

void JsonEvents::SetUnit(const UnitFacts& unit) { unit_ = unit; }

void JsonEvents::Info(const std::string& text) {
    Emit(nlohmann::ordered_json{{"event", "info"}, {"text", text}});
}

void JsonEvents::ArrivedElsewhere(const std::string& arrivedPort, const std::string& waitingPort) {
    Emit(nlohmann::ordered_json{{"event", "arrived-elsewhere"},
                                {"arrivedPort", arrivedPort},
                                {"waitingPort", waitingPort},
                                {"text", ArrivedElsewhereText(arrivedPort, waitingPort)}});
}

void JsonEvents::Progress(int percent) {
    if (percent == lastPercent_) return;
    // The bar runs from 0 to 50 while the body is written and from 49 to 99
    // while it is read back, so the first step back marks the read-back. A
    // new job starts the bar at 0 again.
    if (percent == 0) verifying_ = false;
    if (percent < lastPercent_ && percent > 0) verifying_ = true;
    lastPercent_ = percent;
    const char* phase = percent == 0 ? "start" : percent >= 100 ? "done" : verifying_ ? "verify" : "write";
    Emit(nlohmann::ordered_json{{"event", "progress"}, {"percent", percent}, {"phase", phase}});
}

void JsonEvents::Marker(const std::string& text) {
    Emit(nlohmann::ordered_json{{"event", "marker"}, {"text", text}});
}

void JsonEvents::Message(const std::string& text, const std::string& caption) {
    Emit(nlohmann::ordered_json{{"event", "message"}, {"text", text}, {"caption", caption}});
}

void JsonEvents::Prompt(const std::string& text, bool automatic) {
    Emit(nlohmann::ordered_json{
        {"event", "prompt"}, {"text", text}, {"answer", automatic ? "auto" : "operator"}});
}

void JsonEvents::Version(const std::string& status, const std::optional<std::string>& version) {
    nlohmann::ordered_json event = {{"event", "version"}, {"status", status}};
    if (version) event["version"] = *version;
    Emit(std::move(event));
}

void JsonEvents::Device(const PresentDevice& device) {
    nlohmann::ordered_json event = {{"event", "device"}};
    if (!device.port.empty())
        event["port"] = device.port;
    else
        event["portNote"] = kPortUnknownText;
    event["vid"] = FormatHexId(device.vendorId);
    event["pid"] = FormatHexId(device.productId);
    event["role"] = device.updater ? "updater" : "normal";
    // The records' names: bcdDevice as in a job's record and cameBack.
    if (device.described) event["bcdDevice"] = FormatHexId(device.bcdDevice);
    if (!device.serial.empty()) event["serial"] = device.serial;
    event["hidNode"] = device.path;
    if (device.powerReplug) event["powerReplug"] = *device.powerReplug;
    if (!device.openable) event["openable"] = false;
    // The names of earlier versions, which scripts may read.
    if (device.described) event["bcd"] = FormatHexId(device.bcdDevice);
    event["path"] = device.path;
    event["updater"] = device.updater;
    Emit(std::move(event));
}

void JsonEvents::State(const PortStatus& status) {
    nlohmann::ordered_json event = {{"event", "state"}, {"state", PortPhaseName(status.phase)}};
    if (status.phase == PortPhase::Replug && !status.port.empty()) event["replugInto"] = status.port;
    if (status.outcome) {
        event["status"] = ResultName(status.outcome->kind);
        if (status.outcome->code) event["code"] = FormatResultCode(*status.outcome->code);
        if (!status.outcome->action.empty()) event["action"] = status.outcome->action;
    }
    Emit(std::move(event));
}

void JsonEvents::Result(const JobOutcome& outcome) {
    nlohmann::ordered_json event = {{"event", "result"}, {"status", ResultName(outcome.kind)}};
    if (const auto code = outcome.Code()) {
        const FailureDescription description = DescribeFailure(*code);
        event["code"] = FormatResultCode(*code);
        event["name"] = description.detailName;
        event["meaning"] = description.meaning;
        if (unit_.restoreCode) event["restoreCode"] = FormatResultCode(*unit_.restoreCode);
    }
    if (unit_.vendorId) event["vid"] = FormatHexId(*unit_.vendorId);
    if (unit_.productId) event["pid"] = FormatHexId(*unit_.productId);
    if (unit_.chipId) event["chipId"] = FormatResultCode(*unit_.chipId);
    if (!unit_.serialWritten.empty()) event["serialWritten"] = unit_.serialWritten;
    if (unit_.confirmed) event["confirmed"] = *unit_.confirmed;
    if (unit_.cameBack) event["cameBack"] = CameBackJson(*unit_.cameBack);
    Emit(std::move(event));
}

}  // namespace zt::station
