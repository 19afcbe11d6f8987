#pragma once
#include <functional>
#include <memory>
#include <mutex>
#include <ostream>
#include <vector>

#include "cli/UnitView.h"
#include "station/operator/OperatorInput.h"
#include "station/run/StationDisplay.h"

namespace zt::cli {

using namespace zt::station;

// Several units on a stream that is read line by line (a pipe, a log, a
// station script's JSON reader): each unit's lines tagged with its port, the
// prompt once for all, tagged "all" in JSON. The operator answers the prompt
// with Enter on `input`, unless `autoAnswer`.
class StreamStationDisplay final : public StationDisplay {
public:
    StreamStationDisplay(bool json, std::ostream& out, std::mutex& outMutex, OperatorInput& input,
                         bool autoAnswer, std::function<bool()> interrupted);

    ConsoleView& ViewOf(size_t index, const std::string& port) override;
    void ReplugPrompt(const std::string& text) override;
    void Counters(const StationCounters& counters) override;

private:
    const bool json_;
    const bool autoAnswer_;
    std::ostream& out_;
    std::mutex& outMutex_;
    OperatorInput& input_;
    std::function<bool()> interrupted_;
    UnitView shared_;
    std::mutex viewsMutex_;
    std::vector<std::unique_ptr<UnitView>> views_;
};

}  // namespace zt::cli
