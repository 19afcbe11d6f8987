#pragma once
#include <ostream>

#include "station/unit/ConsoleView.h"

namespace zt::cli {

using namespace zt::station;

// Plain text for an operator or a log file. On a terminal the progress bar is
// redrawn in place; elsewhere it is a line every ten percent, so logs stay short.
class TextConsoleView final : public ConsoleView {
public:
    TextConsoleView(std::ostream& out, bool terminal) : out_(out), terminal_(terminal) {}

    void Info(const std::string& text) override;
    void Progress(int percent) override;
    void Marker(const std::string& text) override;
    void Message(const std::string& text, const std::string& caption) override;
    void Prompt(const std::string& text, bool automatic) override;
    void Version(const std::string& status, const std::optional<std::string>& version) override;
    void Device(const PresentDevice& device) override;
    void Result(const JobOutcome& outcome) override;
    // A port's re-plug and its waiting for the next unit, each once; the
    // other states show in the lines around them.
    void State(const PortStatus& status) override;

private:
    // Ends a bar that is drawn in place before another line is printed.
    void EndBarLine();

    std::ostream& out_;
    bool terminal_;
    bool barOnLine_ = false;
    int lastShown_ = -100;
};

}  // namespace zt::cli
