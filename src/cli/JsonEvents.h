#pragma once
#include <ostream>

#include "cli/ConsoleView.h"

namespace zt::cli {

// One JSON object per line for station software: every line of stdout is an
// event with an "event" member; nothing else is printed there. Progress is
// sent only when the position changes.
//   {"event":"progress","percent":42}
//   {"event":"message","text":"...","caption":"..."}
//   {"event":"prompt","text":"...","answer":"auto"|"operator"}
//   {"event":"result","status":"OK"|"FAIL"|"INTERRUPTED"|"CANCELLED","code":"00030401"}
class JsonEvents final : public ConsoleView {
public:
    explicit JsonEvents(std::ostream& out) : out_(out) {}

    void Info(const std::string& text) override;
    void Progress(int percent) override;
    void Marker(const std::string& text) override;
    void Message(const std::string& text, const std::string& caption) override;
    void Prompt(const std::string& text, bool automatic) override;
    void Version(const std::string& status, const std::optional<std::string>& version) override;
    void Device(const PresentDevice& device) override;
    void Result(const JobOutcome& outcome) override;

private:
    std::ostream& out_;
    int lastPercent_ = -1;
};

}  // namespace zt::cli
