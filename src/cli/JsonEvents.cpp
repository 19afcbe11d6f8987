#include "cli/JsonEvents.h"

#include <nlohmann/json.hpp>

#include "job/HexId.h"

namespace zt::cli {

namespace {
void Emit(std::ostream& out, const nlohmann::ordered_json& event) {
    // The dialog's texts are 8-bit; bytes that are not UTF-8 are replaced
    // instead of aborting the line.
    out << event.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n' << std::flush;
}
}  // namespace

void JsonEvents::Info(const std::string& text) { Emit(out_, {{"event", "info"}, {"text", text}}); }

void JsonEvents::Progress(int percent) {
    if (percent == lastPercent_) return;
    lastPercent_ = percent;
    Emit(out_, {{"event", "progress"}, {"percent", percent}});
}

void JsonEvents::Marker(const std::string& text) { Emit(out_, {{"event", "marker"}, {"text", text}}); }

void JsonEvents::Message(const std::string& text, const std::string& caption) {
    Emit(out_, {{"event", "message"}, {"text", text}, {"caption", caption}});
}

void JsonEvents::Prompt(const std::string& text, bool automatic) {
    Emit(out_, {{"event", "prompt"}, {"text", text}, {"answer", automatic ? "auto" : "operator"}});
}

void JsonEvents::Version(const std::string& status, const std::optional<std::string>& version) {
    nlohmann::ordered_json event = {{"event", "version"}, {"status", status}};
    if (version) event["version"] = *version;
    Emit(out_, event);
}

void JsonEvents::Device(const PresentDevice& device) {
    nlohmann::ordered_json event = {{"event", "device"},
                                    {"port", device.port},
                                    {"vid", FormatHexId(device.vendorId)},
                                    {"pid", FormatHexId(device.productId)},
                                    {"role", device.updater ? "updater" : "normal"},
                                    {"path", device.path},
                                    {"updater", device.updater}};
    if (device.described) event["bcd"] = FormatHexId(device.bcdDevice);
    if (!device.serial.empty()) event["serial"] = device.serial;
    Emit(out_, event);
}

void JsonEvents::Result(const JobOutcome& outcome) {
    nlohmann::ordered_json event = {{"event", "result"}, {"status", ResultName(outcome.kind)}};
    if (const auto code = outcome.Code()) event["code"] = FormatResultCode(*code);
    Emit(out_, event);
}

}  // namespace zt::cli
