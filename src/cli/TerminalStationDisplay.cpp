#include "cli/TerminalStationDisplay.h"

#include <algorithm>

#include "station/JobBoxText.h"
#include "station/OperatorText.h"

namespace zt::cli {

namespace {
constexpr int kRowBarWidth = 10;            // short, so that the texts of the job fit in 80 columns
constexpr const char* kCursorUp = "\x1b[";  // followed by the count and 'A'
constexpr const char* kClearLine = "\x1b[2K";
}  // namespace

// One unit's line: its progress and the last thing it said.
class TerminalStationDisplay::Row final : public ConsoleView {
public:
    Row(TerminalStationDisplay& display, std::string port) : display_(display), port_(std::move(port)) {}

    void Info(const std::string& text) override { Say(text); }
    void Progress(int percent) override {
        std::lock_guard lock(display_.outMutex_);
        if (percent == percent_) return;
        percent_ = percent;
        display_.Redraw();
    }
    void Marker(const std::string& text) override { Say("marker: " + text); }
    void Message(const std::string& text, const std::string&) override { Say(station::JobBoxText(text)); }
    void Prompt(const std::string&, bool) override {}  // the display asks once for all units
    void Version(const std::string& status, const std::optional<std::string>& version) override {
        Say("status: " + status + (version ? ", version " + *version : ""));
    }
    void Device(const PresentDevice&) override {}
    void Result(const JobOutcome& outcome) override {
        std::string text = std::string("result: ") + ResultName(outcome.kind);
        if (const auto code = outcome.Code()) text += ' ' + FormatResultCode(*code);
        Say(text);
    }

    // With the display's lock held.
    std::string Line(size_t portWidth) const {
        // Appended piece by piece into one string: no temporaries joined with operator+.
        std::string line = port_;
        line.append(portWidth - std::min(portWidth, port_.size()), ' ');
        line.append("  ");
        if (percent_ >= 0) {
            const size_t filled = static_cast<size_t>(std::clamp(percent_, 0, 100) * kRowBarWidth / 100);
            const std::string number = std::to_string(percent_);
            line.push_back('[');
            line.append(filled, '#');
            line.append(static_cast<size_t>(kRowBarWidth) - filled, '.');
            line.append("] ");
            line.append(3 - std::min<size_t>(3, number.size()), ' ');
            line.append(number);
            line.append("%  ");
        }
        line.append(said_);
        return line;
    }
    const std::string& Port() const { return port_; }

private:
    void Say(const std::string& text) {
        std::lock_guard lock(display_.outMutex_);
        // A text of several lines shows its last one.
        std::string line = text.substr(0, text.find_last_not_of('\n') + 1);
        if (const size_t cut = line.rfind('\n'); cut != std::string::npos) line.erase(0, cut + 1);
        said_ = line;
        display_.Redraw();
    }

    TerminalStationDisplay& display_;
    const std::string port_;
    int percent_ = -1;  // no bar until the job reports progress
    std::string said_;
};

TerminalStationDisplay::TerminalStationDisplay(std::ostream& out, std::mutex& outMutex, int columns,
                                               OperatorInput& input, bool autoAnswer,
                                               std::function<bool()> interrupted)
    : out_(out),
      outMutex_(outMutex),
      columns_(static_cast<size_t>(std::max(columns, 20))),
      input_(input),
      autoAnswer_(autoAnswer),
      interrupted_(std::move(interrupted)) {}

TerminalStationDisplay::~TerminalStationDisplay() = default;

ConsoleView& TerminalStationDisplay::ViewOf(size_t index, const std::string& port) {
    std::lock_guard lock(outMutex_);
    if (rows_.size() <= index) rows_.resize(index + 1);
    if (!rows_[index]) rows_[index] = std::make_unique<Row>(*this, port);
    portWidth_ = std::max(portWidth_, port.size());
    return *rows_[index];
}

void TerminalStationDisplay::Redraw() {
    if (linesOnScreen_ > 0) out_ << kCursorUp << linesOnScreen_ << 'A';
    for (const auto& row : rows_) {
        if (!row) continue;
        std::string line = row->Line(portWidth_);
        // The last column stays free: a terminal that wraps there would
        // start a line of its own.
        if (line.size() >= columns_) line.resize(columns_ - 1);
        out_ << '\r' << kClearLine << line << '\n';
    }
    linesOnScreen_ = static_cast<size_t>(
        std::count_if(rows_.begin(), rows_.end(), [](const auto& row) { return row != nullptr; }));
    if (!counters_.empty()) {
        out_ << '\r' << kClearLine << counters_.substr(0, columns_ - 1) << '\n';
        ++linesOnScreen_;
    }
    out_ << std::flush;
}

void TerminalStationDisplay::Counters(const StationCounters& counters) {
    std::lock_guard lock(outMutex_);
    counters_ = CountersText(counters);
    Redraw();
}

void TerminalStationDisplay::ReplugPrompt(const std::string& text) {
    {
        std::lock_guard lock(outMutex_);
        out_ << text << '\n'
             << (autoAnswer_ ? station::OperatorText("Station", "(continuing by itself)")
                             : station::OperatorText("Station", "Press Enter to continue..."))
             << '\n'
             << std::flush;
        linesOnScreen_ = 0;  // the lines start afresh below the prompt
    }
    if (!autoAnswer_) input_.ReadLine(interrupted_);
}

}  // namespace zt::cli
