#pragma once
#include "cli/ConsoleView.h"

namespace zt::bench {

// A view that shows nothing: the benchmarks time the job, not the terminal.
class QuietView final : public cli::ConsoleView {
public:
    void Info(const std::string&) override {}
    void Progress(int) override {}
    void Marker(const std::string&) override {}
    void Message(const std::string&, const std::string&) override {}
    void Prompt(const std::string&, bool) override {}
    void Version(const std::string&, const std::optional<std::string>&) override {}
    void Device(const cli::PresentDevice&) override {}
    void Result(const JobOutcome&) override {}
};

}  // namespace zt::bench
