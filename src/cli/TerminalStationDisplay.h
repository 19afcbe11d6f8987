#pragma once
#include <functional>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "station/operator/OperatorInput.h"
#include "station/run/StationDisplay.h"

namespace zt::cli {

using namespace zt::station;

// The terminal's size; `lines` 0 when it does not tell (no limit then).
struct TerminalSize {
    int columns = 80;
    int lines = 0;
};

// Several units on a terminal: one line per port, redrawn in place as the
// units go on, so an operator sees every unit at a glance.
//   1-1.1  [#####.....]  50%  writing: do not pull the unit
//   1-1.2  [##########] 100%  PASS
// A port's last result stays on its line until its next unit starts. The
// re-plug prompt and the operator's Enter go below the lines; the lines are
// then drawn afresh below them. The size is asked for at each redraw, so the
// block follows a resized window: a line never grows past its width (a
// wrapped line would throw off the count of lines to go back over), and when
// the ports outnumber its lines they share lines, failures first, so that
// the block never runs off the top and nothing is left behind in the
// scrollback. With `bell`, a failed unit rings the terminal's bell.
class TerminalStationDisplay final : public StationDisplay {
public:
    TerminalStationDisplay(std::ostream& out, std::mutex& outMutex, std::function<TerminalSize()> size,
                           OperatorInput& input, bool autoAnswer, std::function<bool()> interrupted,
                           bool bell = false);
    // A terminal of `columns` and no known height.
    TerminalStationDisplay(std::ostream& out, std::mutex& outMutex, int columns, OperatorInput& input,
                           bool autoAnswer, std::function<bool()> interrupted);
    ~TerminalStationDisplay() override;

    ConsoleView& ViewOf(size_t index, const std::string& port) override;
    void ReplugPrompt(const std::string& text) override;
    void Counters(const StationCounters& counters) override;  // a last line under the units

    class Row;

private:
    friend class Row;
    // With outMutex_ held: draws every unit's line over the ones on screen.
    void Redraw();
    std::vector<std::string> FullBlock(size_t columns) const;
    std::vector<std::string> CompactBlock(size_t columns, size_t lines) const;

    std::ostream& out_;
    std::mutex& outMutex_;
    std::function<TerminalSize()> size_;
    OperatorInput& input_;
    const bool autoAnswer_;
    std::function<bool()> interrupted_;
    const bool bell_;
    std::vector<std::unique_ptr<Row>> rows_;
    size_t portWidth_ = 0;
    size_t linesOnScreen_ = 0;  // the block's lines above the cursor
    std::string counters_;      // "" until a station has a tally
};

}  // namespace zt::cli
