#pragma once
#include <nlohmann/json.hpp>
#include <ostream>

#include "station/records/RecordJson.h"
#include "station/unit/ConsoleView.h"

namespace zt::station {

// One JSON object per line for station software: every line of stdout is an
// event with an "event" member; nothing else is printed there. Every event
// also carries "schema" (the format's version), "time" (ISO-8601 UTC) and,
// once the unit is known, "port". Progress is sent only when the position
// changes. docs/json-events.md describes every event and field, and
// docs/json-events.schema.json checks them.
class JsonEvents final : public ConsoleView {
public:
    // The format's version, as the station's records carry it too.
    static constexpr int kSchemaVersion = kJsonSchemaVersion;

    explicit JsonEvents(std::ostream& out) : out_(out) {}

    void Info(const std::string& text) override;
    void ArrivedElsewhere(const std::string& arrivedPort, const std::string& waitingPort) override;
    void Progress(int percent) override;
    void Marker(const std::string& text) override;
    void Message(const std::string& text, const std::string& caption) override;
    void Prompt(const std::string& text, bool automatic) override;
    void Version(const std::string& status, const std::optional<std::string>& version) override;
    void Device(const PresentDevice& device) override;
    void Result(const JobOutcome& outcome) override;
    void State(const PortStatus& status) override;
    void SetUnit(const UnitFacts& unit) override;

private:
    template <typename Event>
    void Emit(Event&& event);

    std::ostream& out_;
    int lastPercent_ = -1;
    bool verifying_ = false;
    UnitFacts unit_;
};

}  // namespace zt::station
