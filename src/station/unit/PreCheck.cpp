#include "station/unit/PreCheck.h"

#include <nlohmann/json.hpp>

#include "chip/HexId.h"
#include "host/HostSystem.h"
#include "station/operator/TerminalText.h"
#include "station/records/StationIdentity.h"

namespace zt::station {

namespace {

// More than any answer needs; what a program says beyond it is dropped.
constexpr size_t kOutputCap = 64 * 1024;
constexpr size_t kMaxLine = 200;

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// The first line that says something, cut to kMaxLine bytes (on a character's
// start) and escaped unless a record can hold it as it is.
std::string FirstLine(const std::string& text) {
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = Trimmed(text.substr(at, end - at));
        at = end + 1;
        if (line.empty()) continue;
        if (line.size() > kMaxLine) {
            size_t cut = kMaxLine;
            while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
            line = line.substr(0, cut) + "...";
        }
        return IsRecordText(line) ? line : ForTerminal(line);
    }
    return "";
}

PreCheckAnswer No(Failure failure, std::string line) {
    PreCheckAnswer answer;
    answer.failure = failure;
    answer.line = std::move(line);
    return answer;
}

}  // namespace

PreCheck::PreCheck(std::string command, std::chrono::milliseconds timeout)
    : command_(std::move(command)), timeout_(timeout) {}

std::string PreCheck::FactsLine(const PreCheckFacts& facts) {
    auto id = [](const std::optional<uint16_t>& value) {
        return value ? nlohmann::ordered_json(FormatHexId(*value)) : nlohmann::ordered_json(nullptr);
    };
    const nlohmann::ordered_json line = {
        {"host", ThisHost().Name()},    {"stationId", facts.stationId}, {"operator", facts.operatorName},
        {"workOrder", facts.workOrder}, {"port", facts.port},           {"vid", id(facts.vendorId)},
        {"pid", id(facts.productId)},   {"barcode", facts.barcode},     {"serial", facts.serial},
    };
    return line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

PreCheckAnswer PreCheck::Ask(const PreCheckFacts& facts) const {
    const ChildOutcome run = RunChildProcess({command_, FactsLine(facts), timeout_, kOutputCap});
    std::string said = FirstLine(run.out);
    if (said.empty()) said = FirstLine(run.err);
    auto told = [&said](const std::string& ours) { return said.empty() ? ours : said; };
    switch (run.kind) {
        case ChildOutcome::Kind::NotStarted:
            return No(kPreCheckNoAnswer, "the pre-check could not be started: " + run.reason);
        case ChildOutcome::Kind::TimedOut:
            return No(kPreCheckNoAnswer, "the pre-check gave " + run.reason);
        case ChildOutcome::Kind::Crashed:
            return No(kPreCheckNoAnswer, told("the pre-check crashed: " + run.reason));
        case ChildOutcome::Kind::Exited:
            break;
    }
    // The shell's own word that the program could not be run.
    if (run.exitCode == 126 || run.exitCode == 127)
        return No(kPreCheckNoAnswer,
                  told("the pre-check could not be run (exit status " + std::to_string(run.exitCode) + ")"));
    if (run.exitCode != 0)
        return No(kPreCheckRefused,
                  told("the pre-check said no (exit status " + std::to_string(run.exitCode) + ")"));
    PreCheckAnswer yes;
    yes.yes = true;
    yes.line = said;
    // Plain text is a yes and nothing more; an object must be read whole.
    const std::string out = Trimmed(run.out);
    if (out.empty() || out.front() != '{') return yes;
    const auto object = run.outCut ? nlohmann::json() : nlohmann::json::parse(out, nullptr, false);
    if (!object.is_object())
        return No(kPreCheckNoAnswer, "the pre-check said yes with output that is no JSON object: " + said);
    // "" and null hand out nothing, as "" in the facts keeps the image's own.
    if (const auto serial = object.find("serial"); serial != object.end() && !serial->is_null()) {
        if (!serial->is_string())
            return No(kPreCheckSerialRefused, "the pre-check's \"serial\" is no string: " + said);
        if (!serial->get<std::string>().empty()) yes.serial = serial->get<std::string>();
    }
    return yes;
}

}  // namespace zt::station
