#pragma once
#include <mutex>

#include "station/ports/PortStatus.h"
#include "station/unit/ConsoleView.h"

namespace zt::station {

// A unit's view that also says where the unit stands: it passes every call on
// to `inner` and sends `inner` the unit's state as it changes. The road of a
// unit sets the states it knows of (the unit starts, its re-plug is due, it is
// checked, its result); the job's own progress after a re-plug tells that the
// unit is back and being written, so the re-plug instruction never outlives it.
class PortStatusView final : public ConsoleView {
public:
    // Not `shown`: the view passes the calls on and sends no state (a single
    // unit's own command, whose lines tell it all).
    PortStatusView(ConsoleView& inner, bool shown) : inner_(inner), shown_(shown) {}

    void Enter(PortPhase phase, const std::string& port = "");
    void Finish(const JobOutcome& outcome);

    void Info(const std::string& text) override { inner_.Info(text); }
    void Progress(int percent) override;
    void Marker(const std::string& text) override { inner_.Marker(text); }
    void Message(const std::string& text, const std::string& caption) override {
        inner_.Message(text, caption);
    }
    void Prompt(const std::string& text, bool automatic) override { inner_.Prompt(text, automatic); }
    void Version(const std::string& status, const std::optional<std::string>& version) override {
        inner_.Version(status, version);
    }
    void Device(const PresentDevice& device) override { inner_.Device(device); }
    void Result(const JobOutcome& outcome) override { inner_.Result(outcome); }
    void SetUnit(const UnitFacts& unit) override { inner_.SetUnit(unit); }
    void ArrivedElsewhere(const std::string& arrivedPort, const std::string& waitingPort) override {
        inner_.ArrivedElsewhere(arrivedPort, waitingPort);
    }
    void State(const PortStatus& status) override;

private:
    ConsoleView& inner_;
    const bool shown_;
    std::mutex mutex_;
    PortPhase phase_ = PortPhase::Ready;
};

}  // namespace zt::station
