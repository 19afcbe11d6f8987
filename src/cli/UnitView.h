#pragma once
#include <memory>
#include <mutex>
#include <ostream>
#include <sstream>
#include <string>

#include "station/unit/ConsoleView.h"

namespace zt::cli {

using namespace zt::station;

// The view of one unit among several written at once. The unit's own view
// (text or JSON) writes into a private buffer; every finished line is then
// tagged with the unit's port and written to the shared output under the
// shared lock, so lines of different units never interleave mid-line.
//   text: "[1-1.2] progress: 40%"
//   JSON: {"event":"progress","port":"1-1.2","percent":40}
// The re-plug prompt is shown once for all units, not per unit, so a unit's
// own prompt is passed on only when `showPrompts`.
class UnitView final : public ConsoleView {
public:
    UnitView(std::string port, bool json, std::ostream& out, std::mutex& outMutex, bool showPrompts = false);
    ~UnitView() override;

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
    void SetUnit(const UnitFacts& unit) override;  // the port stays the view's own

private:
    void Pass();  // tags and writes the finished lines in the buffer
    std::string Tag(const std::string& line) const;

    const std::string port_;
    const bool json_;
    const bool showPrompts_;
    std::ostream& out_;
    std::mutex& outMutex_;
    std::ostringstream buffer_;
    std::unique_ptr<ConsoleView> inner_;
};

}  // namespace zt::cli
