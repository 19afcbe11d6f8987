#pragma once
#include <functional>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "station/OperatorInput.h"
#include "station/StationDisplay.h"

namespace zt::cli {

using namespace zt::station;

// Several units on a terminal: one line per unit, redrawn in place as the
// units go on, so an operator sees every unit at a glance.
//   1-1.1  [#####.....]  50%
//   1-1.2  [##########] 100%  Write to EEPROM OK! Please re-plugin USB device !!
// The re-plug prompt and the operator's Enter go below the lines; the lines
// are then drawn afresh below them. A line never grows past `columns`, as a
// wrapped line would throw off the count of lines to go back over.
class TerminalStationDisplay final : public StationDisplay {
public:
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

    std::ostream& out_;
    std::mutex& outMutex_;
    const size_t columns_;
    OperatorInput& input_;
    const bool autoAnswer_;
    std::function<bool()> interrupted_;
    std::vector<std::unique_ptr<Row>> rows_;
    size_t portWidth_ = 0;
    size_t linesOnScreen_ = 0;  // the block's lines above the cursor
    std::string counters_;      // "" until a station has a tally
};

}  // namespace zt::cli
