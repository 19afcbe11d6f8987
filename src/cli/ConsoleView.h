#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "cli/KnownDeviceScan.h"
#include "job/JobOutcome.h"

namespace zt::cli {

// What the operator (or a station script) sees of a command: the dialog's
// progress bar, marker and message boxes, the prompts, and the outcome. The
// console window calls it from the user-interface thread and from the
// worker, one call at a time (it holds its own lock around every call).
class ConsoleView {
public:
    virtual ~ConsoleView() = default;
    virtual void Info(const std::string& text) = 0;
    virtual void Progress(int percent) = 0;
    virtual void Marker(const std::string& text) = 0;
    virtual void Message(const std::string& text, const std::string& caption) = 0;
    // `automatic`: answered by --yes instead of the operator's Enter.
    virtual void Prompt(const std::string& text, bool automatic) = 0;
    // The status label's text; no version when the query failed.
    virtual void Version(const std::string& status, const std::optional<std::string>& version) = 0;
    virtual void Device(const PresentDevice& device) = 0;
    virtual void Result(const JobOutcome& outcome) = 0;
};

}  // namespace zt::cli
