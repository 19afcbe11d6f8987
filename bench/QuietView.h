#pragma once
#include "station/unit/ConsoleView.h"

namespace zt::bench {

// A view that shows nothing: the benchmarks time the job, not the terminal.
class QuietView final : public station::ConsoleView {
public:
    void Info(const std::string&) override {}
    void Progress(int) override {}
    void Marker(const std::string&) override {}
    void Message(const std::string&, const std::string&) override {}
    void Prompt(const std::string&, bool) override {}
    void Version(const std::string&, const std::optional<std::string>&) override {}
    void Device(const station::PresentDevice&) override {}
    void Result(const JobOutcome&) override {}
};

}  // namespace zt::bench
