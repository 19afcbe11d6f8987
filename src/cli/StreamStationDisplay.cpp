#include "cli/StreamStationDisplay.h"

#include <nlohmann/json.hpp>

#include "station/operator/IsoTime.h"
#include "station/presentation/JsonEvents.h"

namespace zt::cli {

StreamStationDisplay::StreamStationDisplay(bool json, std::ostream& out, std::mutex& outMutex,
                                           OperatorInput& input, bool autoAnswer,
                                           std::function<bool()> interrupted)
    : json_(json),
      autoAnswer_(autoAnswer),
      out_(out),
      outMutex_(outMutex),
      input_(input),
      interrupted_(std::move(interrupted)),
      shared_("all", json, out, outMutex, true) {}

ConsoleView& StreamStationDisplay::ViewOf(size_t index, const std::string& port) {
    std::lock_guard lock(viewsMutex_);
    if (views_.size() <= index) views_.resize(index + 1);
    if (!views_[index]) views_[index] = std::make_unique<UnitView>(port, json_, out_, outMutex_);
    return *views_[index];
}

void StreamStationDisplay::ReplugPrompt(const std::string& text) {
    shared_.Prompt(text, autoAnswer_);
    if (!autoAnswer_) input_.ReadLine(interrupted_);
}

}  // namespace zt::cli

namespace zt::cli {

void StreamStationDisplay::Counters(const StationCounters& counters) {
    std::lock_guard lock(outMutex_);
    if (json_) {
        nlohmann::ordered_json event = {{"event", "counters"},
                                        {"schema", JsonEvents::kSchemaVersion},
                                        {"time", FormatIsoTime(std::chrono::system_clock::now())},
                                        {"port", "all"},
                                        {"passed", counters.passed},
                                        {"failed", counters.failed},
                                        {"unitsPerHour", static_cast<int64_t>(counters.unitsPerHour + 0.5)}};
        if (counters.undelivered > 0) event["undelivered"] = counters.undelivered;
        out_ << event.dump() << '\n' << std::flush;
    } else {
        out_ << "[all] " << CountersText(counters) << '\n' << std::flush;
    }
}

}  // namespace zt::cli
