#include "cli/TerminalStationDisplay.h"

#include <algorithm>

#include "station/operator/JobBoxText.h"
#include "station/operator/OperatorText.h"
#include "station/presentation/PortLine.h"

namespace zt::cli {

namespace {
constexpr int kRowBarWidth = 10;            // short, so that the texts of the job fit in 80 columns
constexpr const char* kCursorUp = "\x1b[";  // followed by the count and 'A'
constexpr const char* kClearLine = "\x1b[2K";
constexpr const char* kClearBelow = "\x1b[J";
constexpr size_t kBriefWidth = 13;  // "FAIL 00020B01"
}  // namespace

// One port's line: its progress, its state and the last thing it said.
class TerminalStationDisplay::Row final : public ConsoleView {
public:
    Row(TerminalStationDisplay& display, std::string port) : display_(display), port_(std::move(port)) {}

    void Info(const std::string& text) override { Say(text); }
    void Progress(int percent) override {
        std::lock_guard lock(display_.outMutex_);
        if (percent == line_.Percent()) return;
        line_.Progress(percent);
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
        // The state carries the result; this is for a road that sent none.
        std::lock_guard lock(display_.outMutex_);
        if (line_.Phase() == PortPhase::Result) return;
        line_.Apply(PortStatus{PortPhase::Result, port_, PortOutcome::Of(outcome)});
        display_.Redraw();
    }
    void State(const PortStatus& status) override {
        std::lock_guard lock(display_.outMutex_);
        line_.Apply(status);
        if (display_.bell_ && status.phase == PortPhase::Result && line_.Failed()) display_.out_ << '\a';
        display_.Redraw();
    }

    // With the display's lock held.
    std::string Line(size_t portWidth) const {
        // Appended piece by piece into one string: no temporaries joined with operator+.
        std::string line = Port(portWidth);
        line.append("  ");
        if (const int percent = line_.Percent(); percent >= 0) {
            const size_t filled = static_cast<size_t>(std::clamp(percent, 0, 100) * kRowBarWidth / 100);
            const std::string number = std::to_string(percent);
            line.push_back('[');
            line.append(filled, '#');
            line.append(static_cast<size_t>(kRowBarWidth) - filled, '.');
            line.append("] ");
            line.append(3 - std::min<size_t>(3, number.size()), ' ');
            line.append(number);
            line.append("%  ");
        }
        line.append(line_.Text());
        return line;
    }
    // "1-1.2 FAIL 00020B01", padded to one width.
    std::string Cell(size_t portWidth) const {
        std::string cell = Port(portWidth);
        cell.push_back(' ');
        std::string brief = line_.Brief();
        brief.resize(kBriefWidth, ' ');
        return cell + brief;
    }
    bool Failed() const { return line_.Failed(); }

private:
    std::string Port(size_t portWidth) const {
        std::string port = port_;
        port.append(portWidth - std::min(portWidth, port_.size()), ' ');
        return port;
    }
    void Say(const std::string& text) {
        std::lock_guard lock(display_.outMutex_);
        line_.Note(text);
        display_.Redraw();
    }

    TerminalStationDisplay& display_;
    const std::string port_;
    PortLine line_;
};

TerminalStationDisplay::TerminalStationDisplay(std::ostream& out, std::mutex& outMutex,
                                               std::function<TerminalSize()> size, OperatorInput& input,
                                               bool autoAnswer, std::function<bool()> interrupted, bool bell)
    : out_(out),
      outMutex_(outMutex),
      size_(std::move(size)),
      input_(input),
      autoAnswer_(autoAnswer),
      interrupted_(std::move(interrupted)),
      bell_(bell) {}

TerminalStationDisplay::TerminalStationDisplay(std::ostream& out, std::mutex& outMutex, int columns,
                                               OperatorInput& input, bool autoAnswer,
                                               std::function<bool()> interrupted)
    : TerminalStationDisplay(
          out, outMutex,
          [columns] {
              return TerminalSize{columns, 0};
          },
          input, autoAnswer, std::move(interrupted)) {}

TerminalStationDisplay::~TerminalStationDisplay() = default;

ConsoleView& TerminalStationDisplay::ViewOf(size_t index, const std::string& port) {
    std::lock_guard lock(outMutex_);
    if (rows_.size() <= index) rows_.resize(index + 1);
    if (!rows_[index]) rows_[index] = std::make_unique<Row>(*this, port);
    portWidth_ = std::max(portWidth_, port.size());
    return *rows_[index];
}

std::vector<std::string> TerminalStationDisplay::FullBlock(size_t columns) const {
    std::vector<std::string> block;
    for (const auto& row : rows_)
        if (row) block.push_back(row->Line(portWidth_));
    if (!counters_.empty()) block.push_back(counters_);
    for (std::string& line : block)
        if (line.size() >= columns) line.resize(columns - 1);
    return block;
}

std::vector<std::string> TerminalStationDisplay::CompactBlock(size_t columns, size_t lines) const {
    std::vector<const Row*> order;
    for (const auto& row : rows_)
        if (row) order.push_back(row.get());
    // The failures first: they are what the operator has to act on.
    std::stable_partition(order.begin(), order.end(), [](const Row* row) { return row->Failed(); });
    const size_t cellWidth = portWidth_ + 1 + kBriefWidth + 2;
    const size_t perLine = std::max<size_t>(1, (columns - 1) / cellWidth);
    const size_t forCells = lines - (counters_.empty() ? 0 : 1);
    std::vector<std::string> block;
    for (size_t at = 0; at < order.size() && block.size() < forCells; at += perLine) {
        std::string line;
        const bool last = block.size() + 1 == forCells;
        for (size_t i = at; i < std::min(order.size(), at + perLine); ++i) {
            // No room for the rest: the last cell says how many are not shown.
            if (last && i + 1 == at + perLine && i + 1 < order.size()) {
                line += station::FillIn(station::OperatorText("Station", "+%1 more"),
                                        {std::to_string(order.size() - i)});
                break;
            }
            line += order[i]->Cell(portWidth_);
            line += "  ";
        }
        block.push_back(line.substr(0, columns - 1));
    }
    if (!counters_.empty()) block.push_back(counters_.substr(0, columns - 1));
    return block;
}

void TerminalStationDisplay::Redraw() {
    const TerminalSize size = size_();
    const size_t columns = static_cast<size_t>(std::max(size.columns, 20));
    std::vector<std::string> block = FullBlock(columns);
    // The cursor's own line stays free below the block: a block as tall as
    // the window would scroll its top line away at each redraw.
    if (size.lines > 1 && block.size() > static_cast<size_t>(size.lines - 1))
        block = CompactBlock(columns, static_cast<size_t>(size.lines - 1));
    if (linesOnScreen_ > 0) out_ << kCursorUp << linesOnScreen_ << 'A';
    for (const std::string& line : block) out_ << '\r' << kClearLine << line << '\n';
    // A block that shrank leaves none of its old lines behind.
    out_ << kClearBelow << std::flush;
    linesOnScreen_ = block.size();
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
